// SPDX-License-Identifier: Apache-2.0
#pragma once
// PictureView: the picture preview pane WebBrowser1.
//
// navigate() shows the picture in a local file, recognised by its content
// (the extracted files carry no picture extension): JPEG, PNG, BMP, and GIF
// (animated ones play). The picture is centred and shrunk to fit the pane
// without distortion; smaller pictures keep their size. A file that is none
// of these or cannot be decoded leaves the last picture on screen; clear()
// blanks the pane. A right click opens no menu.

#include <QFrame>
#include <QImage>
#include <QPixmap>
#include <memory>

class QFile;
class QMovie;

namespace kw::ui {

class PictureView : public QFrame {
  Q_OBJECT
 public:
  explicit PictureView(QWidget* parent = nullptr);
  ~PictureView() override;

  // True when the file was shown.
  bool navigate(const QString& path);
  void clear();

  // What is shown: the file, its format ("jpeg", "png", "gif", "bmp"; empty
  // while blank), its size in pixels and whether it is an animation.
  const QString& currentFile() const { return file_; }
  const QByteArray& format() const { return format_; }
  QSize pictureSize() const;
  bool isAnimated() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage currentFrame() const;

  QString file_;
  QByteArray format_;
  QImage still_;
  std::unique_ptr<QFile> movieFile_;  // what movie_ reads; outlives it
  std::unique_ptr<QMovie> movie_;
  mutable QPixmap scaled_;  // the current frame at its drawn size
  mutable qint64 scaledKey_ = -1;
};

}  // namespace kw::ui
