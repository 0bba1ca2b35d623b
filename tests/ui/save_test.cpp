// SPDX-License-Identifier: Apache-2.0
// Step 5: saving the previewed text as UTF-8 text and as a Word document,
// through the save dialog, without changing the step rules, and never onto
// the document being recovered.

#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "formats/docx/text/docx_recovery.h"
#include "tests/support/fake_host.h"
#include "tests/ui/wizard_driver.h"
#include "ui/doc_frm.h"
#include "ui/save_page.h"
#include "ui/text_view.h"

using namespace kw::uitest;
using kw::ui::DocFrm;

// Takes the desktop's openUrl() calls for file: URLs.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls << url; }
};

class SaveTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;

  // Runs a Quick job on a letter and moves on to step 5.
  void toSaveStep(DocFrm& frm) {
    const QString doc = WriteFile(dir_, "letter.doc", DocWithText("Dear caf\xE9 owner,\rbest <regards> & thanks"));
    Prepare(frm);
    GoToModes(frm, doc, "OptQuickMode");
    RunJob(frm);
    Click(&frm, "CmdNext");
    QCOMPARE(frm.currentStep(), 5);
  }

  void saveThroughDialog(DocFrm& frm, const QString& target) {
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      QVERIFY(dialog->selectedFiles().value(0).endsWith("letter-recovered.txt"));
      dialog->selectFile(target);
      static_cast<QDialog*>(dialog)->accept();
    });
    Click(&frm, "CmdSaveText");
  }

 private slots:
  void savesUtf8Text() {
    DocFrm frm;
    toSaveStep(frm);
    QVERIFY(frm.findChild<QPushButton*>("CmdSaveText")->isEnabled());
    const QString target = dir_.filePath("out.txt");
    saveThroughDialog(frm, target);
    const QString preview = frm.findChild<kw::ui::TextView*>("TxtRepairedDocContent")->toPlainText();
    QCOMPARE(ReadAll(target), preview.toUtf8());
    QVERIFY(ReadAll(target).contains("caf\xC3\xA9"));
    QVERIFY(frm.findChild<QLabel*>("LblSaveResult")->text().contains("out.txt"));
    // The step rules are untouched: the step's own button saves, Next has nowhere to go.
    QCOMPARE(frm.currentStep(), 5);
    QVERIFY(!frm.findChild<QPushButton*>("CmdNext")->isVisible());
    // Saved: nothing is asked on the way out.
    QVERIFY(!frm.unsavedResult().any());
  }

  void savedFileCanBeOpenedAndItsFolderIsRemembered() {
    QDir(dir_.path()).mkdir("kept");
    const QString target = dir_.filePath("kept/out.txt");
    {
      DocFrm frm;
      toSaveStep(frm);
      saveThroughDialog(frm, target);
      UrlCatcher catcher;
      QDesktopServices::setUrlHandler("file", &catcher, "open");
      auto* page = frm.findChild<kw::ui::SavePage*>();
      Click(page, "CmdOpenSaved");
      Click(page, "CmdShowSaved");
      QDesktopServices::unsetUrlHandler("file");
      QCOMPARE(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(target), QUrl::fromLocalFile(dir_.filePath("kept"))}));
    }
    // The next save starts where the last one went, Ctrl+S included.
    DocFrm frm;
    toSaveStep(frm);
    QString folder;
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      folder = dialog->directory().absolutePath();
      dialog->reject();
    });
    QTest::keyClick(&frm, Qt::Key_S, Qt::ControlModifier);
    QTRY_COMPARE(folder, dir_.filePath("kept"));
  }

  void savesAWordDocumentOneParagraphPerLine() {
    DocFrm frm;
    toSaveStep(frm);
    const QString target = dir_.filePath("out.docx");
    saveThroughDialog(frm, target);
    // Our own .docx recovery reads it back.
    kw::RecoveryJobState job;
    kw::test::FakeHost host;
    host.path = QFile::encodeName(target).toStdString();
    QVERIFY(kw::DocxRecovery(job, host).ok());
    const QString text = QString::fromStdString(job.sRecoveredText);
    QVERIFY2(text.contains(QString::fromUtf8("Dear caf\u00e9 owner,")), qPrintable(text));
    QVERIFY(text.contains("best <regards> & thanks"));
    QVERIFY(text.indexOf("owner,") < text.indexOf("best"));
  }

  void savingOntoTheSourceIsRefused() {
    DocFrm frm;
    toSaveStep(frm);
    const QString source = dir_.filePath("letter.doc");
    const QByteArray before = ReadAll(source);
    const QString link = dir_.filePath("letter-link.txt");
    QVERIFY(QFile::link(source, link));
    for (const QString& target : {source, link}) {
      const QString warning = SaveOverExisting(&frm, "CmdSaveText", target);
      QVERIFY2(warning.contains("letter.doc"), qPrintable(warning));
      QCOMPARE(ReadAll(source), before);
    }
  }

  void failedSaveIsReported() {
    DocFrm frm;
    toSaveStep(frm);
    auto* page = frm.findChild<kw::ui::SavePage*>();
    QVERIFY(page->saveTo(dir_.filePath("missing/out.txt")).contains("missing/out.txt"));
    QVERIFY(page->saveTo(dir_.filePath("missing/out.docx")).contains("missing/out.docx"));
  }

  void nothingToSaveAfterAPictureJob() {
    DocFrm frm;
    Prepare(frm);
    frm.setDocFileName(WriteFile(dir_, "none.doc", DocWithText("")));
    Click(&frm, "CmdNext");
    Click(&frm, "OptImageMode");
    ClickStepHeader(frm, 5);
    QVERIFY(!frm.findChild<QPushButton*>("CmdSaveText")->isEnabled());
  }
};

QTEST_MAIN(SaveTest)
#include "save_test.moc"
