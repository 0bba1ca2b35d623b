// SPDX-License-Identifier: Apache-2.0
#pragma once
// The text step's one-line summary of what a job gave back: "Recovered N
// paragraphs (M characters)", with " and P pictures" when it found pictures
// too, and "Nothing readable was found" when there is neither.

#include <QString>

#include "base/text_stats.h"

namespace kw::ui {

QString TextSummaryLine(const TextStats& stats, size_t pictures = 0);

}  // namespace kw::ui
