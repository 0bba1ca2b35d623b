// SPDX-License-Identifier: Apache-2.0
#include "ui/picture_row_delegate.h"

#include <QApplication>
#include <QPainter>

#include "ui/thumbnail_loader.h"

namespace kw::ui {

void PictureRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem row(option);
  initStyleOption(&row, index);
  const QString text = row.text;
  const QString facts = index.data(kFactsRole).toString();
  QStyle* style = row.widget ? row.widget->style() : QApplication::style();
  row.text.clear();  // background, selection and icon only
  style->drawControl(QStyle::CE_ItemViewItem, &row, painter, row.widget);

  row.text = text;
  const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &row, row.widget);
  const bool selected = row.state & QStyle::State_Selected;
  const QPalette& palette = row.palette;
  const int line = row.fontMetrics.height();
  const int top = area.top() + (area.height() - 2 * line) / 2;
  painter->save();
  painter->setFont(row.font);
  painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(QRect(area.left(), top, area.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                    row.fontMetrics.elidedText(text, Qt::ElideRight, area.width()));
  painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
  painter->drawText(QRect(area.left(), top + line, area.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                    row.fontMetrics.elidedText(facts, Qt::ElideRight, area.width()));
  painter->restore();
}

QSize PictureRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.setHeight(std::max({size.height(), 2 * option.fontMetrics.height() + 6, ThumbnailLoader::kThumbnailSize + 6}));
  return size;
}

}  // namespace kw::ui
