#pragma once
// Step 4: the pictures an Image Recovery job found.
//
// LstPicture lists one entry per picture (the carvers' entry text, with the
// ImgICO icon). The preview follows the selected entry, whether the mouse or
// the keyboard selected it (a click on the selected entry shows it again):
// the picture is copied out of the source document again into a new
// temporary file, shown in WebBrowser1, and its height, width and depth read
// into the dimension labels (GetPicInfo). A picture that cannot be copied or
// shown blanks the preview and the dimension values and says why beside the
// preview, so what is on screen always belongs to the selected entry.
// "Save picture..." saves the selected entry's picture; it and "Save all
// pictures..." copy pictures to files the user chooses, named after the
// entry's ImgName and ImgExt. Below both, the job's damage summary.

#include <QWidget>
#include <string>

#include "base/job_host.h"
#include "base/job_state.h"
#include "base/status.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kw {
struct ImageEntry;
}

namespace kw::ui {

class DamageSummary;
class PictureView;

class ImagesPage : public QWidget {
  Q_OBJECT
 public:
  ImagesPage(RecoveryJobState& job, const WizardInputs& inputs, QWidget* parent = nullptr);

  void clearList();
  void addEntry(const QString& text);
  void setFoundImages(const QString& text);
  void navigate(const QString& path);
  // Shows the dimension labels and, when the picture's type is known, its
  // height, width and depth; for an unknown picture the values stay empty.
  void GetPicInfo(const QString& sPicName);

  // True while a picture is being copied (the copy lets window events run).
  bool copying() const { return extracting_; }

  QListWidget* LstPicture() const { return list_; }
  PictureView* WebBrowser1() const { return preview_; }
  DamageSummary* damageSummary() const { return damage_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QListWidgetItem* selectedEntry() const;
  void LstPicture_ListClick(QListWidgetItem* item);
  // Shows the selected entry's picture, again for each entry selected while
  // a copy runs, until the preview has caught up with the selection.
  void showSelected();
  void showEntry(const QString& text);
  // After a save: catches up with a selection made while it ran.
  void endSave();
  // Blanks the preview and the dimension values; `reason` (may be empty)
  // goes beside the preview.
  void showNoPicture(const QString& reason);
  void savePicture();
  void saveAllPictures();
  void updateButtons();
  // Copies the entry's picture into a new temporary file.
  Status extract(const ImageEntry& entry, std::string* path);

  RecoveryJobState& job_;
  const WizardInputs& inputs_;
  QListWidget* list_;
  QLabel* found_;
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
  DamageSummary* damage_;
  bool extracting_ = false;       // a copy runs (it lets window events run)
  bool selectionMissed_ = false;  // the selection changed during a copy
  QListWidgetItem* selectedAtPress_ = nullptr;
  QString saveFolder_;
};

}  // namespace kw::ui
