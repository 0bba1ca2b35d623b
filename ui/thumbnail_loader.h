// SPDX-License-Identifier: Apache-2.0
#pragma once
// ThumbnailLoader: looks at a job's pictures on a thread of its own, one by
// one in list order, so the picture list can show a thumbnail, the type, the
// size in pixels and in bytes beside each entry, and count the pictures that
// cannot be shown, while the window stays live.
//
// loaded() arrives on the GUI thread, queued, once per picture; finished()
// after the last. start() again, stop() or deleting the loader ends the
// current pass at the next picture and drops what it had not delivered yet.
// A picture is shown when the preview could show it: a JPEG, PNG, GIF or BMP
// that decodes; the same copy as the preview's is made to look at it, into
// a temporary file (PreviewCopies::ScratchPath) removed at once. Thumbnails
// are made at the screen's scale (`scale` device pixels to a pixel), so that
// they are sharp on a screen scaled 2x.

#include <QImage>
#include <QObject>
#include <QSize>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/output_file.h"
#include "base/picture_record.h"

namespace kw::ui {

struct PictureFacts {
  QImage thumbnail;   // at most kThumbnailSize square (in pixels); null when not shown
  QByteArray format;  // "jpeg", "png", "gif", "bmp", or empty when unknown
  QSize size;         // in pixels; invalid when unknown
  qint64 bytes = 0;   // the picture's data
  bool showable = false;
};

class ThumbnailLoader : public QObject {
  Q_OBJECT
 public:
  static constexpr int kThumbnailSize = 48;

  explicit ThumbnailLoader(QObject* parent = nullptr);
  ~ThumbnailLoader() override;

  void start(std::shared_ptr<const std::vector<PictureRecord>> pictures, std::string sourcePath, FileIdentity source,
             qreal scale = 1);
  void stop();
  bool running() const { return running_; }

  // Looks at one picture (any thread).
  static PictureFacts Examine(const PictureRecord& picture, const std::string& sourcePath, const FileIdentity& source,
                              qreal scale = 1);

 signals:
  void loaded(int row, const kw::ui::PictureFacts& facts);
  void finished();

 private:
  std::thread thread_;
  std::shared_ptr<std::atomic<bool>> stop_;
  bool running_ = false;
  int generation_ = 0;
};

}  // namespace kw::ui
