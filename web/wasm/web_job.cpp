// SPDX-License-Identifier: Apache-2.0
// The page's way into the core, run in its Web Worker: one job over the file
// the user chose (mounted read-only by the worker, read in slices as the
// readers ask for them), then its pictures and the .docx of its text on
// request. Everything goes back to the worker's script through the imports
// declared below (web/wasm/library_kw.js); nothing is written anywhere but
// the in-memory file system.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "base/damage_report.h"
#include "base/zip_codec.h"
#include "formats/docx/zip/docx_writer.h"
#include "formats/images/image_extraction.h"
#include "formats/images/picture_header.h"
#include "jobs/job.h"
#include "web/wasm/job_json.h"
#include "web/wasm/preview_sink.h"

extern "C" {
// The text, a batch at a time.
void kw_text(const char* bytes, size_t size);
void kw_progress(int32_t min, int32_t max, int32_t value);
// 1 once the user asked to stop.
int kw_cancel_requested(void);
// Lets the worker read its messages (a cancel): suspends the job where the
// browser can (JavaScript Promise Integration), else returns at once.
void kw_pause(void);
// The job's end: its result as JSON.
void kw_job_done(const char* json);
// A picture's bytes and header, or why it could not be copied.
void kw_picture_done(int32_t index, const char* bytes, size_t size, const char* facts);
void kw_docx_done(const char* bytes, size_t size, const char* error);
}

namespace kw::web {
namespace {

// Progress goes to the page as it changes; at most every 50 ms the job
// stops for the worker to read its messages, so a Cancel is seen.
class WebProgress final : public JobProgress {
 public:
  void setProgressMin(int32_t v) override { min_ = v; }
  void setProgressMax(int32_t v) override { max_ = v; }
  void setProgressValue(int32_t v) override { value_ = v; }
  void yield() override {
    const double now = emscripten_get_now();
    if (now - lastPause_ < 50) return;
    lastPause_ = now;
    kw_progress(min_, max_, value_);
    kw_pause();
  }
  bool cancelRequested() const override { return kw_cancel_requested() != 0; }

 private:
  int32_t min_ = 0, max_ = 100, value_ = 0;
  double lastPause_ = 0;
};

struct LastJob {
  std::string path;
  JobResult result;
};
std::unique_ptr<LastJob> last;

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace
}  // namespace kw::web

using namespace kw;
using namespace kw::web;

extern "C" {

// Runs one job (mode: 0 Quick, 1 Salvage, 2 Images, 3 Deep, as JobMode).
EMSCRIPTEN_KEEPALIVE void kw_run(const char* path, int mode) {
  last.reset();  // the previous job's pictures go first
  auto job = std::make_unique<LastJob>();
  job->path = path;
  PreviewSink sink([](std::string_view piece) { kw_text(piece.data(), piece.size()); });
  WebProgress progress;
  JobRequest request{job->path, static_cast<JobMode>(mode), &sink};
  job->result = RunJob(request, progress);
  sink.write(job->result.text);  // what the engine kept whole, as kwrecover writes it
  std::string().swap(job->result.text);
  sink.finish();
  const std::string json = JobJson(job->result, sink.stats(), static_cast<JobMode>(mode));
  last = std::move(job);
  kw_job_done(json.c_str());
}

// Copies picture `index` of the last job, as kwrecover images --extract does.
EMSCRIPTEN_KEEPALIVE void kw_picture(int32_t index) {
  if (!last || index < 0 || static_cast<size_t>(index) >= last->result.pictures.size()) {
    kw_picture_done(index, nullptr, 0, R"({"error": "There is no such picture."})");
    return;
  }
  std::string copy;
  const Status status = SaveImages(last->path, last->result.source, last->result.pictures[index], &copy);
  if (!status.ok()) {
    const std::string error = "{\"error\": " + JsonString(status.message()) + "}";
    kw_picture_done(index, nullptr, 0, error.c_str());
    return;
  }
  PictureHeader header;
  header.fileName = copy;
  header.read();
  const std::string bytes = ReadWhole(copy);
  std::remove(copy.c_str());
  const std::string facts = PictureFactsJson(header, Crc32(0, bytes.data(), bytes.size()));
  kw_picture_done(index, bytes.data(), bytes.size(), facts.c_str());
}

// The text as a .docx, as kwrecover -o NAME.docx writes it.
EMSCRIPTEN_KEEPALIVE void kw_docx(const char* text, size_t size) {
  std::string package;
  const Status status = DocxPackage({text, size}, &package);
  kw_docx_done(package.data(), package.size(), status.ok() ? "" : status.message().c_str());
}

}  // extern "C"
