// SPDX-License-Identifier: Apache-2.0
// Walks the real wizard through every step and saves a picture of each:
//   xvfb-run -s "-screen 0 1024x768x24" build/tools/kw_screenshot_tour OUTDIR SAMPLE.doc
// Not a test; it makes the README's screenshots.

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QProgressBar>
#include <QTest>

#include "tests/ui/wizard_driver.h"
#include "ui/doc_about.h"
#include "ui/doc_frm.h"
#include "ui/doc_progress.h"
#include "ui/help.h"
#include "ui/images_page.h"

using namespace kw::uitest;

namespace {

void Save(QWidget* widget, const QString& path) {
  QTest::qWait(150);  // let it paint
  widget->grab().save(path);
  qInfo("%s", qPrintable(path));
}

// A few colourful pictures inside junk, for the picture step.
QByteArray PictureDocument() {
  QByteArray bytes(3000, '\0');
  const QColor colours[] = {QColor(230, 120, 40), QColor(40, 140, 200), QColor(90, 170, 80)};
  for (int i = 0; i < 3; ++i) {
    QImage image(320, 220, QImage::Format_RGB32);
    image.fill(colours[i].lighter(150));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colours[i]);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(160, 110), 90 - i * 15, 90 - i * 15);
    p.end();
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, i == 2 ? "PNG" : "JPG");
    bytes += encoded + QByteArray(200, '\0');
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 3) {
    qWarning("usage: ui_screenshot_tour OUTDIR SAMPLE.doc");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const QString sample = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  QTemporaryDir temp;
  const QString pictures = WriteFile(temp, "report-with-pictures.doc", PictureDocument());

  kw::ui::DocFrm frm;
  frm.setJobStartDelay(400);
  frm.show();
  if (!QTest::qWaitForWindowExposed(&frm)) return 1;
  frm.setDocFileName(sample);
  Save(&frm, out.filePath("step1-document.png"));

  Click(&frm, "CmdNext");
  Click(&frm, "OptQuickMode");
  Save(&frm, out.filePath("step2-mode.png"));

  OnModal<kw::ui::DocProgress>([&](kw::ui::DocProgress* window) {
    auto* bar = window->findChild<QProgressBar*>("ProgReadDOC");
    bar->setRange(0, 100);
    bar->setValue(37);
    Save(window, out.filePath("status-window.png"));
  });
  Click(&frm, "CmdNext");
  while (frm.jobRunning()) QTest::qWait(20);
  Save(&frm, out.filePath("step3-text.png"));

  Click(&frm, "CmdNext");
  Save(&frm, out.filePath("step5-save.png"));

  Click(&frm, "CmdBack");
  Click(&frm, "CmdBack");
  Click(&frm, "CmdBack");
  frm.setDocFileName(pictures);
  Click(&frm, "CmdNext");
  Click(&frm, "OptImageMode");
  Click(&frm, "CmdNext");
  while (frm.jobRunning()) QTest::qWait(20);
  // The first picture is selected by itself; the thumbnails come from a thread.
  for (int i = 0; i < 100 && frm.findChild<kw::ui::ImagesPage*>()->thumbnailsDone() == false; ++i) QTest::qWait(20);
  Save(&frm, out.filePath("step4-pictures.png"));

  OnModal<kw::ui::DocAbout>([&](kw::ui::DocAbout* about) {
    Save(about, out.filePath("about.png"));
    about->accept();
  });
  frm.findChild<QAction*>("mnuAbout")->trigger();

  frm.setProgramDir(temp.path());  // no Help.chm there: the own help
  frm.findChild<QAction*>("mnuContents")->trigger();
  if (auto* help = frm.findChild<kw::ui::HelpWindow*>()) Save(help, out.filePath("help.png"));
  return 0;
}
