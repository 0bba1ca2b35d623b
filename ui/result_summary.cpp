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

QString TextSummaryLine(const TextStats& stats, size_t pictures) {
  const QString found = pictures == 1 ? ResultSummary::tr("1 picture")
                                      : ResultSummary::tr("%L1 pictures").arg(static_cast<qulonglong>(pictures));
  if (stats.characters == 0) {
    return pictures == 0 ? ResultSummary::tr("Nothing readable was found")
                         : ResultSummary::tr("No text was found, but %1").arg(found);
  }
  const QString paragraphs = stats.paragraphs == 1
                                 ? ResultSummary::tr("1 paragraph")
                                 : ResultSummary::tr("%L1 paragraphs").arg(static_cast<qlonglong>(stats.paragraphs));
  const QString characters = stats.characters == 1
                                 ? ResultSummary::tr("1 character")
                                 : ResultSummary::tr("%L1 characters").arg(static_cast<qlonglong>(stats.characters));
  const QString text = ResultSummary::tr("Recovered %1 (%2)").arg(paragraphs, characters);
  return pictures == 0 ? text : ResultSummary::tr("%1 and %2").arg(text, found);
}

}  // namespace kw::ui
