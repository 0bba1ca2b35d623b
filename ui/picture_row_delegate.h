// SPDX-License-Identifier: Apache-2.0
#pragma once
// PictureRowDelegate: draws an entry of the picture list as a row people can
// read: the thumbnail (or the picture symbol until it is loaded) centred in
// a cell of the same width on every row, and beside it two lines: the
// picture's name (the item's text) and, in the palette's quieter colour,
// what is known of it (type, size in pixels and bytes, or that it cannot be
// shown), kept in the item's kFactsRole. A line parts the rows.

#include <QStyledItemDelegate>

namespace kw::ui {

class PictureRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static constexpr int kFactsRole = Qt::UserRole + 1;
  // The picture's record as a line (PictureRowText).
  static constexpr int kRecordRole = Qt::UserRole + 2;

  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The width of the thumbnail cell.
  static int CellWidth();
};

}  // namespace kw::ui
