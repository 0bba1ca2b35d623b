// SPDX-License-Identifier: Apache-2.0
#include "ui/result_summary.h"

#include <QCoreApplication>

namespace kw::ui {

namespace {
// The translation context of these lines.
struct ResultSummary {
  Q_DECLARE_TR_FUNCTIONS(ResultSummary)
};
}  // namespace

QString TextSummaryLine(const TextStats& stats) {
  if (stats.characters == 0) return ResultSummary::tr("Nothing readable was found");
  const QString paragraphs = stats.paragraphs == 1
                                 ? ResultSummary::tr("1 paragraph")
                                 : ResultSummary::tr("%L1 paragraphs").arg(static_cast<qlonglong>(stats.paragraphs));
  const QString characters = stats.characters == 1
                                 ? ResultSummary::tr("1 character")
                                 : ResultSummary::tr("%L1 characters").arg(static_cast<qlonglong>(stats.characters));
  return ResultSummary::tr("Recovered %1 (%2)").arg(paragraphs, characters);
}

QString PictureSummaryLine(qsizetype pictures, qsizetype unshowable) {
  if (pictures == 0) return ResultSummary::tr("Nothing readable was found");
  QString line = pictures == 1 ? ResultSummary::tr("1 picture") : ResultSummary::tr("%L1 pictures").arg(pictures);
  if (unshowable > 0) line += ResultSummary::tr(", %L1 cannot be shown").arg(unshowable);
  return line;
}

}  // namespace kw::ui
