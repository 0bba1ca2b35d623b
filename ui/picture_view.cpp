// SPDX-License-Identifier: Apache-2.0
#include "ui/picture_view.h"

#include <QFile>
#include <QImageReader>
#include <QMovie>
#include <QPainter>

#include "ui/local_names.h"

namespace kw::ui {

PictureView::PictureView(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setContextMenuPolicy(Qt::PreventContextMenu);
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
  setMinimumSize(160, 120);
}

PictureView::~PictureView() = default;

bool PictureView::navigate(const QString& path) {
  std::unique_ptr<QFile> file = OpenLocalFile(path);
  if (!file) return false;
  QImageReader probe(file.get());
  probe.setDecideFormatFromContent(true);
  const QByteArray format = probe.format();
  if (format == "gif") {
    if (!file->seek(0)) return false;
    auto movie = std::make_unique<QMovie>(file.get(), QByteArray("gif"));
    if (!movie->isValid() || !movie->jumpToFrame(0) || movie->currentImage().isNull()) {
      return false;
    }
    movie_ = std::move(movie);
    movieFile_ = std::move(file);
    still_ = QImage();
    connect(movie_.get(), &QMovie::frameChanged, this, [this] { update(); });
    if (movie_->frameCount() != 1) movie_->start();
  } else if (format == "jpeg" || format == "png" || format == "bmp") {
    QImage image = probe.read();
    if (image.isNull()) return false;
    movie_.reset();
    movieFile_.reset();
    still_ = std::move(image);
  } else {
    return false;
  }
  file_ = path;
  format_ = format;
  scaledKey_ = -1;
  update();
  return true;
}

void PictureView::clear() {
  movie_.reset();
  movieFile_.reset();
  still_ = QImage();
  file_.clear();
  format_.clear();
  scaledKey_ = -1;
  update();
}

QSize PictureView::pictureSize() const { return currentFrame().size(); }

bool PictureView::isAnimated() const { return movie_ && movie_->frameCount() != 1; }

QImage PictureView::currentFrame() const { return movie_ ? movie_->currentImage() : still_; }

void PictureView::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  const QImage frame = currentFrame();
  if (frame.isNull()) return;
  const QRect area = contentsRect().adjusted(4, 4, -4, -4);
  QSize size = frame.size();
  if (size.width() > area.width() || size.height() > area.height()) {
    size.scale(area.size(), Qt::KeepAspectRatio);
  }
  if (size.isEmpty()) return;
  const qint64 key = frame.cacheKey() ^ (qint64(size.width()) << 32) ^ size.height();
  if (key != scaledKey_) {
    scaled_ = QPixmap::fromImage(
        size == frame.size() ? frame : frame.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    scaledKey_ = key;
  }
  QPainter painter(this);
  const QPoint topLeft(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
  painter.drawPixmap(topLeft, scaled_);
}

}  // namespace kw::ui
