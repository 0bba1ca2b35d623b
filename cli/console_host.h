#pragma once
// ConsoleHost: the job's front end on a terminal.
//
// The wizard's inputs are fixed values (the file and the command's mode);
// the progress bar is drawn on stderr when stderr is a terminal, and not at
// all otherwise; picture entries are collected in order.

#include <cstdint>
#include <string>
#include <vector>

#include "base/damage_report.h"
#include "base/job_host.h"
#include "base/text_sink.h"

namespace kw::cli {

enum class Mode { kQuick, kSalvage, kImages };

class ConsoleHost : public JobHost {
 public:
  ConsoleHost(std::string path, Mode mode);
  ~ConsoleHost() override;

  std::string sourcePath() const override { return path_; }
  int optQuickMode() const override { return mode_ == Mode::kQuick ? 1 : 0; }
  int optImageMode() const override { return mode_ == Mode::kImages ? 1 : 0; }
  int optSalvageMode() const override { return mode_ == Mode::kSalvage ? 1 : 0; }

  void setProgressMin(int32_t value) override { min_ = value; }
  void setProgressMax(int32_t value) override { max_ = value; }
  void setProgressValue(int32_t value) override { value_ = value; }
  void yield() override;
  void closeStatusWindow() override;

  void selectStep(int) override {}
  void setStepAvailable(int, bool) override {}
  void setFoundImagesLabel(const std::string& text) override { foundLabel_ = text; }
  void navigatePreview(const std::string&) override {}
  void addPictureEntry(const std::string& text) override { entries_.push_back(text); }
  // Printed on stderr at once: the CLI has no later moment to show it.
  void showNotice(const std::string& text) override;

  TextSink* textSink() override { return sink_; }
  DamageReport* damageReport() override { return &damage_; }
  const DamageReport& damage() const { return damage_; }
  void setTextSink(TextSink* sink) { sink_ = sink; }

  const std::vector<std::string>& entries() const { return entries_; }
  const std::string& foundLabel() const { return foundLabel_; }

 private:
  void draw();

  std::string path_;
  Mode mode_;
  bool terminal_;
  bool drawn_ = false;
  int32_t min_ = 0, max_ = 100, value_ = 0;
  std::vector<std::string> entries_;
  std::string foundLabel_;
  TextSink* sink_ = nullptr;
  DamageReport damage_;
};

}  // namespace kw::cli
