#pragma once
// Step 4: the pictures an Image Recovery job found.
//
// LstPicture lists one entry per picture (the carvers' entry text, with the
// ImgICO icon). A click on an entry copies that picture out of the source
// document again into a new temporary file, shows it in WebBrowser1 and
// reads its height, width and depth into the dimension labels (GetPicInfo);
// an extraction that is refused shows its reason beside the preview. "Save
// picture..." and "Save all pictures..." copy pictures to files the user
// chooses, named after the entry's ImgName and ImgExt.

#include <QWidget>
#include <string>

#include "engine/job_host.h"
#include "engine/job_state.h"
#include "engine/status.h"

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kw {
struct ImageEntry;
}

namespace kw::ui {

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
  // height, width and depth; an unknown picture keeps the earlier values.
  void GetPicInfo(const QString& sPicName);

  QListWidget* LstPicture() const { return list_; }
  PictureView* WebBrowser1() const { return preview_; }

 private:
  void LstPicture_ListClick(QListWidgetItem* item);
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
  bool extracting_ = false;  // a click during a copy is ignored
  QString saveFolder_;
};

}  // namespace kw::ui
