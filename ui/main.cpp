// kwrecover-gui: the recovery wizard. An optional argument fills the file box.

#include <QApplication>

#include "ui/doc_frm.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  kw::ui::DocFrm wizard;
  if (app.arguments().size() > 1) wizard.setDocFileName(app.arguments().at(1));
  wizard.show();
  return app.exec();
}
