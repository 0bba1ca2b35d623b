// SPDX-License-Identifier: Apache-2.0
// The wizard's steps as a user walks them: the start state, the no-file
// message and the files step 1 does not let through, Next and Back across
// all five steps, the mode boxes, the .docx test, restarting from the File
// menu and closing, and the keyboard: where the focus goes when Next
// switches off, Enter on every step, mnemonics and the tab order.

#include <QAccessible>
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
#include <QToolButton>

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

  // A Deep Recovery job that fills every step: text and a picture.
  void RunJobWithTextAndPictures(DocFrm& frm) {
    const QString package = WriteFile(dir_, "text-and-picture.docx", PackageWithPicture("Deep words", TinyPng(8, 6)));
    Prepare(frm);
    GoToModes(frm, package, "OptDeepMode");
    RunJob(frm);
  }

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
    QCOMPARE(NextCaption(frm), QString("Next >"));
    QVERIFY(NextEnabled(frm));
    QVERIFY(!BackEnabled(frm));
    QCOMPARE(frm.findChild<QPushButton*>("CmdClose")->text(), QString("&Close"));
    QCOMPARE(frm.findChild<QPushButton*>("CmdBowse")->text(), QString("B&rowse..."));
    for (const char* box : {"OptQuickMode", "OptImageMode", "OptSalvageMode", "OptDeepMode"}) {
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

  void stepOneKeepsBackWhatCannotBeRecovered() {
    DocFrm frm;
    Prepare(frm);
    auto* box = frm.findChild<QLineEdit*>("txtDocFileName");
    auto* line = frm.findChild<QLabel*>("LblPathProblem");
    const QString empty = WriteFile(dir_, "empty.doc", QByteArray());
    // Over the size limit: a sparse file takes no room on the disk.
    const QString huge = dir_.filePath("huge.doc");
    {
      QFile file(huge);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64{1} << 31));
    }
    const QList<QPair<QString, QString>> cases = {
        {dir_.filePath("missing.doc"), "There is no file at this path."},
        {dir_.path(), "This is a folder: choose a document inside it."},
        {empty, "This file is empty: there is nothing in it to recover."},
        {huge, "This file is 2 GiB or larger: a recovery reads files of less than 2 GiB."}};
    for (const auto& [path, problem] : cases) {
      box->setText(path);
      QVERIFY(line->isVisibleTo(&frm));
      QCOMPARE(line->text(), problem);
      // Next explains and stays; so does the header of step 2.
      QStringList said;
      for (int attempt = 0; attempt < 2; ++attempt) {
        OnModal<QMessageBox>([&](QMessageBox* message) {
          said << message->text() << QString::number(message->icon());
          message->accept();
        });
        if (attempt == 0) {
          Click(&frm, "CmdNext");
        } else {
          ClickStepHeader(frm, 2);
        }
        QCOMPARE(frm.currentStep(), 1);
      }
      QCOMPARE(said,
               QStringList({"This document cannot be recovered:\n" + problem, QString::number(QMessageBox::Warning),
                            "This document cannot be recovered:\n" + problem, QString::number(QMessageBox::Warning)}));
      QVERIFY(line->isVisibleTo(&frm));  // the line stays
    }
    box->setText(doc_);
    QVERIFY(!line->isVisibleTo(&frm));
    Click(&frm, "CmdNext");
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
    // No switched-off "Save >" beside the step's own Save button.
    QVERIFY(!frm.findChild<QPushButton*>("CmdNext")->isVisible());
    QVERIFY(frm.findChild<QPushButton*>("CmdSaveText")->isVisible());
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
    QVERIFY(!frm.findChild<QPushButton*>("CmdNext")->isVisible());
    ClickStepHeader(frm, 1);
    QVERIFY(frm.findChild<QPushButton*>("CmdNext")->isVisible());
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
    QCOMPARE(frm.chosenMode(), std::optional(kw::JobMode::kSalvage));
    QCOMPARE(frm.findChild<QCheckBox*>("OptQuickMode")->isChecked(), false);
    QVERIFY(NextEnabled(frm));
    QVERIFY(frm.isStepAvailable(3));
    QVERIFY(!frm.isStepAvailable(4));
    // Clicking the checked box clears it; the result steps stay as they were,
    // and a line beside Next says why it is off.
    Click(&frm, "OptSalvageMode");
    QCOMPARE(frm.chosenMode(), std::nullopt);
    QVERIFY(!NextEnabled(frm));
    QCOMPARE(frm.findChild<QLabel*>("LblNextReason")->text(), QString("Choose a recovery mode to go on."));
    QVERIFY(frm.isStepAvailable(3));
    QVERIFY(!frm.isStepAvailable(4));
    // Clicking a mode's title acts on its box, and so does its mnemonic.
    Click(&frm, "OptImageModeTitle");
    QCOMPARE(frm.chosenMode(), std::optional(kw::JobMode::kImages));
    QVERIFY(!frm.isStepAvailable(3));
    QVERIFY(frm.findChild<QLabel*>("LblNextReason")->text().isEmpty());
    QTest::keyClick(&frm, Qt::Key_D, Qt::AltModifier);
    QTRY_COMPARE(frm.chosenMode(), std::optional(kw::JobMode::kDeep));
    // A screen reader's toggle is a click too.
    QAccessibleActionInterface* actions =
        QAccessible::queryAccessibleInterface(frm.findChild<QCheckBox*>("OptSalvageMode"))->actionInterface();
    actions->doAction(QAccessibleActionInterface::toggleAction());
    QTRY_COMPARE(frm.chosenMode(), std::optional(kw::JobMode::kSalvage));
    QVERIFY(NextEnabled(frm));
    QVERIFY(frm.findChild<QLabel*>("LblNextReason")->text().isEmpty());
  }

  void docxPathDisablesImageRecovery_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("imageEnabled");
    QTest::newRow("docx") << "report.docx" << false;
    QTest::newRow("upper case") << "REPORT.DOCX" << true;
    QTest::newRow("docx folder") << "old.docx/letter.doc" << false;
    QTest::newRow("doc") << "report.doc" << true;
  }
  void docxPathDisablesImageRecovery() {
    QFETCH(QString, path);
    QFETCH(bool, imageEnabled);
    QDir(dir_.path()).mkpath("old.docx");
    path = WriteFile(dir_, path, DocWithText("x"));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc_, "OptImageMode");
    Click(&frm, "CmdBack");
    Click(&frm, "CmdBack");
    GoToModes(frm, path, "OptImageModeTitle");  // a click on a disabled mode does nothing
    auto* image = frm.findChild<QCheckBox*>("OptImageMode");
    QCOMPARE(image->isEnabled(), imageEnabled);
    QCOMPARE(frm.findChild<QLabel*>("LblImageModeNote")->isVisible(), !imageEnabled);  // says why
    // Never checked and greyed out at once: a .docx clears the box, and Next waits for a mode.
    QVERIFY(!image->isChecked());
    QCOMPARE(NextEnabled(frm), false);
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
    const auto open = [&](bool choose) {
      OnModal<QFileDialog>([&](QFileDialog* dialog) {
        QCOMPARE(dialog->nameFilters(), QStringList({"Word Documents (*.doc *.docx)", "Word 97-2003 Documents (*.doc)",
                                                     "Word 2007 Documents (*.docx)", "All files (*)"}));
        dialog->selectFile(other);
        if (choose) {
          static_cast<QDialog*>(dialog)->accept();
        } else {
          dialog->reject();
        }
      });
      frm.findChild<QAction*>("mnuOpen")->trigger();
    };

    // A cancelled dialog changes nothing; so does Cancel on the question.
    open(false);
    QCOMPARE(frm.currentStep(), 3);
    QString asked;
    AnswerDiscard(QMessageBox::Cancel, &asked);
    open(true);
    QCOMPARE(asked, QString("Discard the recovered text of letter.doc?"));
    QCOMPARE(frm.currentStep(), 3);
    QCOMPARE(frm.findChild<QLineEdit*>("txtDocFileName")->text(), doc_);
    QVERIFY(preview->toPlainText().contains("Dear Sir"));

    AnswerDiscard(QMessageBox::Discard);
    open(true);
    QCOMPARE(frm.findChild<QLineEdit*>("txtDocFileName")->text(), other);
    QCOMPARE(frm.currentStep(), 1);
    QCOMPARE(frm.chosenMode(), std::nullopt);
    QVERIFY(preview->toPlainText().isEmpty());
    QVERIFY(preview->isEnabled());
    QCOMPARE(NextCaption(frm), QString("Next >"));
    QCOMPARE(frm.findChild<QListWidget*>("LstPicture")->count(), 1);
    QVERIFY(frm.isStepAvailable(3));
    QVERIFY(!frm.unsavedResult().any());

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

  void enterPressesTheStepsDefaultButton() {
    const QString package = WriteFile(dir_, "with-picture.docx", PackageWithPicture("Deep words", TinyPng(8, 6)));
    DocFrm frm;
    Prepare(frm);
    QApplication::setActiveWindow(&frm);
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    const auto enter = [] {
      QVERIFY(QApplication::focusWidget() != nullptr);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    // A focused push button is pressed itself: Browse opens its dialog.
    frm.setDocFileName(package);
    bool browsed = false;
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      browsed = true;
      dialog->reject();
    });
    frm.findChild<QPushButton*>("CmdBowse")->setFocus();
    enter();
    QVERIFY(browsed);
    QCOMPARE(frm.currentStep(), 1);
    QApplication::setActiveWindow(&frm);  // the offscreen platform does not hand it back
    // Anywhere else, Enter is Next: from the path box, from a mode box.
    frm.findChild<QLineEdit*>("txtDocFileName")->setFocus();
    enter();
    QCOMPARE(frm.currentStep(), 2);
    auto* deep = frm.findChild<QCheckBox*>("OptDeepMode");
    deep->setFocus();
    QTest::keyClick(deep, Qt::Key_Space);
    enter();
    QTRY_VERIFY(!frm.jobRunning());
    QCOMPARE(frm.currentStep(), 3);
    // The text has the keys after the job; from it Enter leads to the pictures, then to saving.
    QCOMPARE(QApplication::focusWidget(), frm.findChild<QWidget*>("TxtRepairedDocContent"));
    enter();
    QCOMPARE(frm.currentStep(), 4);
    enter();
    QCOMPARE(frm.currentStep(), 5);
    // On the last step Enter is Save.
    bool saving = false;
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      saving = dialog->acceptMode() == QFileDialog::AcceptSave;
      dialog->reject();
    });
    QTest::keyClick(&frm, Qt::Key_Return);
    QVERIFY(saving);
  }

  void mnemonicsAndTabOrderOnEveryStep() {
    DocFrm frm;
    RunJobWithTextAndPictures(frm);
    // The menu bar's letters are the window's: no control takes them.
    QList<QKeySequence> menus;
    for (QAction* action : frm.menuBar()->actions()) menus << QKeySequence::mnemonic(action->text());
    QCOMPARE(menus, QList<QKeySequence>({QKeySequence("Alt+F"), QKeySequence("Alt+H"), QKeySequence("Alt+P")}));
    const QMap<int, QStringList> order = {{1, {"txtDocFileName", "CmdBowse"}},
                                          {2, {"OptQuickMode", "OptImageMode", "OptSalvageMode", "OptDeepMode"}},
                                          {3, {"TxtRepairedDocContent"}},
                                          {4, {"LstPicture", "CmdSavePicture", "CmdSaveAllPictures"}},
                                          {5, {"CmdSaveText"}}};
    for (int step = 1; step <= 5; ++step) {
      ClickStepHeader(frm, step);
      QCOMPARE(frm.currentStep(), step);
      QWidget* page = frm.findChild<QTabWidget*>("DocTab")->currentWidget();
      // Every control of the step and every mode box has a letter of its own.
      QMap<QKeySequence, QString> letters;
      for (const QKeySequence& menu : menus) letters[menu] = "menu";
      for (QWidget* w : frm.findChildren<QWidget*>()) {
        if (!w->isVisible() || (!page->isAncestorOf(w) && !w->objectName().startsWith("Cmd"))) continue;
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(w); button && !qobject_cast<QToolButton*>(w)) {
          text = button->text();
        } else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy() != nullptr) {
          text = label->text();
        } else {
          continue;
        }
        const QKeySequence key = QKeySequence::mnemonic(text);
        if (text.isEmpty()) continue;  // a mode box: its title carries the letter
        QVERIFY2(!key.isEmpty(), qPrintable(text));
        QVERIFY2(!letters.contains(key), qPrintable(text + " and " + letters.value(key)));
        letters[key] = text;
      }
      for (const char* box : {"OptQuickMode", "OptImageMode", "OptSalvageMode", "OptDeepMode"}) {
        if (step != 2) break;
        const auto* title = frm.findChild<QLabel*>(QString(box) + "Title");
        QCOMPARE(title->buddy(), frm.findChild<QWidget*>(box));
      }
      // Tab goes through the step's controls in reading order, then Back, Next, Close.
      QStringList seen;
      QWidget* w = page;
      do {
        w = w->nextInFocusChain();
        const bool focusable = w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus);
        if (focusable && (page->isAncestorOf(w) || w->objectName().startsWith("Cmd"))) seen << w->objectName();
      } while (w != page);
      QStringList expected;
      for (const QString& name : order[step]) {
        if (frm.findChild<QWidget*>(name)->isEnabled()) expected << name;
      }
      for (const char* button : {"CmdBack", "CmdNext", "CmdClose"}) {
        auto* b = frm.findChild<QPushButton*>(button);
        if (b->isVisible() && b->isEnabled()) expected << button;
      }
      QCOMPARE(seen.join(' '), expected.join(' '));
    }
  }

  void everyControlHasAnAccessibleNameAndDescription() {
    DocFrm frm;
    RunJobWithTextAndPictures(frm);
    for (int step = 1; step <= 5; ++step) {
      ClickStepHeader(frm, step);
      for (QWidget* w : frm.findChildren<QWidget*>()) {
        if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus)) continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
        QVERIFY(accessible != nullptr);
        const QString what = QString("%1 (step %2)").arg(w->objectName()).arg(step);
        QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(what));
        if (accessible->role() == QAccessible::PageTabList) {
          // The steps' tabs, each with its name and what it is for.
          for (int i = 0; i < 5; ++i) {
            QVERIFY(!accessible->child(i)->text(QAccessible::Name).isEmpty());
            QVERIFY2(!accessible->child(i)->text(QAccessible::Description).isEmpty(), qPrintable(what));
          }
          continue;
        }
        QVERIFY2(!accessible->text(QAccessible::Description).isEmpty(), qPrintable(what));
      }
    }
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
