// SPDX-License-Identifier: Apache-2.0
#pragma once
// The recovery modes, in one table: each mode's word (the CLI's command and
// `--mode` value, the "mode" of a report) and its texts in the wizard's mode
// step. Every front reads its modes from here; a new mode is one row.
//
// The wizard's texts stay untranslated in the core: KW_TRANSLATE_NOOP marks
// them for the wizard's translation template (lupdate reads it as
// QT_TRANSLATE_NOOP), and the wizard translates them in kModeTextContext.

#include <array>
#include <optional>
#include <string_view>

#include "jobs/job.h"

// A text the wizard shows, marked for translation; the core keeps it as it is.
#define KW_TRANSLATE_NOOP(context, text) text

namespace kw {

// The translation context of the modes' texts.
inline constexpr const char* kModeTextContext = "RecoveryModes";

struct ModeEntry {
  JobMode mode;
  std::string_view word;    // "quick"
  const char* title;        // the wizard's title, with its mnemonic: "&Quick Recovery"
  const char* tag;          // beside the title, or empty
  const char* description;  // below the title
};

// In the order the wizard lists them: Quick, Image, Salvage, Deep.
inline constexpr std::array<ModeEntry, 4> kModes{{
    {JobMode::kQuick, "quick", KW_TRANSLATE_NOOP("RecoveryModes", "&Quick Recovery"),
     KW_TRANSLATE_NOOP("RecoveryModes", "[Recommended]"),
     KW_TRANSLATE_NOOP("RecoveryModes",
                       "This mode helps you recover text, pictures, charts, cliparts etc including formatting "
                       "from damaged Word document files.")},
    {JobMode::kImages, "images", KW_TRANSLATE_NOOP("RecoveryModes", "&Image Recovery"), "",
     KW_TRANSLATE_NOOP("RecoveryModes",
                       "This mode helps you salvage or retrieve all images, pictures etc from the damaged "
                       "Word document file.")},
    {JobMode::kSalvage, "salvage", KW_TRANSLATE_NOOP("RecoveryModes", "&Salvage Recovery"),
     KW_TRANSLATE_NOOP("RecoveryModes", "[For Heavily Corrupted Files]"),
     KW_TRANSLATE_NOOP("RecoveryModes",
                       "This mode helps you salvage or retrieve data from heavily damaged Word document files.")},
    {JobMode::kDeep, "deep", KW_TRANSLATE_NOOP("RecoveryModes", "&Deep Recovery"),
     KW_TRANSLATE_NOOP("RecoveryModes", "[Reads the Document's Own Structure]"),
     KW_TRANSLATE_NOOP("RecoveryModes",
                       "This mode reads a .doc or .docx file the way Word stores it and gives back its text in any "
                       "language, footnotes and headers included, and the pictures inside a .docx, even when parts "
                       "of the file are damaged.")},
}};

constexpr const ModeEntry& ModeEntryOf(JobMode mode) {
  for (const ModeEntry& entry : kModes) {
    if (entry.mode == mode) return entry;
  }
  return kModes[0];
}

// The mode of that word, if any.
constexpr std::optional<JobMode> ModeNamed(std::string_view word) {
  for (const ModeEntry& entry : kModes) {
    if (entry.word == word) return entry.mode;
  }
  return std::nullopt;
}

}  // namespace kw
