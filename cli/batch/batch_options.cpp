// SPDX-License-Identifier: Apache-2.0
#include "cli/batch/batch_options.h"

#include <charconv>

#include "base/message_text.h"
#include "jobs/job_modes.h"

namespace kw::cli {

namespace {

// "--name VALUE" or "--name=VALUE": the value, advancing *i past it.
std::optional<std::string> ValueOf(const std::vector<std::string>& args, size_t* i, std::string_view name,
                                   bool* matched) {
  const std::string_view arg = args[*i];
  *matched = false;
  if (arg == name) {
    *matched = true;
    if (*i + 1 >= args.size()) return std::nullopt;
    return args[++*i];
  }
  if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
    *matched = true;
    return std::string(arg.substr(name.size() + 1));
  }
  return std::nullopt;
}

}  // namespace

std::optional<BatchOptions> ParseBatchOptions(const std::vector<std::string>& args, std::string* error) {
  const auto fail = [error](std::string message) {
    *error = std::move(message);
    return std::optional<BatchOptions>();
  };
  BatchOptions options;
  bool optionsEnded = false;
  bool outGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.inputs.emplace_back(arg);
      continue;
    }
    bool matched = false;
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--pictures") {
      options.pictures = true;
    } else if (arg == "--resume") {
      options.resume = true;
    } else if (auto out = ValueOf(args, &i, "--out", &matched); matched) {
      if (!out || out->empty()) return fail("--out needs a folder");
      options.outDir = *out;
      outGiven = true;
    } else if (auto mode = ValueOf(args, &i, "--mode", &matched); matched) {
      const auto parsed = mode ? ModeNamed(*mode) : std::nullopt;
      if (!parsed || *parsed == JobMode::kImages) return fail("--mode is deep, quick or salvage");
      options.mode = *parsed;
    } else if (auto jobs = ValueOf(args, &i, "--jobs", &matched); matched) {
      unsigned n = 0;
      const char* end = jobs ? jobs->data() + jobs->size() : nullptr;
      if (!jobs || jobs->empty() || std::from_chars(jobs->data(), end, n).ptr != end || n == 0) {
        return fail("--jobs needs a number from 1 up");
      }
      options.jobs = n;
    } else {
      return fail("unknown option of batch " + Escaped(arg));
    }
  }
  if (options.help) return options;
  if (options.inputs.empty()) return fail("the batch command needs at least one file or folder");
  for (const std::string& input : options.inputs) {
    if (input.empty()) return fail("a file or folder name is empty");
  }
  if (!outGiven) return fail("the batch command needs --out OUTDIR");
  return options;
}

std::string BatchUsageText() {
  return "Usage: kwrecover batch PATH... --out OUTDIR [--mode deep|quick|salvage] [--jobs N]\n"
         "                       [--pictures] [--resume]\n"
         "Recovers every regular file under the given files and folders (symbolic links are\n"
         "never followed), N at a time (default: one per core, at most 16).\n"
         "\n"
         "  --out OUTDIR   where everything is written; it must be new or empty (unless\n"
         "                 --resume), and may not be inside an input folder nor hold an input\n"
         "  --mode MODE    deep (default), quick or salvage\n"
         "  --jobs N       recover N files at a time\n"
         "  --pictures     also write each file's pictures\n"
         "  --resume       go on with an interrupted batch in OUTDIR: files whose text is\n"
         "                 there and not empty are skipped, the others (errors included)\n"
         "                 are redone, and their lines are appended to the report (the\n"
         "                 last line of a path counts); what a killed run left is removed\n"
         "\n"
         "Layout: a file is named by its path below the PATH it was found under, starting\n"
         "with that PATH's own last component (batch ~/a/letters gives letters/2024/x.doc).\n"
         "  OUTDIR/letters/2024/x.doc.txt          the text, UTF-8, CR LF line breaks\n"
         "  OUTDIR/letters/2024/x.doc.pictures/    its pictures (--pictures)\n"
         "  OUTDIR/report.jsonl                    one JSON line per file recovered\n"
         "A text appears only once complete (renamed from a hidden temporary file beside it),\n"
         "never over a file nor through a symbolic link. Files that would need the same name,\n"
         "and a second batch into an OUTDIR in use, are refused before any work.\n"
         "\n"
         "Exit status: 0 every file was recovered, 1 some could not be read (the others were\n"
         "still recovered; see the report), 2 usage error.\n";
}

}  // namespace kw::cli
