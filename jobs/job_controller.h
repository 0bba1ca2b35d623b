#pragma once
// JobController: the status window's job logic, free of any toolkit.
//
// Timer1_Timer() is the one tick of the status window's one-shot timer: it
// picks the engine by the mode boxes and the ".docx" test, runs it to its
// end, and completes the job through CmdOK_Click(). CmdOK_Click() is also
// what the status window's OK button does; pressing it during a job closes
// the window and selects the preview step at once, and the job still hands
// over its result when it ends. A tick that arrives while a job runs does
// nothing: a job never starts twice.

#include <string>
#include <string_view>

#include "base/job_host.h"
#include "base/job_state.h"
#include "base/status.h"

namespace kw {

enum class EngineKind { kQuick, kSalvage, kImages, kDocx };

// True when the path contains ".docx" anywhere (case-sensitive): "a.docx.doc"
// and "x.docx/y.doc" count, "REPORT.DOCX" does not.
bool ContainsDocx(std::string_view path);

// Salvage checked: .docx recovery for a ".docx" path, else Salvage Recovery;
// else Image checked: Image Recovery; else .docx or Quick Recovery.
EngineKind ChooseEngine(const WizardInputs& inputs);

// True when the length of the regular file at `path` can be read.
bool FileExists(const std::string& path);

class JobController {
 public:
  // `programDir` is the folder where "preview.gif" is looked for.
  JobController(RecoveryJobState& job, JobHost& host, std::string programDir = {})
      : job_(job), host_(host), programDir_(std::move(programDir)) {}

  // Runs one job. The status is not OK when the source could not be read or
  // memory ran out (std::bad_alloc never leaves a job); the job has then
  // still ended through CmdOK_Click().
  Status Timer1_Timer();

  void CmdOK_Click();

  bool running() const { return running_; }

  // The placeholder picture's path: the program folder and "preview.gif".
  std::string PlaceholderPath() const;

 private:
  Status RunEngine(EngineKind kind);

  RecoveryJobState& job_;
  JobHost& host_;
  std::string programDir_;
  bool running_ = false;
};

}  // namespace kw
