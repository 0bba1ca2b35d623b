// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 4: the pictures a job found (Image Recovery, or Deep Recovery of a
// package), whichever job it was.
//
// The list (LstPicture) shows one row per picture: its thumbnail, a name a
// person understands (a part's name, or "Picture 3, at byte 55,988" for a
// picture carved out of the file), its type and its size in pixels and in
// bytes, which a thread of its own finds out. The picture's record
// (PictureRowText) is each row's tooltip and accessible description. Above
// the list, one line counts the pictures ("Found (n) Images") and those
// that cannot be shown. The first picture is selected when the list
// appears, and the preview follows the selected row, whether the mouse or
// the keyboard selected it (a click on the selected row shows it again):
// the picture's temporary copy (PreviewCopies), shown in the picture view
// (WebBrowser1) with its height, width and depth. A picture that cannot be
// copied or shown blanks the preview, hides the dimensions and says why
// beside the preview, so what is on screen always belongs to the selected
// row. "Save picture..." saves the selected picture; it and "Save all
// pictures..." copy pictures to files the user chooses, named after the
// picture's name and extension, starting in the folder last saved to; "Save
// all" names each picture it could not save. Below, the job's damage
// summary. The preview's copy runs on the GUI thread: a picture is a few
// megabytes at most, copied inside the kernel.

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "base/output_file.h"
#include "base/picture_record.h"
#include "base/status.h"
#include "ui/preview_copies.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kw::ui {

class DamageSummary;
class PendingNote;
class PictureView;
class SavedFileRow;
class ThumbnailLoader;
struct PictureFacts;

class ImagesPage : public QWidget {
  Q_OBJECT
 public:
  explicit ImagesPage(QWidget* parent = nullptr);

  void clearList();
  // Lists a job's pictures and selects the first; `sourcePath` is the file
  // the job read and `source` its identity then, so that pictures are
  // copied from that file only.
  void setPictures(std::vector<PictureRecord> pictures, std::string sourcePath, FileIdentity source);
  // The count line ("Found (n) Images").
  void setFoundImages(const QString& text);
  // Shows the placeholder picture at `path` while no picture is selected.
  void showPlaceholder(const QString& path);
  // Reads the picture's header and shows its height, width and depth; for a
  // picture of unknown type they are hidden. Once GetPicInfo.
  void showPictureInfo(const QString& path);
  // Saves every picture into a folder the user chooses; true when all were.
  bool saveAllPictures();

  int pictureCount() const;
  // Number of pictures that cannot be shown, among those looked at so far,
  // and whether all have been looked at.
  int unshowableCount() const { return unshowable_; }
  bool thumbnailsDone() const;

  QListWidget* pictureList() const { return list_; }
  PictureView* pictureView() const { return preview_; }
  DamageSummary* damageSummary() const { return damage_; }
  PendingNote* pendingNote() const { return pending_; }

 signals:
  // Every picture of the list has been saved, by one button or the other.
  void allPicturesSaved();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The selected row's picture, or none.
  const PictureRecord* selectedPicture() const;
  // A click on a row: the name the list's click has always had.
  void LstPicture_ListClick(QListWidgetItem* item);
  void showSelected();
  // Blanks the preview and hides the dimensions; `reason` (may be empty)
  // goes beside the preview.
  void showNoPicture(const QString& reason);
  void showDimensions(bool shown);
  // The folder the save dialogs start in.
  QString saveFolder() const;
  void savePicture();
  void markSaved(size_t index);
  void updateButtons();
  void showFacts(int row, const PictureFacts& facts);
  void updateSummary();

  std::shared_ptr<const std::vector<PictureRecord>> pictures_;
  std::vector<bool> saved_;
  std::string sourcePath_;
  FileIdentity source_;
  PreviewCopies copies_;
  QListWidget* list_;
  QLabel* found_;
  QLabel* summary_;
  PendingNote* pending_;
  PictureView* preview_;
  QLabel* error_;
  QWidget* dimensions_;
  QLabel* height_;
  QLabel* width_;
  QLabel* depth_;
  QPushButton* save_;
  QPushButton* saveAll_;
  SavedFileRow* savedRow_;
  DamageSummary* damage_;
  ThumbnailLoader* thumbnails_;
  int unshowable_ = 0;
  QListWidgetItem* selectedAtPress_ = nullptr;
};

}  // namespace kw::ui
