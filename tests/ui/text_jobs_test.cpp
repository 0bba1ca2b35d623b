// SPDX-License-Identifier: Apache-2.0
// Text jobs from Next on step 2 to the filled preview, through the real
// status window: Quick, Salvage and .docx jobs, OK before the first tick and
// during a job, closing the wizard during a job, a source that cannot be read.

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>

#include "formats/docx/zip/docx_writer.h"
#include "tests/deep_doc/doc_builder.h"
#include "tests/ui/wizard_driver.h"
#include "ui/doc_frm.h"
#include "ui/doc_progress.h"
#include "ui/text_page.h"
#include "ui/text_view.h"

using namespace kw::uitest;
using kw::ui::DocFrm;
using kw::ui::DocProgress;

namespace {
QString Preview(DocFrm& frm) { return frm.findChild<kw::ui::TextView*>("TxtRepairedDocContent")->toPlainText(); }
QString Summary(DocFrm& frm) { return frm.findChild<QLabel*>("LblTextSummary")->text(); }
}  // namespace

class TextJobsTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;

  // A Word 97-2003 file with 48 MiB of text: big enough that its job still
  // runs when the status window's buttons are pressed.
  QString BigDoc(const QString& name) {
    QByteArray text(48 << 20, 'a');
    for (qsizetype i = 99; i < text.size(); i += 100) text[i] = '\r';
    return WriteFile(dir_, name, DocWithText(text));
  }

 private slots:
  void quickJobFillsThePreview() {
    const QString doc = WriteFile(dir_, "letter.doc", DocWithText("  Dear caf\xE9\r  owner  "));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc, "OptQuickMode");

    // The status window as the job starts: a close button (which cancels), no minimise or maximise.
    QStringList seen;
    OnModal<DocProgress>([&](DocProgress* window) {
      seen << window->windowTitle() << window->findChild<QLabel*>("LblStatus")->text();
      const Qt::WindowFlags flags = window->windowFlags();
      seen << QString::number(bool(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
      seen << QString::number(bool(flags & Qt::WindowCloseButtonHint));
      seen << QString::number(window->parentWidget() == &frm);
      seen << QString::number(window->findChild<QPushButton*>("CmdOK")->isEnabled());
      seen << QString::number(window->findChild<QProgressBar*>("ProgReadDOC")->isTextVisible());
      seen << window->findChild<QProgressBar*>("ProgReadDOC")->accessibleName();
    });
    RunJob(frm);
    QCOMPARE(seen, QStringList({"Document Repair Status", "Analyzing document structure &  problem area...", "0", "1",
                                "1", "1", "1", "Recovery progress"}));
    QCOMPARE(frm.currentStep(), 3);
    // Trimmed of spaces only: the leading line break stays.
    QCOMPARE(Preview(frm), QString::fromUtf8("\r\n  Dear caf\u00e9\r\n  owner"));
    QVERIFY(frm.findChild<kw::ui::TextView*>("TxtRepairedDocContent")->isEnabled());
    QCOMPARE(Summary(frm), QString("Recovered 2 paragraphs (18 characters)"));

    // A second job replaces the text.
    const QString other = WriteFile(dir_, "other.doc", DocWithText("Second job"));
    Click(&frm, "CmdBack");
    Click(&frm, "CmdBack");
    GoToModes(frm, other, "OptSalvageMode");
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 3);
    QVERIFY(Preview(frm).contains("Second"));
    QVERIFY(!Preview(frm).contains("Dear"));
  }

  void salvageKeepsSevenBitText() {
    const QString doc = WriteFile(dir_, "salvage.doc", DocWithText("Dear caf\xE9 owner"));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc, "OptSalvageMode");
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 3);
    QVERIFY2(Preview(frm).contains("Dear caf owner"), qPrintable(Preview(frm)));

    const QString blank = WriteFile(dir_, "blank.doc", DocWithText("   "));
    Click(&frm, "CmdBack");
    Click(&frm, "CmdBack");
    GoToModes(frm, blank, "OptQuickMode");
    RunJob(frm);
    QCOMPARE(Summary(frm), QString("Nothing readable was found"));
  }

  void docxJobsInBothTextModes() {
    const QString docx = WriteFile(dir_, "minutes.docx", DocxWithText("Minutes of the meeting\r\nItem one & two"));
    for (const char* mode : {"OptQuickMode", "OptSalvageMode"}) {
      DocFrm frm;
      Prepare(frm);
      GoToModes(frm, docx, mode);
      QVERIFY(!frm.findChild<QCheckBox*>("OptImageMode")->isEnabled());
      RunJob(frm);
      QCOMPARE(frm.currentStep(), 3);
      QVERIFY2(Preview(frm).contains("Minutes of the meeting"), qPrintable(Preview(frm)));
      QVERIFY(Preview(frm).contains("Item one & two"));
    }
  }

  // A picture in a .docx leaves a run of empty lines in the Quick and
  // Salvage text (the text stays as it is); the preview shows it as one row.
  void docxPicturesLeaveNoScreenHighGap() {
    const QByteArray drawing =
        "<w:r><w:drawing><wp:inline><wp:extent cx=\"2540000\" cy=\"1270000\" /><wp:effectExtent b=\"0\" l=\"0\" "
        "r=\"0\" t=\"0\" /><wp:docPr descr=\"A picture\" id=\"21\" name=\"Picture\" /><a:graphic><a:graphicData "
        "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic><pic:nvPicPr><pic:cNvPr "
        "descr=\"pic.png\" id=\"22\" name=\"Picture\" /><pic:cNvPicPr><a:picLocks noChangeArrowheads=\"1\" "
        "noChangeAspect=\"1\" /></pic:cNvPicPr></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"rId20\" /><a:stretch>"
        "<a:fillRect /></a:stretch></pic:blipFill><pic:spPr bwMode=\"auto\"><a:xfrm><a:off x=\"0\" y=\"0\" /><a:ext "
        "cx=\"2540000\" cy=\"1270000\" /></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst /></a:prstGeom><a:noFill /><a:ln "
        "w=\"9525\"><a:noFill /><a:headEnd /><a:tailEnd /></a:ln></pic:spPr></pic:pic></a:graphicData></a:graphic>"
        "</wp:inline></w:drawing></w:r>";
    const QByteArray xml =
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
        "<w:p><w:r><w:t>Before the picture.</w:t></w:r></w:p><w:p>" +
        drawing + "</w:p><w:p><w:r><w:t>After the picture.</w:t></w:r></w:p></w:body></w:document>";
    const QString docx = WriteFile(dir_, "drawing.docx", StoredPackage({{"word/document.xml", xml}}));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, docx, "OptQuickMode");
    RunJob(frm);
    auto* view = frm.findChild<kw::ui::TextView*>("TxtRepairedDocContent");
    QVERIFY2(Preview(frm).count("\r\n\r\n\r\n\r\n") > 0, qPrintable(Preview(frm)));  // the run is there
    QTRY_VERIFY(view->layoutFinished());
    QVERIFY2(view->rowCount() <= 5, qPrintable(QString::number(view->rowCount())));
  }

  void okBeforeTheFirstTickRunsNoJob() {
    const QString doc = WriteFile(dir_, "early.doc", DocWithText("Never read"));
    DocFrm frm;
    Prepare(frm, 60000);
    GoToModes(frm, doc, "OptQuickMode");
    bool ran = true;
    OnModal<DocProgress>([&](DocProgress* window) {
      Click(window, "CmdOK");
      ran = window->started();
    });
    RunJob(frm);
    QVERIFY(!ran);
    QCOMPARE(frm.currentStep(), 3);
    QVERIFY(Preview(frm).isEmpty());  // the state left from before: no text
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  // ... and the job's end leaves the user where they went.
  // ... which says that the job still runs, and the job's end leaves the user where they went.
  void okDuringTheJobShowsTheStepAtOnce() {
    const QString doc = BigDoc("big.doc");
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc, "OptQuickMode");
    int stepWhenClosed = 0;
    bool runningWhenClosed = false;
    bool pendingShown = false;
    bool secondJobStarted = true;
    QString reason;
    OnModal<DocProgress>(
        [&](DocProgress* window) {
          Click(window, "CmdOK");
          stepWhenClosed = frm.currentStep();
          runningWhenClosed = frm.jobRunning() && !window->isVisible();
          auto* note = frm.findChild<kw::ui::TextPage*>()->findChild<QLabel*>("LblStillRecovering");
          auto* busy = frm.findChild<kw::ui::TextPage*>()->findChild<QProgressBar*>("ProgStillRecovering");
          pendingShown = note->isVisible() && busy->isVisible() && busy->maximum() == 0 &&
                         note->text() == "Still recovering: what is found appears here when the job ends";
          // The wizard is usable again; on step 2 Next is off while the job runs, and says why.
          Click(&frm, "CmdBack");
          reason = NextEnabled(frm) ? QString() : frm.findChild<QLabel*>("LblNextReason")->text();
          Click(&frm, "CmdNext");
          secondJobStarted = QApplication::activeModalWidget() != nullptr;
        },
        [](DocProgress* window) { return window->started(); });
    RunJob(frm);
    QCOMPARE(stepWhenClosed, 3);
    QVERIFY(runningWhenClosed);
    QVERIFY(pendingShown);
    QCOMPARE(reason, QString("The recovery started before still runs: its result appears when it ends."));
    QVERIFY(!secondJobStarted);
    // The job still handed over its whole result, without taking the user
    // back from step 2, where Next works again.
    QCOMPARE(frm.currentStep(), 2);
    QVERIFY(NextEnabled(frm));
    QVERIFY(frm.findChild<QLabel*>("LblNextReason")->text().isEmpty());
    QVERIFY(Preview(frm).size() > (47 << 20));
    QVERIFY(!frm.findChild<QLabel*>("LblStillRecovering")->isVisibleTo(&frm));
  }

  // Escape and the title bar's close button on the status window mean Cancel.
  void escapeAndTheCloseButtonCancel() {
    const QString doc = BigDoc("escaped.doc");
    for (bool escape : {true, false}) {
      DocFrm frm;
      Prepare(frm);
      GoToModes(frm, doc, "OptQuickMode");
      OnModal<DocProgress>(
          [&](DocProgress* window) {
            if (escape) {
              QTest::keyClick(window, Qt::Key_Escape);
            } else {
              window->close();
            }
          },
          [](DocProgress* window) { return window->started(); });
      RunJob(frm);
      QCOMPARE(frm.currentStep(), 3);
      QVERIFY(Preview(frm).size() < (47 << 20));
      QVERIFY(frm.findChild<kw::ui::TextPage*>()->findChild<QLabel*>("LblCancelled")->isVisible());
    }
  }

  // Cancel and the wizard's Close have letters of their own, and Cancel's
  // keys reaching the wizard once the job has ended do nothing there.
  void cancelNeverClosesTheProgram() {
    const QString doc = WriteFile(dir_, "short.doc", DocWithText("Short"));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc, "OptQuickMode");
    QKeySequence cancel, ok;
    OnModal<DocProgress>([&](DocProgress* window) {
      cancel = QKeySequence::mnemonic(window->findChild<QPushButton*>("CmdCancel")->text());
      ok = QKeySequence::mnemonic(window->findChild<QPushButton*>("CmdOK")->text());
    });
    RunJob(frm);
    const QKeySequence close = QKeySequence::mnemonic(frm.findChild<QPushButton*>("CmdClose")->text());
    QVERIFY(!cancel.isEmpty());
    QVERIFY(cancel != close && ok != close);
    QApplication::setActiveWindow(&frm);
    QTest::keyClick(&frm, static_cast<Qt::Key>(cancel[0].key()), Qt::AltModifier);
    QTest::keyClick(&frm, Qt::Key_Escape);
    QTest::qWait(50);
    QVERIFY(frm.isVisible());
    QCOMPARE(frm.currentStep(), 3);
  }

  // "Try Salvage Recovery mode" only where Salvage Recovery reads the file another way.
  void salvageHintOnlyAfterQuickRecoveryOfADoc() {
    const QString doc = WriteFile(dir_, "hint.doc", DocWithText("Some text"));
    const QString docx = WriteFile(dir_, "hint.docx", DocxWithText("Some text"));
    const QList<QPair<QString, const char*>> jobs = {
        {doc, "OptQuickMode"}, {doc, "OptSalvageMode"}, {docx, "OptQuickMode"}, {doc, "OptDeepMode"}};
    QList<bool> shown;
    for (const auto& [path, mode] : jobs) {
      DocFrm frm;
      Prepare(frm);
      GoToModes(frm, path, mode);
      RunJob(frm);
      shown << frm.findChild<QLabel*>("LblTextHint")->isVisible();
    }
    QCOMPARE(shown, QList<bool>({true, false, false, false}));
  }

  void cancelStopsTheJobAndShowsWhatItFound() {
    const QString doc = BigDoc("cancelled.doc");
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc, "OptQuickMode");
    OnModal<DocProgress>([&](DocProgress* window) { Click(window, "CmdCancel"); },
                         [](DocProgress* window) { return window->started(); });
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 3);
    QVERIFY(Preview(frm).size() < (47 << 20));
    const auto labels = frm.findChildren<QLabel*>("LblCancelled");  // one on each preview step
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](QLabel* label) { return label->isVisible(); }));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  void closingTheWizardDuringAJobStopsItAtOnce() {
    // A small package whose 100 MiB of document XML takes seconds to read.
    const QByteArray line = QByteArray("word ").repeated(18) + "\r\n";
    const QByteArray text = line.repeated((100 << 20) / line.size());
    const QString docx = dir_.filePath("slow.docx");
    QVERIFY(kw::WriteDocx(QFile::encodeName(docx).toStdString(), std::string_view(text.data(), text.size())).ok());
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(KW_CLOSING_CHILD, {docx, "OptQuickMode"});
    QByteArray out;
    while (!out.contains('\n') && child.waitForReadyRead(60000)) out += child.readAll();
    QVERIFY2(out.startsWith("close "), out.constData());
    QVERIFY(child.waitForFinished(60000));
    const qint64 exited = std::chrono::nanoseconds(std::chrono::steady_clock::now().time_since_epoch()).count();
    const qint64 closed = out.mid(6, out.indexOf('\n') - 6).toLongLong();
    out += child.readAll();
    QVERIFY2(out.contains("\nstopped\n"), out.constData());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
#ifdef __SANITIZE_ADDRESS__
    constexpr qint64 kPrompt = 1'500'000'000;  // the sanitizers run everything, exit included, about 3x slower
#else
    constexpr qint64 kPrompt = 500'000'000;
#endif
    QVERIFY2(exited - closed < kPrompt, qPrintable(QString::number((exited - closed) / 1000000)));
  }

  void unreadableSourceIsExplainedOnce() {
    // Gone between step 1 (which would not let it through) and the job.
    const QString missing = WriteFile(dir_, "gone.doc", DocWithText("x"));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, missing, "OptQuickMode");
    QFile::remove(missing);
    QStringList messages;
    OnModal<QMessageBox>([&](QMessageBox* box) {
      messages << box->text();
      box->accept();
      // No second message follows.
      QTimer::singleShot(50, [&] {
        if (auto* extra = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          messages << extra->text();
          extra->accept();
        }
      });
    });
    RunJob(frm);
    QTest::qWait(100);
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(missing), qPrintable(messages[0]));
    QVERIFY(messages[0].contains("No such file", Qt::CaseInsensitive));
    QCOMPARE(frm.currentStep(), 3);
  }

  void passwordProtectedFileIsNamedAsSuch() {
    kw::test::CfbLayout layout;
    const std::string locked = kw::test::BuildCfb(
        {{"EncryptionInfo", std::string(300, 'i')}, {"EncryptedPackage", std::string(5000, 'p')}}, &layout);
    const QString path = WriteFile(dir_, "locked.docx", QByteArray::fromStdString(locked));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, path, "OptDeepMode");
    QString message;
    OnModal<QMessageBox>([&](QMessageBox* box) {
      message = box->text();
      box->accept();
    });
    RunJob(frm);
    QTest::qWait(50);
    QCOMPARE(message,
             "Cannot read \"" + path + "\": it is password-protected and cannot be read without the password.");
  }
};

QTEST_MAIN(TextJobsTest)
#include "text_jobs_test.moc"
