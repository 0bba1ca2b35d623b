// SPDX-License-Identifier: Apache-2.0
#include "ui/damage_summary.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "ui/damage_details.h"
#include "ui/damage_text.h"

namespace kw::ui {

DamageSummary::DamageSummary(QWidget* parent)
    : QWidget(parent),
      cancelled_(new QLabel(tr("Cancelled: what was recovered so far is shown."), this)),
      line_(new QLabel(this)),
      details_(new QPushButton(tr("&Details..."), this)) {
  details_->setToolTip(tr("List every damaged place: offset, length, reader and reason"));
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
  cancelled_->setObjectName("LblCancelled");
  line_->setObjectName("LblDamage");
  details_->setObjectName("CmdDamageDetails");
  connect(details_, &QPushButton::clicked, this, &DamageSummary::showDetails);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(icon);
  layout->addWidget(cancelled_);
  layout->addWidget(line_);
  layout->addWidget(details_);
  layout->addStretch();
  clear();
}

void DamageSummary::setReport(const DamageReport& report, bool cancelled) {
  report_ = report;
  cancelled_->setVisible(cancelled);
  line_->setText(DamageSummaryLine(report_));
  line_->setVisible(!report_.empty());
  details_->setVisible(!report_.empty());
  setVisible(cancelled || !report_.empty());
}

void DamageSummary::showDetails() {
  DamageDetails details(report_, window());
  details.exec();
}

}  // namespace kw::ui
