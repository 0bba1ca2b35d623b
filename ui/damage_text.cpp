// SPDX-License-Identifier: Apache-2.0
#include "ui/damage_text.h"

#include <QCoreApplication>

#include "base/damage_report.h"

namespace kw::ui {

namespace {
// The translation context of these lines.
struct DamageText {
  Q_DECLARE_TR_FUNCTIONS(DamageText)
};
}  // namespace

QString DamageSummaryLine(const DamageReport& report) {
  const qint64 places = static_cast<qint64>(report.entries().size()) + report.omitted();
  if (places == 0) return {};
  if (places == 1) return DamageText::tr("1 damaged place was skipped or cut.");
  return DamageText::tr("%1 damaged places were skipped or cut.").arg(places);
}

QStringList DamageDetailLines(const DamageReport& report) {
  QStringList lines;
  for (const Damage& d : report.entries()) {
    lines << DamageText::tr("offset %1, length %2, %3: %4")
                 .arg(d.offset)
                 .arg(d.length)
                 .arg(QString::fromStdString(d.reader), QString::fromStdString(d.reason));
  }
  if (report.omitted() == 1) lines << DamageText::tr("1 more damaged place is not listed.");
  if (report.omitted() > 1) lines << DamageText::tr("%1 more damaged places are not listed.").arg(report.omitted());
  return lines;
}

}  // namespace kw::ui
