// SPDX-License-Identifier: Apache-2.0
#include "ui/thumbnail_loader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QMetaObject>
#include <cstdio>

#include "formats/images/image_extraction.h"
#include "ui/local_names.h"
#include "ui/preview_copies.h"

namespace kw::ui {

namespace {

qint64 DataSize(const PictureRecord& picture) {
  if (picture.hasBytes) return static_cast<qint64>(picture.ownSize());
  return picture.lastByte >= picture.firstByte ? picture.lastByte - picture.firstByte + 1 : 0;
}

void Decode(QIODevice* device, qreal scale, PictureFacts* facts) {
  QImageReader reader(device);
  reader.setDecideFormatFromContent(true);
  facts->format = reader.format();
  if (facts->format != "jpeg" && facts->format != "png" && facts->format != "gif" && facts->format != "bmp") {
    facts->format.clear();
    return;
  }
  facts->size = reader.size();
  // In device pixels, so that the thumbnail is sharp on a screen scaled 2x.
  const int side = qRound(ThumbnailLoader::kThumbnailSize * scale);
  if (facts->size.isValid() && (facts->size.width() > side || facts->size.height() > side)) {
    reader.setScaledSize(facts->size.scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
  }
  QImage image = reader.read();
  if (image.isNull()) return;
  if (!facts->size.isValid()) facts->size = image.size();
  facts->thumbnail = image.width() > side || image.height() > side
                         ? image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                         : std::move(image);
  facts->thumbnail.setDevicePixelRatio(scale);
  facts->showable = true;
}

}  // namespace

PictureFacts ThumbnailLoader::Examine(const PictureRecord& picture, const std::string& sourcePath,
                                      const FileIdentity& source, qreal scale) {
  PictureFacts facts;
  facts.bytes = DataSize(picture);
  if (facts.bytes == 0) return facts;
  if (picture.hasBytes && !picture.maker) {
    QByteArray data = QByteArray::fromRawData(picture.bytes.data(), static_cast<qsizetype>(picture.bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    Decode(&buffer, scale, &facts);
    return facts;
  }
  const std::string copy = PreviewCopies::ScratchPath();
  if (copy.empty() || !ExtractImage(sourcePath, source, picture, copy, /*overwrite=*/false).ok()) return facts;
  {
    std::unique_ptr<QFile> file = OpenLocalFile(FromLocalPath(copy));
    if (file) Decode(file.get(), scale, &facts);
  }
  std::remove(copy.c_str());
  return facts;
}

ThumbnailLoader::ThumbnailLoader(QObject* parent) : QObject(parent) {}

ThumbnailLoader::~ThumbnailLoader() { stop(); }

void ThumbnailLoader::stop() {
  ++generation_;  // drops deliveries already posted
  running_ = false;
  if (stop_) *stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void ThumbnailLoader::start(std::shared_ptr<const std::vector<PictureRecord>> pictures, std::string sourcePath,
                            FileIdentity source, qreal scale) {
  stop();
  if (!pictures || pictures->empty()) return;
  running_ = true;
  stop_ = std::make_shared<std::atomic<bool>>(false);
  const int generation = generation_;
  thread_ = std::thread([this, stop = stop_, generation, pictures = std::move(pictures),
                         sourcePath = std::move(sourcePath), source, scale] {
    for (size_t row = 0; row < pictures->size() && !*stop; ++row) {
      PictureFacts facts = Examine((*pictures)[row], sourcePath, source, scale);
      QMetaObject::invokeMethod(
          this,
          [this, generation, row, facts = std::move(facts)] {
            if (generation == generation_) emit loaded(static_cast<int>(row), facts);
          },
          Qt::QueuedConnection);
    }
    if (*stop) return;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
          if (generation != generation_) return;
          running_ = false;
          emit finished();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace kw::ui
