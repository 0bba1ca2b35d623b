// SPDX-License-Identifier: Apache-2.0
// The wizard's steps as a user walks them: the start state, the no-file
// message, Next and Back across all five steps, the mode boxes, the .docx
// test, restarting from the File menu and closing, and where the keyboard
// focus goes when Next switches off.

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "base/version.h"
#include "tests/ui/wizard_driver.h"
#include "ui/doc_frm.h"
#include "ui/text_view.h"

using namespace kw::uitest;
using kw::ui::DocFrm;

class StepsTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;
  QString doc_;

  // Presses Next (or the header of step 2) with an empty file box and
  // returns what the message said.
  QStringList expectNoFileMessage(const std::function<void()>& action) {
    QStringList seen;
    OnModal<QMessageBox>([&](QMessageBox* box) {
      seen << box->windowTitle() << box->text() << QString::number(box->icon())
           << QString::number(box->standardButtons());
      box->accept();
    });
    action();
    return seen;
  }

 private slots:
  void initTestCase() { doc_ = WriteFile(dir_, "letter.doc", DocWithText("Dear Sir")); }

  void startState() {
    DocFrm frm;
    Prepare(frm);
    QCOMPARE(frm.windowTitle(), QString("Kravelin Word Recovery v" KW_VERSION_MAJOR_MINOR));
    auto* tabs = frm.findChild<QTabWidget*>("DocTab");
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
    QCOMPARE(captions, QStringList({"Step - 1", "Step - 2", "Preview Recovered Text", "Preview Recovered Images",
                                    "Save Document"}));
    QCOMPARE(frm.currentStep(), 1);
    QVERIFY(frm.isStepAvailable(1) && frm.isStepAvailable(2) && frm.isStepAvailable(3) && frm.isStepAvailable(5));
    QVERIFY(!frm.isStepAvailable(4));
    QCOMPARE(NextCaption(frm), QString("Next"));
    QVERIFY(NextEnabled(frm));
    QVERIFY(!BackEnabled(frm));
    QCOMPARE(frm.findChild<QPushButton*>("CmdClose")->text(), QString("&Close"));
    QCOMPARE(frm.findChild<QPushButton*>("CmdBowse")->text(), QString("B&rowse..."));
    for (const char* box : {"OptQuickMode", "OptImageMode", "OptSalvageMode"}) {
      QVERIFY(!frm.findChild<QCheckBox*>(box)->isChecked());
      QVERIFY(frm.findChild<QCheckBox*>(box)->isEnabled());
    }
    auto* preview = frm.findChild<kw::ui::TextView*>("TxtRepairedDocContent");
    QVERIFY(!preview->isEnabled());
    QVERIFY(preview->toPlainText().isEmpty());

    // The menus, by name and caption; "Picture" is there and switched off.
    QStringList menus;
    for (QAction* a : frm.menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, QStringList({"&File", "&Help", "&Picture"}));
    QCOMPARE(frm.findChild<QAction*>("mnuOpen")->text(), QString("&Start Document Repair"));
    QCOMPARE(frm.findChild<QAction*>("mnuExit")->text(), QString("E&xit"));
    QCOMPARE(frm.findChild<QAction*>("mnuContents")->text(), QString("&Contents"));
    QCOMPARE(frm.findChild<QAction*>("mnuKravelinSite")->text(), QString("Kravelin Software &Website"));
    QCOMPARE(frm.findChild<QAction*>("mnuAbout")->text(), QString("&About"));
    // Shortcuts, and the focus in the path box from the start.
    QCOMPARE(frm.findChild<QAction*>("mnuOpen")->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(frm.findChild<QAction*>("mnuSave")->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(frm.findChild<QAction*>("mnuExit")->shortcut(), QKeySequence("Ctrl+Q"));
    QCOMPARE(frm.findChild<QAction*>("mnuContents")->shortcut(), QKeySequence("F1"));
    QCOMPARE(QApplication::focusWidget(), frm.findChild<QLineEdit*>("txtDocFileName"));
    QVERIFY(frm.findChild<QAction*>("mnuSep")->isSeparator());
    QVERIFY(frm.findChild<QAction*>("mnuSep2")->isSeparator());
    auto* picture = frm.findChild<QMenu*>("mnuPicture");
    QVERIFY(!picture->menuAction()->isEnabled());
    QCOMPARE(frm.findChild<QAction*>("mnuPicChild")->text(), QString("Kravelin Word Recovery"));
  }

  void noFileMessageKeepsStepOne() {
    DocFrm frm;
    Prepare(frm);
    const QStringList expected = {"Select Word Document", "Please select a Word document and select Next to proceed.",
                                  QString::number(QMessageBox::Information), QString::number(QMessageBox::Ok)};
    QCOMPARE(expectNoFileMessage([&] { Click(&frm, "CmdNext"); }), expected);
    QCOMPARE(frm.currentStep(), 1);
    QVERIFY(!BackEnabled(frm));
    // The header of step 2 says the same and returns to step 1.
    QCOMPARE(expectNoFileMessage([&] { ClickStepHeader(frm, 2); }), expected);
    QCOMPARE(frm.currentStep(), 1);
    QVERIFY(!BackEnabled(frm));
    // Enter in the path box is Next.
    auto* box = frm.findChild<QLineEdit*>("txtDocFileName");
    box->setText(doc_);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(frm.currentStep(), 2);
  }

  void pathLineSaysWhatIsWrongWithoutChangingNext() {
    DocFrm frm;
    Prepare(frm);
    auto* box = frm.findChild<QLineEdit*>("txtDocFileName");
    auto* line = frm.findChild<QLabel*>("LblPathProblem");
    const QString empty = WriteFile(dir_, "empty.doc", QByteArray());
    const QList<QPair<QString, QString>> cases = {{dir_.filePath("missing.doc"), "There is no file at this path."},
                                                  {dir_.path(), "This is a folder: choose a document inside it."},
                                                  {empty, "This file is empty: there is nothing in it to recover."},
                                                  {doc_, ""}};
    for (const auto& [path, problem] : cases) {
      box->setText(path);
      QCOMPARE(line->isVisibleTo(&frm), !problem.isEmpty());
      if (!problem.isEmpty()) QCOMPARE(line->text(), problem);
    }
    box->setText(dir_.filePath("missing.doc"));
    Click(&frm, "CmdNext");  // the rules for Next stay
    QCOMPARE(frm.currentStep(), 2);
  }

  void nextAndBackAcrossTheSteps() {
    DocFrm frm;
    Prepare(frm);
    frm.setDocFileName(doc_);
    Click(&frm, "CmdNext");
    QCOMPARE(frm.currentStep(), 2);
    QVERIFY(BackEnabled(frm));
    QVERIFY(!NextEnabled(frm));  // no mode yet

    // A text mode: the job lands on step 3.
    Click(&frm, "OptQuickMode");
    QVERIFY(NextEnabled(frm));
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 3);
    QCOMPARE(NextCaption(frm), QString("Next >"));
    QVERIFY(NextEnabled(frm));
    Click(&frm, "CmdNext");
    QCOMPARE(frm.currentStep(), 5);
    QCOMPARE(NextCaption(frm), QString("Save >"));
    QVERIFY(!NextEnabled(frm));
    Click(&frm, "CmdBack");
    QCOMPARE(frm.currentStep(), 3);
    QCOMPARE(NextCaption(frm), QString("Next >"));
    QVERIFY(NextEnabled(frm));
    Click(&frm, "CmdBack");
    QCOMPARE(frm.currentStep(), 2);
    QVERIFY(NextEnabled(frm));  // Quick is still chosen
    Click(&frm, "CmdBack");
    QCOMPARE(frm.currentStep(), 1);
    QVERIFY(!BackEnabled(frm));
    Click(&frm, "CmdBack");  // nothing on step 1
    QCOMPARE(frm.currentStep(), 1);

    // The picture mode, by the headers: step 4 instead of 3, and back from 5 to 4.
    Click(&frm, "CmdNext");
    Click(&frm, "OptImageMode");
    QVERIFY(!frm.isStepAvailable(3));
    QVERIFY(frm.isStepAvailable(4));
    ClickStepHeader(frm, 3);  // unavailable: nothing happens
    QCOMPARE(frm.currentStep(), 2);
    ClickStepHeader(frm, 4);
    QCOMPARE(frm.currentStep(), 4);
    QCOMPARE(NextCaption(frm), QString("Next >"));
    Click(&frm, "CmdNext");
    QCOMPARE(frm.currentStep(), 5);
    Click(&frm, "CmdBack");
    QCOMPARE(frm.currentStep(), 4);
    Click(&frm, "CmdBack");
    QCOMPARE(frm.currentStep(), 2);
    ClickStepHeader(frm, 5);
    QCOMPARE(NextCaption(frm), QString("Save >"));
    QVERIFY(!NextEnabled(frm));
    ClickStepHeader(frm, 1);
    QVERIFY(!BackEnabled(frm));
    QVERIFY(NextEnabled(frm));  // a file is chosen
  }

  void availabilityNeverMovesTheCurrentStep() {
    // What a job may do while the user looks at its step (after OK).
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc_, "OptQuickMode");
    ClickStepHeader(frm, 3);
    QCOMPARE(frm.currentStep(), 3);
    Click(&frm, "CmdNext");
    Click(&frm, "CmdBack");
    QCOMPARE(frm.currentStep(), 3);
    frm.setStepAvailable(4, true);
    frm.setStepAvailable(3, false);
    QCOMPARE(frm.currentStep(), 3);
    QCOMPARE(NextCaption(frm), QString("Next >"));
    frm.selectStep(3);  // unavailable: no change
    QCOMPARE(frm.currentStep(), 3);
    frm.selectStep(4);
    QCOMPARE(frm.currentStep(), 4);
  }

  void modeBoxesAreExclusiveAndCanBeCleared() {
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc_, "OptQuickMode");
    Click(&frm, "OptImageMode");
    Click(&frm, "OptSalvageMode");
    QCOMPARE(frm.optQuickMode(), 0);
    QCOMPARE(frm.optImageMode(), 0);
    QCOMPARE(frm.optSalvageMode(), 1);
    QVERIFY(NextEnabled(frm));
    QVERIFY(frm.isStepAvailable(3));
    QVERIFY(!frm.isStepAvailable(4));
    // Clicking the checked box clears it; the result steps stay as they were.
    Click(&frm, "OptSalvageMode");
    QCOMPARE(frm.optSalvageMode(), 0);
    QVERIFY(!NextEnabled(frm));
    QVERIFY(frm.isStepAvailable(3));
    QVERIFY(!frm.isStepAvailable(4));
    // Clicking a mode's title acts on its box.
    Click(&frm, "OptImageModeTitle");
    QCOMPARE(frm.optImageMode(), 1);
    QVERIFY(!frm.isStepAvailable(3));
  }

  void docxPathDisablesImageRecovery_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("imageEnabled");
    QTest::newRow("docx") << "/tmp/report.docx" << false;
    QTest::newRow("upper case") << "/tmp/REPORT.DOCX" << true;
    QTest::newRow("docx folder") << "/tmp/old.docx/letter.doc" << false;
    QTest::newRow("doc") << "/tmp/letter.doc" << true;
  }
  void docxPathDisablesImageRecovery() {
    QFETCH(QString, path);
    QFETCH(bool, imageEnabled);
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, "/tmp/first.doc", "OptImageMode");
    Click(&frm, "CmdBack");
    Click(&frm, "CmdBack");
    GoToModes(frm, path, "OptImageModeTitle");  // a click on a disabled mode does nothing
    auto* image = frm.findChild<QCheckBox*>("OptImageMode");
    QCOMPARE(image->isEnabled(), imageEnabled);
    QCOMPARE(frm.findChild<QLabel*>("LblImageModeNote")->isVisible(), !imageEnabled);  // says why
    // Disabling keeps the value the box had.
    QCOMPARE(image->isChecked(), !imageEnabled ? true : false);
  }

  void restartFromFileMenu() {
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc_, "OptQuickMode");
    RunJob(frm);
    auto* preview = frm.findChild<kw::ui::TextView*>("TxtRepairedDocContent");
    QVERIFY(preview->toPlainText().contains("Dear Sir"));
    frm.findChild<QListWidget*>("LstPicture")->addItem("kept");
    const QString other = WriteFile(dir_, "other.doc", DocWithText("x"));

    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      QCOMPARE(dialog->nameFilters(), QStringList({"Word Documents (*.doc *.docx)", "Word 97-2003 Documents (*.doc)",
                                                   "Word 2007 Documents (*.docx)", "All files (*)"}));
      dialog->selectFile(other);
      static_cast<QDialog*>(dialog)->accept();
    });
    frm.findChild<QAction*>("mnuOpen")->trigger();
    QCOMPARE(frm.findChild<QLineEdit*>("txtDocFileName")->text(), other);
    QCOMPARE(frm.currentStep(), 1);
    QCOMPARE(frm.optQuickMode() + frm.optImageMode() + frm.optSalvageMode(), 0);
    QVERIFY(preview->toPlainText().isEmpty());
    QVERIFY(preview->isEnabled());
    QCOMPARE(NextCaption(frm), QString("Next >"));
    QCOMPARE(frm.findChild<QListWidget*>("LstPicture")->count(), 1);
    QVERIFY(frm.isStepAvailable(3));

    // Browse, cancelled: the box keeps its path.
    OnModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    Click(&frm, "CmdBowse");
    QCOMPARE(frm.findChild<QLineEdit*>("txtDocFileName")->text(), other);
  }

  void spaceOnNextNeverReachesClose() {
    DocFrm frm;
    Prepare(frm);
    QApplication::setActiveWindow(&frm);
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    auto* close = frm.findChild<QPushButton*>("CmdClose");
    const auto pressSpace = [] {
      QVERIFY(QApplication::focusWidget() != nullptr);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    };
    frm.setDocFileName(doc_);
    frm.findChild<QPushButton*>("CmdNext")->setFocus();
    pressSpace();
    QCOMPARE(frm.currentStep(), 2);
    QVERIFY(!NextEnabled(frm));
    QVERIFY(QApplication::focusWidget() != close);
    pressSpace();
    QVERIFY(frm.isVisible());

    // Step 3 to 5 switches Next off too.
    frm.findChild<QCheckBox*>("OptQuickMode")->setChecked(false);
    Click(&frm, "OptQuickMode");
    RunJob(frm);
    QApplication::setActiveWindow(&frm);
    frm.findChild<QPushButton*>("CmdNext")->setFocus();
    pressSpace();
    QCOMPARE(frm.currentStep(), 5);
    QVERIFY(QApplication::focusWidget() != close);
    QVERIFY(frm.isVisible());
  }

  void closingNeedsNoConfirmation() {
    for (const char* how : {"CmdClose", "mnuExit"}) {
      DocFrm frm;
      Prepare(frm);
      frm.setDocFileName(doc_);
      if (QString(how) == "CmdClose") {
        Click(&frm, how);
      } else {
        frm.findChild<QAction*>(how)->trigger();
      }
      QVERIFY(!frm.isVisible());
      QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
  }
};

QTEST_MAIN(StepsTest)
#include "steps_test.moc"
