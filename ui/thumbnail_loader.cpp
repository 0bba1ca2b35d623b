// SPDX-License-Identifier: Apache-2.0
#include "ui/thumbnail_loader.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QMetaObject>
#include <cstdio>

#include "formats/images/image_extraction.h"
#include "ui/local_names.h"

namespace kw::ui {

namespace {

qint64 DataSize(const PictureRecord& picture) {
  if (picture.hasBytes) return static_cast<qint64>(picture.ownSize());
  return picture.lastByte >= picture.firstByte ? picture.lastByte - picture.firstByte + 1 : 0;
}

void Decode(QIODevice* device, PictureFacts* facts) {
  QImageReader reader(device);
  reader.setDecideFormatFromContent(true);
  facts->format = reader.format();
  if (facts->format != "jpeg" && facts->format != "png" && facts->format != "gif" && facts->format != "bmp") {
    facts->format.clear();
    return;
  }
  facts->size = reader.size();
  if (facts->size.isValid()) {
    const int side = ThumbnailLoader::kThumbnailSize;
    if (facts->size.width() > side || facts->size.height() > side) {
      reader.setScaledSize(facts->size.scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    }
  }
  QImage image = reader.read();
  if (image.isNull()) return;
  if (!facts->size.isValid()) facts->size = image.size();
  facts->thumbnail = image.width() > ThumbnailLoader::kThumbnailSize || image.height() > ThumbnailLoader::kThumbnailSize
                         ? image.scaled(ThumbnailLoader::kThumbnailSize, ThumbnailLoader::kThumbnailSize,
                                        Qt::KeepAspectRatio, Qt::SmoothTransformation)
                         : std::move(image);
  facts->showable = true;
}

}  // namespace

PictureFacts ThumbnailLoader::Examine(const PictureRecord& picture, const std::string& sourcePath,
                                      const FileIdentity& source) {
  PictureFacts facts;
  facts.bytes = DataSize(picture);
  if (facts.bytes == 0) return facts;
  if (picture.hasBytes && !picture.maker) {
    QByteArray data = QByteArray::fromRawData(picture.bytes.data(), static_cast<qsizetype>(picture.bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    Decode(&buffer, &facts);
    return facts;
  }
  std::string copy;
  if (!SaveImages(sourcePath, source, picture, &copy).ok()) return facts;
  {
    std::unique_ptr<QFile> file = OpenLocalFile(FromLocalPath(copy));
    if (file) Decode(file.get(), &facts);
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
                            FileIdentity source) {
  stop();
  if (!pictures || pictures->empty()) return;
  running_ = true;
  stop_ = std::make_shared<std::atomic<bool>>(false);
  const int generation = generation_;
  thread_ = std::thread(
      [this, stop = stop_, generation, pictures = std::move(pictures), sourcePath = std::move(sourcePath), source] {
        for (size_t row = 0; row < pictures->size() && !*stop; ++row) {
          PictureFacts facts = Examine((*pictures)[row], sourcePath, source);
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
