// SPDX-License-Identifier: Apache-2.0
#include "ui/text_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QVBoxLayout>
#include <utility>

#include "base/text_preview.h"
#include "ui/damage_summary.h"
#include "ui/find_bar.h"
#include "ui/pending_note.h"
#include "ui/text_view.h"

namespace kw::ui {

TextPage::TextPage(QWidget* parent)
    : QWidget(parent),
      view_(new TextView(this)),
      hint_(new QLabel(tr("Unable to view the required content. Try Salvage Recovery mode."), this)),
      summary_(new QLabel(this)),
      pending_(new PendingNote(this)),
      damage_(new DamageSummary(this)),
      findBar_(new FindBar(view_, this)) {
  auto* heading = new QLabel(tr("Preview Recovered Document &Text"), this);
  QFont bold = heading->font();
  bold.setBold(true);
  heading->setFont(bold);
  heading->setBuddy(view_);
  hint_->setObjectName("LblTextHint");
  hint_->hide();
  view_->setObjectName("TxtRepairedDocContent");
  view_->setAccessibleName(tr("Recovered text"));
  view_->setAccessibleDescription(tr("The text recovered from the document; it can be read, selected and copied"));
  view_->setEnabled(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(18, 14, 18, 14);
  layout->addWidget(heading);
  summary_->setObjectName("LblTextSummary");
  auto* hintRow = new QHBoxLayout;
  hintRow->addWidget(summary_);
  hintRow->addStretch();
  hintRow->addWidget(hint_);
  layout->addLayout(hintRow);
  layout->addWidget(pending_);
  layout->addWidget(damage_);
  layout->addWidget(view_, 1);
  layout->addWidget(findBar_);

  // Find works in the whole window while this page is shown (a shortcut of
  // a hidden widget does not fire).
  const auto addShortcut = [this](const QKeySequence& keys, void (FindBar::*slot)()) {
    auto* shortcut = new QShortcut(keys, this, findBar_, slot);
    shortcut->setContext(Qt::WindowShortcut);
  };
  addShortcut(QKeySequence::Find, &FindBar::open);
  addShortcut(QKeySequence::FindNext, &FindBar::findNext);
  addShortcut(QKeySequence::FindPrevious, &FindBar::findPrevious);
}

void TextPage::fill(TextBuffer text) {
  // The view takes the text over as it is; only the trimmed part is shown.
  const std::string_view bytes = text.bytes();
  const std::string_view trimmed = PreviewText(bytes);
  const size_t begin = trimmed.empty() ? 0 : static_cast<size_t>(trimmed.data() - bytes.data());
  view_->setText(std::move(text), begin, begin + trimmed.size());
  view_->setEnabled(true);
}

void TextPage::setSummary(const QString& text) { summary_->setText(text); }

void TextPage::showSalvageHint(bool shown) { hint_->setVisible(shown); }

void TextPage::clear() {
  view_->clear();
  summary_->clear();
  hint_->hide();
  damage_->clear();
}

}  // namespace kw::ui
