#pragma once
// FakeHost: a JobHost that records what a job did to the wizard and the
// status window, for tests.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/job_host.h"

namespace kw::test {

class FakeHost : public JobHost {
 public:
  std::string path;
  int quick = 0, image = 0, salvage = 0;

  // Recorded effects.
  int32_t progressMin = -1, progressMax = -1, progressValue = -1;
  std::vector<int32_t> progressValues;  // every value set, in order
  int yields = 0;
  int closes = 0;
  std::vector<int> selectedSteps;
  std::vector<std::pair<int, bool>> availability;
  std::string foundLabel;
  std::vector<std::string> previews;
  std::vector<std::string> entries;
  std::vector<std::string> notices;
  std::function<void()> onYield;   // runs at every yield
  std::function<void()> onSetMax;  // runs when a pass sets the bar's maximum (between passes)

  std::string sourcePath() const override { return path; }
  int optQuickMode() const override { return quick; }
  int optImageMode() const override { return image; }
  int optSalvageMode() const override { return salvage; }
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
  void closeStatusWindow() override { ++closes; }
  void selectStep(int step) override { selectedSteps.push_back(step); }
  void setStepAvailable(int step, bool available) override { availability.emplace_back(step, available); }
  void setFoundImagesLabel(const std::string& text) override { foundLabel = text; }
  void navigatePreview(const std::string& p) override { previews.push_back(p); }
  void addPictureEntry(const std::string& text) override { entries.push_back(text); }
  void showNotice(const std::string& text) override { notices.push_back(text); }
};

}  // namespace kw::test
