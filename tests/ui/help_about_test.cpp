// SPDX-License-Identifier: Apache-2.0
// Help > Contents (own help, or Help.chm through the desktop), the web site
// link from the menu and the About window, and the About window itself.

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
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

  void aboutShowsVersionAndKeepsOpenOnTheLink() {
    DocFrm frm;
    Prepare(frm);
    QStringList seen;
    OnModal<kw::ui::DocAbout>([&](kw::ui::DocAbout* about) {
      seen << about->windowTitle() << about->findChild<QLabel*>("LblVersion")->text();
      seen << QString::number(
          bool(about->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
      auto* site = about->findChild<QLabel*>("LblSite");
      seen << site->text();
      Click(about, "LblSite");
      seen << QString::number(about->isVisible());
      Click(about, "CmdOK");
      seen << QString::number(about->isVisible());
    });
    frm.findChild<QAction*>("mnuAbout")->trigger();
    QCOMPARE(seen, QStringList({"About", "Version " KW_VERSION_MAJOR_MINOR " Build " KW_VERSION_BUILD, "0",
                                "https://www.example.com/kravelin/", "1", "0"}));
    QCOMPARE(urls_.opened, QList<QUrl>({QUrl("https://www.example.com/kravelin/")}));
  }

  void websiteMenuOpensTheSite() {
    DocFrm frm;
    Prepare(frm);
    frm.findChild<QAction*>("mnuKravelinSite")->trigger();
    QCOMPARE(urls_.opened, QList<QUrl>({QUrl("https://www.example.com/kravelin/")}));
    kw::ui::OpenWebLink(QString());  // an empty address is ignored
    QCOMPARE(urls_.opened.size(), 1);
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
    for (const char* topic : {"Quick Recovery", "Salvage Recovery", "Image Recovery", "kwrecover quick"}) {
      QVERIFY2(text.contains(topic), topic);
    }
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
