// SPDX-License-Identifier: Apache-2.0
// kwrecover-gui: the recovery wizard. An optional argument fills the file box.

#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/large_buffers.h"
#include "base/output_file.h"
#include "base/version.h"
#include "ui/doc_frm.h"
#include "ui/local_names.h"

namespace {

constexpr char kUsage[] =
    "Usage: kwrecover-gui [FILE]\n"
    "The recovery wizard: recovers text and pictures from a damaged Word document.\n"
    "\n"
    "  FILE           the document to recover; it fills the file box of the first step\n"
    "  -h, --help     show this help\n"
    "      --version  show the version\n"
    "The standard Qt options, such as -platform NAME and -style NAME, are accepted as well.\n";
constexpr char kVersion[] = "kwrecover-gui " KW_VERSION_MAJOR_MINOR " (build " KW_VERSION_BUILD ")\n";

// --help and --version print before any window (or display) is needed: the
// exit status, 0 or 1 when the text could not be written; -1 for neither.
int PrintedOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const bool help = std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0;
    if (!help && std::strcmp(argv[i], "--version") != 0) continue;
    if (std::fputs(help ? kUsage : kVersion, stdout) >= 0 && std::fflush(stdout) == 0) return 0;
    std::fprintf(stderr, "kwrecover-gui: Cannot write \"standard output\": %s.\n", std::strerror(errno));
    return 1;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int printed = PrintedOption(argc, argv); printed >= 0) return printed;
  QApplication app(argc, argv);
  kw::InstallOutputCleanup();  // a kill never leaves a half-written save or working file
  kw::ReturnLargeBuffersToSystem();
  kw::ui::DocFrm wizard;
  // argv, not app.arguments(): those have lost the bytes of a name that is not
  // UTF-8. QApplication has taken its own options out of argv already.
  if (argc > 1) wizard.setDocFileName(kw::ui::FromLocalPath(argv[1]));
  wizard.show();
  return app.exec();
}
