// SPDX-License-Identifier: Apache-2.0
#pragma once
// FakeHost: an engine's context whose progress records what the job did,
// for tests. `rows()` gives the pictures as kwrecover lists them.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/damage_report.h"
#include "base/job_context.h"
#include "base/picture_record.h"

namespace kw::test {

class FakeProgress : public JobProgress {
 public:
  int32_t progressMin = -1, progressMax = -1, progressValue = -1;
  std::vector<int32_t> progressValues;  // every value set, in order
  int yields = 0;
  bool cancel = false;             // what cancelRequested() answers
  std::function<void()> onYield;   // runs at every yield
  std::function<void()> onSetMax;  // runs when a pass sets the bar's maximum (between passes)

  void setProgressMin(int32_t v) override { progressMin = v; }
  void setProgressMax(int32_t v) override {
    progressMax = v;
    if (onSetMax) onSetMax();
  }
  void setProgressValue(int32_t v) override {
    progressValue = v;
    progressValues.push_back(v);
  }
  void yield() override {
    ++yields;
    if (onYield) onYield();
  }
  bool cancelRequested() const override { return cancel; }
};

class FakeHost : public FakeProgress, public JobContext {
 public:
  FakeHost() : JobContext("", static_cast<FakeProgress&>(*this)) { damage = &report; }
  FakeHost(const FakeHost&) = delete;

  DamageReport report;

  // Forgets everything recorded, for the next job.
  void reset() {
    static_cast<FakeProgress&>(*this) = FakeProgress();
    pictures.clear();
    notices.clear();
    report = DamageReport();
  }

  std::vector<std::string> rows() const {
    std::vector<std::string> out;
    for (size_t i = 0; i < pictures.size(); ++i) out.push_back(PictureRowText(i + 1, pictures[i]));
    return out;
  }
};

}  // namespace kw::test
