// SPDX-License-Identifier: Apache-2.0
#pragma once
// PictureRowDelegate: draws an entry of the picture list as two lines beside
// its icon (the thumbnail once it is loaded): the entry's own text, and under
// it, in the palette's quieter colour, what is known of the picture (type,
// size in pixels and bytes, or that it cannot be shown), kept in the item's
// kFactsRole.

#include <QStyledItemDelegate>

namespace kw::ui {

class PictureRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  static constexpr int kFactsRole = Qt::UserRole + 1;

  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace kw::ui
