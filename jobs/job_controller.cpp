#include "jobs/job_controller.h"

#include <sys/stat.h>

#include <new>

#include "base/message_text.h"
#include "formats/doc/quick_recovery.h"
#include "formats/doc/salvage_recovery.h"
#include "formats/docx/docx_recovery.h"
#include "formats/images/image_recovery.h"

namespace kw {

bool ContainsDocx(std::string_view path) { return path.find(".docx") != std::string_view::npos; }

EngineKind ChooseEngine(const WizardInputs& inputs) {
  if (inputs.optSalvageMode() == 1) {
    return ContainsDocx(inputs.sourcePath()) ? EngineKind::kDocx : EngineKind::kSalvage;
  }
  if (inputs.optImageMode() == 1) return EngineKind::kImages;
  return ContainsDocx(inputs.sourcePath()) ? EngineKind::kDocx : EngineKind::kQuick;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

Status JobController::Timer1_Timer() {
  if (running_) return Status::OK();
  running_ = true;
  Status status;
  try {
    status = RunEngine(ChooseEngine(host_));
  } catch (const std::bad_alloc&) {
    // The one exception the core lets through from the standard library: a
    // job that runs out of memory ends as an error, whatever it was doing.
    status = Status::IOError("Not enough memory to recover " + Quoted(host_.sourcePath()) +
                             ": the job was stopped. Close other programs and try again.");
  }
  CmdOK_Click();
  running_ = false;
  return status;
}

Status JobController::RunEngine(EngineKind kind) {
  switch (kind) {
    case EngineKind::kQuick: return QuickRecovery(job_, host_);
    case EngineKind::kSalvage: return SalvageRecovery(job_, host_);
    case EngineKind::kImages: return ImageRecovery(job_, host_);
    case EngineKind::kDocx: return DocxRecovery(job_, host_);
  }
  return Status::OK();
}

std::string JobController::PlaceholderPath() const {
  std::string path = programDir_ + "/preview.gif";
  // A program folder that already ends in a separator still gives one.
  for (size_t at = path.find("//"); at != std::string::npos; at = path.find("//", at)) {
    path.erase(at, 1);
  }
  return path;
}

void JobController::CmdOK_Click() {
  host_.closeStatusWindow();
  if (host_.optSalvageMode() == 1 || host_.optQuickMode() == 1) {
    host_.selectStep(3);
    return;
  }
  if (host_.optImageMode() == 1) {
    host_.setFoundImagesLabel("Found (" + std::to_string(job_.iImageCount) + ") Images");
    const std::string placeholder = PlaceholderPath();
    if (FileExists(placeholder)) host_.navigatePreview(placeholder);
    host_.selectStep(4);
  }
}

}  // namespace kw
