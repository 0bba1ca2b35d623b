// SPDX-License-Identifier: Apache-2.0
#pragma once
// The wizard's wording of a job's damage report: the one-line summary on the
// preview step and one line per damaged place for the details window.

#include <QString>
#include <QStringList>

namespace kw {
class DamageReport;
}

namespace kw::ui {

// "1 damaged place was skipped or cut." / "n damaged places were skipped or
// cut."; empty for an empty report. Places beyond the listed ones count too.
QString DamageSummaryLine(const DamageReport& report);

// "offset N, length L, reader: reason" per entry (offsets in bytes from the
// start of the file), then a line for the places not listed, if any.
QStringList DamageDetailLines(const DamageReport& report);

}  // namespace kw::ui
