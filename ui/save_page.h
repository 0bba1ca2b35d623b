// SPDX-License-Identifier: Apache-2.0
#pragma once
// Step 5: "Save Document". Saves the previewed text through a save dialog,
// as UTF-8 text (.txt) or as a Word document (.docx, one paragraph per
// line), each written whole beside the destination and then renamed over it;
// the document being recovered is never a destination (a warning says so).
// The button is enabled while there is text to save; pictures are saved on
// step 4. The dialog starts in the folder last saved to, else the
// document's; once saved, "Open" and "Show in folder" are offered.

#include <QWidget>
#include <functional>

class QPushButton;

namespace kw::ui {

class SavedFileRow;
class TextView;

class SavePage : public QWidget {
  Q_OBJECT
 public:
  // `source` is the preview whose text is saved; `sourcePath` gives the
  // document's path, to suggest a file name and to refuse it as destination.
  SavePage(const TextView* source, std::function<QString()> sourcePath, QWidget* parent = nullptr);

  // Saves the preview's text to `path`: ".docx" as a Word document,
  // anything else as UTF-8 text. Returns an empty text or what went wrong.
  QString saveTo(const QString& path) const;
  // What the button does (and File > Save Recovered Text); true when the
  // text was saved.
  bool saveText();
  bool canSave() const;
  // The step's default button, which Enter presses.
  QPushButton* saveButton() const { return save_; }

 signals:
  void textSaved();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const TextView* source_;
  std::function<QString()> sourcePath_;
  QPushButton* save_;
  SavedFileRow* result_;
};

}  // namespace kw::ui
