// SPDX-License-Identifier: Apache-2.0
// Help > Contents (own help, or Help.chm through the desktop), which
// describes the program as it is, and the About window, which links to no
// web page (the product has none).

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>

#include "base/version.h"
#include "tests/ui/wizard_driver.h"
#include "ui/doc_about.h"
#include "ui/doc_frm.h"
#include "ui/help.h"

using namespace kw::uitest;
using kw::ui::DocFrm;

// Stands in for the desktop's URL handlers.
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

class HelpAboutTest : public QObject {
  Q_OBJECT
 private:
  UrlRecorder urls_;

 private slots:
  void initTestCase() {
    for (const char* scheme : {"https", "http", "file"}) {
      QDesktopServices::setUrlHandler(scheme, &urls_, "open");
    }
  }
  void cleanupTestCase() {
    for (const char* scheme : {"https", "http", "file"}) QDesktopServices::unsetUrlHandler(scheme);
  }
  void init() { urls_.opened.clear(); }

  void aboutShowsTheVersionAndNoLink() {
    DocFrm frm;
    Prepare(frm);
    QStringList seen;
    OnModal<kw::ui::DocAbout>([&](kw::ui::DocAbout* about) {
      seen << about->windowTitle() << about->findChild<QLabel*>("LblVersion")->text();
      seen << QString::number(
          bool(about->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
      for (QLabel* label : about->findChildren<QLabel*>()) {
        if (label->text().contains("http")) seen << label->text();
      }
      Click(about, "CmdOK");
      seen << QString::number(about->isVisible());
    });
    frm.findChild<QAction*>("mnuAbout")->trigger();
    QCOMPARE(seen, QStringList({"About", "Version " KW_VERSION_MAJOR_MINOR " Build " KW_VERSION_BUILD, "0", "0"}));
    // Nor does the Help menu.
    QStringList help;
    for (QAction* action : frm.findChild<QMenu*>("mnuHelp")->actions()) help << action->text();
    QCOMPARE(help, QStringList({"&Contents", "", "&About"}));
    QVERIFY(urls_.opened.isEmpty());
  }

  void contentsShowOwnHelpWithoutHelpFile() {
    QTemporaryDir programDir;
    DocFrm frm;
    frm.setProgramDir(programDir.path());
    Prepare(frm);
    frm.findChild<QAction*>("mnuContents")->trigger();
    auto* help = frm.findChild<kw::ui::HelpWindow*>();
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    const QString text = help->findChild<QTextBrowser*>("HelpBrowser")->toPlainText();
    // The program as it is: four modes, Cancel, pictures in packages, damage, the command line and batches.
    for (const char* topic : {"four recovery modes", "Quick Recovery", "Salvage Recovery", "Image Recovery",
                              "Deep Recovery", "Cancel", "pictures inside its package", "Details...", "kwrecover quick",
                              "kwrecover deep", "kwrecover batch", "--report"}) {
      QVERIFY2(text.contains(topic), topic);
    }
    QVERIFY(!text.contains("three recovery modes"));
    QVERIFY(QApplication::activeModalWidget() == nullptr);  // no message
    frm.findChild<QAction*>("mnuContents")->trigger();
    QCOMPARE(frm.findChildren<kw::ui::HelpWindow*>().size(), 1);
    QVERIFY(urls_.opened.isEmpty());
  }

  void contentsOpenTheHelpFileBesideTheProgram() {
    QTemporaryDir programDir;
    WriteFile(programDir, "Help.chm", "ITSF");
    DocFrm frm;
    frm.setProgramDir(programDir.path());
    Prepare(frm);
    frm.findChild<QAction*>("mnuContents")->trigger();
    QCOMPARE(urls_.opened, QList<QUrl>({QUrl::fromLocalFile(programDir.filePath("Help.chm"))}));
    QVERIFY(frm.findChild<kw::ui::HelpWindow*>() == nullptr);
  }
};

QTEST_MAIN(HelpAboutTest)
#include "help_about_test.moc"
