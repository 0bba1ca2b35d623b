// SPDX-License-Identifier: Apache-2.0
#pragma once
// The wizard's one-line summaries of what a job gave back, beside the fixed
// hint of each preview step: "Recovered N paragraphs (M characters)" for
// text, "4 pictures, 1 cannot be shown" for pictures, and "Nothing readable
// was found" when there is neither.

#include <QString>

#include "base/text_stats.h"

namespace kw::ui {

QString TextSummaryLine(const TextStats& stats);

// `unshowable` counts the pictures found so far that cannot be decoded.
QString PictureSummaryLine(qsizetype pictures, qsizetype unshowable);

}  // namespace kw::ui
