// SPDX-License-Identifier: Apache-2.0
// Run by the picture tests as a child process, with a TMPDIR of their own:
// Image Recovery of the file named by argument 1, whose first picture the
// preview then shows (and so copies). Prints "folder PATH" (the folder of
// the copies); then, by argument 2, "exit" closes the wizard (discarding
// its result) and ends normally once a line comes on its input (the test
// has looked at the copies by then), "wait" waits to be stopped by a signal.

#include <QFile>
#include <QTest>
#include <cstdio>

#include "tests/ui/wizard_driver.h"
#include "ui/doc_frm.h"
#include "ui/preview_copies.h"

using namespace kw::uitest;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) return 2;
  kw::ui::DocFrm frm;
  Prepare(frm);
  GoToModes(frm, QFile::decodeName(argv[1]), "OptImageMode");
  RunJob(frm);
  std::printf("folder %s\n", kw::ui::PreviewCopies::Folder().c_str());
  std::fflush(stdout);
  if (QByteArray(argv[2]) == "exit") {
    char line[8];
    if (std::fgets(line, sizeof line, stdin) == nullptr) return 3;
    AnswerDiscard(QMessageBox::Discard);
    frm.close();
    return frm.isVisible() ? 1 : 0;
  }
  return app.exec();
}
