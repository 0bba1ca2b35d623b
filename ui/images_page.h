// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 4: the pictures an Image Recovery job found.
//
// LstPicture lists one entry per picture, with the ImgICO icon; an entry
// reads "  Image #" n "  >     " firstByte "|" lastByte "|" name "|" ext,
// for instance "  Image #3  >     512|980|Grid0|png". The preview follows the
// selected entry, whether the mouse or the keyboard selected it (a click on
// the selected entry shows it again): the picture is copied out of the job's
// source again into a new temporary file, shown in WebBrowser1, and its
// height, width and depth read into the dimension labels (GetPicInfo). A
// picture that cannot be copied or shown blanks the preview and the
// dimension values and says why beside the preview, so what is on screen
// always belongs to the selected entry. "Save picture..." saves the selected
// entry's picture; it and "Save all pictures..." copy pictures to files the
// user chooses, named after the picture's name and extension, starting in
// the folder last saved to; "Save all" names each picture it could not save.
// Below both, the job's damage summary. Beside each entry, once a thread of
// its own has looked at the picture, its thumbnail, type, size in pixels and
// in bytes; the summary line above the list counts the pictures and those
// that cannot be shown. The preview's copy runs on the GUI thread: a
// picture is a few megabytes at most, copied inside the kernel.

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "base/output_file.h"
#include "base/picture_record.h"
#include "base/status.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kw::ui {

class DamageSummary;
class PictureView;
class SavedFileRow;
class ThumbnailLoader;
struct PictureFacts;

class ImagesPage : public QWidget {
  Q_OBJECT
 public:
  explicit ImagesPage(QWidget* parent = nullptr);

  void clearList();
  // Lists a job's pictures; `sourcePath` is the file the job read and
  // `source` its identity then, so that pictures are copied from that file only.
  void setPictures(std::vector<PictureRecord> pictures, std::string sourcePath, FileIdentity source);
  void setFoundImages(const QString& text);
  void navigate(const QString& path);
  // Shows the dimension labels and, when the picture's type is known, its
  // height, width and depth; for an unknown picture the values stay empty.
  void GetPicInfo(const QString& sPicName);

  // Number of pictures that cannot be shown, among those looked at so far,
  // and whether all have been looked at.
  int unshowableCount() const { return unshowable_; }
  bool thumbnailsDone() const;

  QListWidget* LstPicture() const { return list_; }
  PictureView* WebBrowser1() const { return preview_; }
  DamageSummary* damageSummary() const { return damage_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The selected entry's picture, or none.
  const PictureRecord* selectedPicture() const;
  void LstPicture_ListClick(QListWidgetItem* item);
  void showSelected();
  // Blanks the preview and the dimension values; `reason` (may be empty)
  // goes beside the preview.
  void showNoPicture(const QString& reason);
  // The folder the save dialogs start in.
  QString saveFolder() const;
  void savePicture();
  void saveAllPictures();
  void updateButtons();
  void showFacts(int row, const PictureFacts& facts);
  void updateSummary();

  std::shared_ptr<const std::vector<PictureRecord>> pictures_;
  std::string sourcePath_;
  FileIdentity source_;
  QListWidget* list_;
  QLabel* found_;
  QLabel* summary_;
  PictureView* preview_;
  QLabel* error_;
  QLabel* heightH_;
  QLabel* height_;
  QLabel* widthH_;
  QLabel* width_;
  QLabel* depthH_;
  QLabel* depth_;
  QPushButton* save_;
  QPushButton* saveAll_;
  SavedFileRow* saved_;
  DamageSummary* damage_;
  ThumbnailLoader* thumbnails_;
  int unshowable_ = 0;
  QListWidgetItem* selectedAtPress_ = nullptr;
};

}  // namespace kw::ui
