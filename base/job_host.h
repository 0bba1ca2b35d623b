#pragma once
// The small interfaces through which the core meets its front end.
//
// The wizard implements them with its real controls; the CLI and the tests
// with plain values. The engines read the wizard's inputs whenever they need
// them (never copied into the job state), drive the status window's progress
// bar, yield to the event loop, and fill the picture list.

#include <cstdint>
#include <string>

#include "base/job_progress.h"

namespace kw {

// The wizard's inputs of a job: the file-name box and the three mode boxes.
class WizardInputs {
 public:
  virtual ~WizardInputs() = default;
  virtual std::string sourcePath() const = 0;  // txtDocFileName, UTF-8
  virtual int optQuickMode() const = 0;        // 1 = chosen
  virtual int optImageMode() const = 0;
  virtual int optSalvageMode() const = 0;
};

// The status window as the engines drive it: progress bar ProgReadDOC, the
// yield, and closing.
class StatusWindow : public JobProgress {
 public:
  virtual void closeStatusWindow() = 0;
};

// What the job changes on the wizard: steps, the found-images label, the
// preview pane and the picture list LstPicture.
class WizardView {
 public:
  virtual ~WizardView() = default;
  // Requests step n (1..5) of DocTab; an unavailable step is not selected.
  virtual void selectStep(int step) = 0;
  virtual void setStepAvailable(int step, bool available) = 0;
  virtual void setFoundImagesLabel(const std::string& text) = 0;  // LblFoundImages
  virtual void navigatePreview(const std::string& path) = 0;      // WebBrowser1
  virtual void addPictureEntry(const std::string& text) = 0;      // LstPicture, with ImgICO
  // Something the user must be told after the job although it did not fail
  // (for example: more pictures were found than the list can hold).
  virtual void showNotice(const std::string& text) = 0;
};

class DamageReport;
class TextSink;

// Everything a job needs from its front end.
class JobHost : public WizardInputs, public StatusWindow, public WizardView {
 public:
  // Where a long text may be handed over piece by piece; none by default.
  virtual TextSink* textSink() { return nullptr; }
  // Where the readers report what they skipped or cut; none by default.
  virtual DamageReport* damageReport() { return nullptr; }
};

}  // namespace kw
