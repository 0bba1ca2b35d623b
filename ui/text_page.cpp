// SPDX-License-Identifier: Apache-2.0
#include "ui/text_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "base/text_preview.h"
#include "ui/damage_summary.h"
#include "ui/text_view.h"

namespace kw::ui {

TextPage::TextPage(QWidget* parent) : QWidget(parent), view_(new TextView(this)), damage_(new DamageSummary(this)) {
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
  layout->addWidget(damage_);
  layout->addWidget(view_, 1);
}

void TextPage::fill(std::string& sRecoveredText) {
  // The view takes the text over as it is; only the trimmed part is shown.
  const std::string_view trimmed = PreviewText(sRecoveredText);
  const size_t begin = trimmed.empty() ? 0 : static_cast<size_t>(trimmed.data() - sRecoveredText.data());
  view_->setUtf8(std::move(sRecoveredText), begin, begin + trimmed.size());
  view_->setEnabled(true);
  sRecoveredText = std::string();
}

void TextPage::clear() {
  view_->clear();
  damage_->clear();
}

}  // namespace kw::ui
