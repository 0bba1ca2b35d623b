// SPDX-License-Identifier: Apache-2.0
#include "ui/unsaved_result.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "ui/app_info.h"

namespace kw::ui {

namespace {
// The translation context of the question.
struct UnsavedResultTexts {
  Q_DECLARE_TR_FUNCTIONS(UnsavedResult)
};
}  // namespace

void UnsavedResult::set(const QString& document, bool text, bool pictures) {
  document_ = QFileInfo(document).fileName();
  text_ = text;
  pictures_ = pictures;
}

QMessageBox::StandardButton UnsavedResult::ask(QWidget* parent) const {
  const QString question = text_ && pictures_ ? UnsavedResultTexts::tr("Discard the recovered text and pictures of %1?")
                           : text_            ? UnsavedResultTexts::tr("Discard the recovered text of %1?")
                                              : UnsavedResultTexts::tr("Discard the recovered pictures of %1?");
  QMessageBox box(QMessageBox::Warning, kWindowTitle, question.arg(document_),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setObjectName("DiscardQuestion");
  box.setInformativeText(UnsavedResultTexts::tr("The result has not been saved."));
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace kw::ui
