// SPDX-License-Identifier: Apache-2.0
#pragma once
// ReportFile: the --report JSON of a command, checked before the job (it may
// not be the document itself) and written after it, also when the job
// failed, through an OutputFile.

#include "base/damage_report.h"
#include "base/status.h"
#include "cli/args.h"

namespace kw::cli {

class ReportFile {
 public:
  explicit ReportFile(const ParsedArgs& args) : args_(args) {}

  // False, after one line on stderr, when the report could not be written there.
  bool check() const;
  // With `pictures` (Deep Recovery), the report lists them and their readers.
  bool write(const DamageReport& damage, const Status& jobStatus,
             const std::vector<PictureRecord>* pictures = nullptr) const;

 private:
  const ParsedArgs& args_;
};

}  // namespace kw::cli
