// SPDX-License-Identifier: Apache-2.0
// kwrecover-gui: the recovery wizard. An optional argument fills the file box.

#include <QApplication>

#include "base/output_file.h"
#include "ui/doc_frm.h"
#include "ui/local_names.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kw::InstallOutputCleanup();  // a kill never leaves a half-written save or working file
  kw::ui::DocFrm wizard;
  // argv, not app.arguments(): those have lost the bytes of a name that is not
  // UTF-8. QApplication has taken its own options out of argv already.
  if (argc > 1) wizard.setDocFileName(kw::ui::FromLocalPath(argv[1]));
  wizard.show();
  return app.exec();
}
