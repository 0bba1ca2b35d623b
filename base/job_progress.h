// SPDX-License-Identifier: Apache-2.0
#pragma once
// JobProgress: how a running job reports its progress and learns that it
// should stop.
//
// A front end implements what it shows: the wizard's status window forwards
// progress from the job's thread to its bar, the CLI and the tests ignore
// it. Every method has a default, so a fake is a few lines. Jobs call
// yield() and cancelRequested() through YieldClock only, a few times per
// frame; a job that sees a cancel request stops at its next yield and hands
// over what it has recovered so far.

#include <cstdint>

namespace kw {

class JobProgress {
 public:
  virtual ~JobProgress() = default;
  virtual void setProgressMin(int32_t) {}
  virtual void setProgressMax(int32_t) {}
  virtual void setProgressValue(int32_t) {}
  // A moment where the front end may show the progress made so far.
  virtual void yield() {}
  // True once the job should stop. Safe to call from the job's thread while
  // another thread asks for the stop.
  virtual bool cancelRequested() const { return false; }
};

}  // namespace kw
