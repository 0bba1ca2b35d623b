// SPDX-License-Identifier: Apache-2.0
#include "cli/command_table.h"

#include <array>

#include "cli/batch/batch_command.h"
#include "cli/images_command.h"
#include "cli/info_command.h"
#include "cli/text_command.h"
#include "jobs/job_modes.h"

namespace kw::cli {

namespace {

template <JobMode mode>
std::unique_ptr<Command> MakeText() {
  return std::make_unique<TextCommand>(mode);
}

template <typename C>
std::unique_ptr<Command> Make() {
  return std::make_unique<C>();
}

const std::array<CommandEntry, 6> kCommands{{
    {.word = ModeEntryOf(JobMode::kQuick).word,
     .help = "quick   FILE [-o OUT]      Quick Recovery: the text of a Word file\n"
             "                             (a path containing \".docx\" reads the package's main document)\n",
     .output = true,
     .report = true,
     .make = MakeText<JobMode::kQuick>},
    {.word = ModeEntryOf(JobMode::kSalvage).word,
     .help = "salvage FILE [-o OUT]      Salvage Recovery: plain text dug out of a heavily damaged file\n",
     .output = true,
     .report = true,
     .make = MakeText<JobMode::kSalvage>},
    {.word = ModeEntryOf(JobMode::kDeep).word,
     .help = "deep    FILE [-o OUT] [--pictures DIR [--force]]\n"
             "                             Deep Recovery: the text of a .doc or .docx read through its own\n"
             "                             structure, surviving damage; --pictures writes its pictures\n"
             "                             and embedded files to DIR\n",
     .output = true,
     .pictures = true,
     .report = true,
     .make = MakeText<JobMode::kDeep>},
    {.word = ModeEntryOf(JobMode::kImages).word,
     .help = "images  FILE [--extract DIR [--force]]\n"
             "                             Image Recovery: lists the JPEG and PNG pictures in any file;\n"
             "                             --extract writes them to DIR, --force overwrites files there\n",
     .extract = true,
     .report = true,
     .make = Make<ImagesCommand>},
    {.word = "info",
     .help = "info    PICTURE            Format, width, height and depth of a picture file\n",
     .make = Make<InfoCommand>},
    {.word = "batch",
     .help = "batch   PATH... --out OUTDIR [--mode deep|quick|salvage] [--jobs N] [--pictures] [--resume]\n"
             "                             Recovers every file under the given files and folders into\n"
             "                             OUTDIR/<name below PATH, with PATH's last component>.txt, with a\n"
             "                             report.jsonl line per file (kwrecover batch --help for more)\n",
     .ownOptions = true,
     .make = Make<BatchCommand>},
}};

}  // namespace

std::span<const CommandEntry> Commands() { return kCommands; }

const CommandEntry* FindCommand(std::string_view word) {
  for (const CommandEntry& command : kCommands) {
    if (command.word == word) return &command;
  }
  return nullptr;
}

}  // namespace kw::cli
