// SPDX-License-Identifier: Apache-2.0
// Run by the text job tests as a child process: starts a job (argument 2:
// the mode box) on the file named by argument 1, presses OK on the status
// window, then Close on the wizard while the job runs on. Prints "close NS"
// (steady clock) just before the close and "stopped" when the close has
// stopped the job; the process then ends as the last window has closed.

#include <QFile>
#include <QTest>
#include <chrono>
#include <cstdio>

#include "tests/ui/wizard_driver.h"
#include "ui/doc_frm.h"
#include "ui/doc_progress.h"

using namespace kw::uitest;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) return 2;
  kw::ui::DocFrm frm;
  Prepare(frm);
  GoToModes(frm, QFile::decodeName(argv[1]), argv[2]);
  OnModal<kw::ui::DocProgress>(
      [&](kw::ui::DocProgress* window) {
        Click(window, "CmdOK");
        if (!frm.jobRunning()) return;
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("close %lld\n", static_cast<long long>(std::chrono::nanoseconds(now).count()));
        std::fflush(stdout);
        Click(&frm, "CmdClose");
        std::printf("%s\n", frm.jobRunning() ? "still running" : "stopped");
        std::fflush(stdout);
      },
      [](kw::ui::DocProgress* window) { return window->started(); });
  Click(&frm, "CmdNext");
  return app.exec();
}
