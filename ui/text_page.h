#pragma once
// Step 3: the recovered text. TxtRepairedDocContent is a read-only viewer
// (select and copy work) that starts disabled and empty. fill() moves a
// job's result into it, trimmed of spaces, enables it for good and empties
// the job's text; clear() empties it and leaves it enabled or not.

#include <QWidget>
#include <string>

namespace kw::ui {

class TextView;

class TextPage : public QWidget {
  Q_OBJECT
 public:
  explicit TextPage(QWidget* parent = nullptr);

  void fill(std::string& sRecoveredText);
  void clear();
  TextView* TxtRepairedDocContent() const { return view_; }

 private:
  TextView* view_;
};

}  // namespace kw::ui
