// SPDX-License-Identifier: Apache-2.0
#include "ui/picture_row_delegate.h"

#include <QApplication>
#include <QPainter>

#include "ui/thumbnail_loader.h"

namespace kw::ui {

namespace {
constexpr int kPadding = 6;
}  // namespace

int PictureRowDelegate::CellWidth() { return ThumbnailLoader::kThumbnailSize + 2 * kPadding; }

void PictureRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem row(option);
  initStyleOption(&row, index);
  const QWidget* widget = row.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &row, painter, widget);

  const QRect area = row.rect;
  const QRect cell(area.left(), area.top(), CellWidth(), area.height());
  const qreal scale = widget ? widget->devicePixelRatioF() : qApp->devicePixelRatio();
  const QPixmap thumbnail =
      row.icon.pixmap(QSize(ThumbnailLoader::kThumbnailSize, ThumbnailLoader::kThumbnailSize), scale);
  if (!thumbnail.isNull()) {
    const QSize shown = thumbnail.deviceIndependentSize().toSize();
    const QPoint topLeft(cell.left() + (cell.width() - shown.width()) / 2,
                         cell.top() + (cell.height() - shown.height()) / 2);
    painter->drawPixmap(QRect(topLeft, shown), thumbnail);
  }

  const bool selected = row.state & QStyle::State_Selected;
  const QPalette& palette = row.palette;
  const QFontMetrics& metrics = row.fontMetrics;
  const int line = metrics.height();
  const QRect text(cell.right() + kPadding, area.top(), area.right() - cell.right() - 2 * kPadding, area.height());
  const int top = text.top() + (text.height() - 2 * line) / 2;
  painter->save();
  QFont nameFont = row.font;
  nameFont.setBold(true);
  painter->setFont(nameFont);
  painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  painter->drawText(QRect(text.left(), top, text.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                    QFontMetrics(nameFont).elidedText(row.text, Qt::ElideRight, text.width()));
  painter->setFont(row.font);
  painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
  painter->drawText(QRect(text.left(), top + line, text.width(), line), Qt::AlignLeft | Qt::AlignVCenter,
                    metrics.elidedText(index.data(kFactsRole).toString(), Qt::ElideRight, text.width()));
  // A line between the rows.
  painter->setPen(palette.color(QPalette::Midlight));
  painter->drawLine(area.bottomLeft(), area.bottomRight());
  painter->restore();
  if (row.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(row);
    focus.backgroundColor = palette.color(selected ? QPalette::Highlight : QPalette::Base);
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
  }
}

QSize PictureRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem row(option);
  initStyleOption(&row, index);
  QFont nameFont = row.font;
  nameFont.setBold(true);
  const int textWidth = std::max(QFontMetrics(nameFont).horizontalAdvance(row.text),
                                 row.fontMetrics.horizontalAdvance(index.data(kFactsRole).toString()));
  const int height = std::max(2 * row.fontMetrics.height(), ThumbnailLoader::kThumbnailSize) + 2 * kPadding;
  return {CellWidth() + 2 * kPadding + textWidth, height};
}

}  // namespace kw::ui
