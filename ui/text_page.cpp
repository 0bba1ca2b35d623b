#include "ui/text_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "engine/text_preview.h"
#include "ui/text_view.h"

namespace kw::ui {

TextPage::TextPage(QWidget* parent) : QWidget(parent), view_(new TextView(this)) {
  auto* heading = new QLabel("Preview Recovered Document Text", this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  auto* hint = new QLabel("Unable to view the required content. Try Salvage Recovery mode.", this);
  hint->setObjectName("LblTextHint");
  view_->setObjectName("TxtRepairedDocContent");
  view_->setEnabled(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->addWidget(heading);
  layout->addWidget(hint);
  layout->addWidget(view_, 1);
}

void TextPage::fill(std::string& sRecoveredText) {
  const std::string_view trimmed = PreviewText(sRecoveredText);
  view_->setPlainText(QString::fromUtf8(trimmed.data(), static_cast<qsizetype>(trimmed.size())));
  view_->setEnabled(true);
  std::string().swap(sRecoveredText);  // empty, and give the memory back
}

void TextPage::clear() { view_->clear(); }

}  // namespace kw::ui
