// SPDX-License-Identifier: Apache-2.0
// The wizard as a desktop program: a dropped file, File > Open Recent (the
// files a job read), the open dialog's first folder, never losing a result
// without asking, a window that fits the screen, colours from the palette,
// a translation template with every string the windows show, and the whole
// flow by the keyboard alone.

#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTabBar>
#include <QTest>
#include <QXmlStreamReader>
#include <algorithm>
#include <tuple>

#include "tests/ui/wizard_driver.h"
#include "ui/doc_about.h"
#include "ui/doc_frm.h"
#include "ui/doc_progress.h"
#include "ui/help.h"
#include "ui/user_settings.h"

using namespace kw::uitest;
using kw::ui::DocFrm;
using kw::ui::DocProgress;

class DesktopTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;

  static QString PathBox(DocFrm& frm) { return frm.findChild<QLineEdit*>("txtDocFileName")->text(); }

  static bool Drop(DocFrm& frm, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint at = frm.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frm, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frm, &drop);
    return true;
  }

  // What a window shows in words: titles, captions, labels, tooltips and
  // the names screen readers say, of its own controls (not Qt's inside).
  static QStringList ShownTexts(QWidget* window) {
    QStringList texts{window->windowTitle()};
    if (auto* box = qobject_cast<QMessageBox*>(window)) return texts << box->text() << box->informativeText();
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (!w->isVisible() || w->objectName().startsWith("qt_")) continue;
      texts << w->toolTip() << w->accessibleName() << w->accessibleDescription();
      if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
      if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
      if (auto* edit = qobject_cast<QLineEdit*>(w)) texts << edit->placeholderText();
      if (auto* bar = qobject_cast<QTabBar*>(w)) {
        for (int i = 0; i < bar->count(); ++i) texts << bar->tabText(i) << bar->tabToolTip(i);
      }
      if (auto* list = qobject_cast<QListWidget*>(w)) {
        for (int i = 0; i < list->count(); ++i) {
          texts << list->item(i)->text() << list->item(i)->data(Qt::AccessibleTextRole).toString();
        }
      }
    }
    return texts;
  }

  static QStringList RecentMenu(DocFrm& frm) {
    auto* menu = frm.findChild<QMenu*>("mnuRecent");
    emit menu->aboutToShow();
    QStringList texts;
    for (QAction* action : menu->actions()) texts << action->text();
    return texts;
  }

 private slots:
  void droppedFileIsChosenAfresh() {
    const QString doc = WriteFile(dir_, "dropped.doc", DocWithText("Dropped"));
    DocFrm frm;
    Prepare(frm);
    QVERIFY(!Drop(frm, {QUrl("https://example.com/a.doc")}));
    QVERIFY(!Drop(frm, {QUrl::fromLocalFile(doc), QUrl::fromLocalFile(doc)}));
    GoToModes(frm, doc, "OptQuickMode");
    QVERIFY(Drop(frm, {QUrl::fromLocalFile(doc)}));
    QCOMPARE(PathBox(frm), doc);
    QCOMPARE(frm.currentStep(), 1);
    QCOMPARE(frm.chosenMode(), std::nullopt);

    // After a job, a drop asks first; Cancel keeps everything.
    const QString other = WriteFile(dir_, "other.doc", DocWithText("Other"));
    Click(&frm, "CmdNext");
    Click(&frm, "OptQuickMode");
    RunJob(frm);
    QString asked;
    AnswerDiscard(QMessageBox::Cancel, &asked);
    QVERIFY(Drop(frm, {QUrl::fromLocalFile(other)}));
    QCOMPARE(asked, QString("Discard the recovered text of dropped.doc?"));
    QCOMPARE(PathBox(frm), doc);
    QCOMPARE(frm.currentStep(), 3);
    AnswerDiscard(QMessageBox::Discard);
    QVERIFY(Drop(frm, {QUrl::fromLocalFile(other)}));
    QCOMPARE(PathBox(frm), other);
    QCOMPARE(frm.currentStep(), 1);
  }

  // Quitting by any way asks before an unsaved result goes, and Save saves it first.
  void quittingAsksBeforeAResultIsLost() {
    const QString doc = WriteFile(dir_, "quit.doc", DocWithText("Keep me"));
    const QString package = WriteFile(dir_, "quit.docx", PackageWithPicture("Deep words", TinyPng(8, 6)));
    const QString pictures = WriteFile(dir_, "quit-pictures.doc", QByteArray(100, 'j') + TinyPng(8, 6));
    const QList<std::tuple<QString, const char*, QString>> jobs = {
        {doc, "OptQuickMode", "Discard the recovered text of quit.doc?"},
        {pictures, "OptImageMode", "Discard the recovered pictures of quit-pictures.doc?"},
        {package, "OptDeepMode", "Discard the recovered text and pictures of quit.docx?"}};
    for (const auto& [path, mode, question] : jobs) {
      DocFrm frm;
      Prepare(frm);
      GoToModes(frm, path, mode);
      RunJob(frm);
      QStringList seen;
      OnModal<QMessageBox>([&](QMessageBox* box) {
        seen << box->text() << QString::number(box->standardButtons());
        box->button(QMessageBox::Cancel)->click();
      });
      Click(&frm, "CmdClose");
      QCOMPARE(seen, QStringList(
                         {question, QString::number(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel)}));
      QVERIFY(frm.isVisible());
      // Ctrl+Q, then Discard: gone.
      AnswerDiscard(QMessageBox::Discard);
      frm.findChild<QAction*>("mnuExit")->trigger();
      QVERIFY(!frm.isVisible());
    }

    // Save: the save dialog first, then the window closes.
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc, "OptQuickMode");
    RunJob(frm);
    const QString target = dir_.filePath("quit-saved.txt");
    AnswerDiscard(QMessageBox::Save);
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      dialog->selectFile(target);
      static_cast<QDialog*>(dialog)->accept();
    });
    frm.close();
    QVERIFY(!frm.isVisible());
    QCOMPARE(ReadAll(target), QByteArray("\r\nKeep me"));
  }

  // The open dialog starts in the document's folder, the last one opened
  // from, or the home folder: never the folder the program was started in.
  void openDialogNeverStartsInTheWorkingFolder() {
    QTemporaryDir working;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(working.path());
    QTemporaryDir gone;
    kw::ui::RememberFolder(kw::ui::Folder::kOpen, gone.path());
    gone.remove();  // a remembered folder that is gone reads as none
    DocFrm frm;
    Prepare(frm);
    frm.setDocFileName("relative.doc");
    QString first;
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      first = dialog->directory().absolutePath();
      dialog->reject();
    });
    Click(&frm, "CmdBowse");
    QDir::setCurrent(previous);
    QCOMPARE(first, QDir::homePath());
  }

  // Only files a job has read go to the list: not one chosen and left, nor one that could not be read.
  void openRecentListsOnlyFilesThatWereOpened() {
    const QString chosen = WriteFile(dir_, "chosen.doc", DocWithText("Chosen"));
    const QString read = WriteFile(dir_, "read.doc", DocWithText("Read"));
    const QString vanished = WriteFile(dir_, "vanished.doc", DocWithText("Vanished"));
    kw::ui::ClearRecentFiles();
    DocFrm frm;
    Prepare(frm);
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      dialog->selectFile(chosen);
      static_cast<QDialog*>(dialog)->accept();
    });
    Click(&frm, "CmdBowse");
    QCOMPARE(PathBox(frm), chosen);
    GoToModes(frm, read, "OptQuickMode");
    RunJob(frm);
    Click(&frm, "CmdBack");
    Click(&frm, "CmdBack");
    GoToModes(frm, vanished, "OptSalvageMode");
    QFile::remove(vanished);
    OnModal<QMessageBox>([](QMessageBox* box) { box->accept(); });  // cannot be read
    RunJob(frm);
    QCOMPARE(kw::ui::RecentFiles(), QStringList({read}));
  }

  void openRecentListsTheLastTenNewestFirst() {
    DocFrm frm;
    Prepare(frm);
    kw::ui::ClearRecentFiles();
    QCOMPARE(RecentMenu(frm), QStringList({"(none)", "", "&Clear List"}));
    for (int i = 1; i <= 11; ++i) kw::ui::AddRecentFile(dir_.filePath(QString("f%1.doc").arg(i)));
    kw::ui::AddRecentFile(dir_.filePath("f5.doc"));  // again: moves to the top
    const QStringList menu = RecentMenu(frm);
    QCOMPARE(menu.size(), 12);
    QCOMPARE(menu[0], "&1 " + dir_.filePath("f5.doc"));
    QCOMPARE(menu[1], "&2 " + dir_.filePath("f11.doc"));
    QCOMPARE(menu[9], dir_.filePath("f2.doc"));  // f1 is forgotten
    frm.findChild<QAction*>("mnuRecent2")->trigger();
    QCOMPARE(PathBox(frm), dir_.filePath("f11.doc"));
    QCOMPARE(frm.findChild<QLabel*>("LblPathProblem")->text(), QString("There is no file at this path."));
  }

  void windowFitsTheScreenAndTakesItsColoursFromThePalette() {
    DocFrm frm;
    Prepare(frm);
    QVERIFY(frm.screen()->availableGeometry().contains(frm.frameGeometry()));
    for (QWidget* w : frm.findChildren<QWidget*>())
      QVERIFY2(!w->styleSheet().contains('#'), qPrintable(w->objectName()));
    QCOMPARE(frm.findChild<QLabel*>("LblImageModeNote")->foregroundRole(), QPalette::PlaceholderText);
  }

  // Every string the windows show is in the translation template: each
  // step after a job that found text, pictures and damage, the status
  // window, the messages, About and Help.
  void translationTemplateHoldsEveryShownString() {
    QFile ts(KW_TRANSLATION_TEMPLATE);
    QVERIFY(ts.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&ts);
    QList<QRegularExpression> sources;
    while (!xml.atEnd()) {
      if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("source")) continue;
      // Each argument (%1, %L2) stands for anything; a mnemonic's "&" is not compared.
      QStringList parts = xml.readElementText().remove('&').split(QRegularExpression("%L?\\d"));
      for (QString& part : parts) part = QRegularExpression::escape(part);
      sources << QRegularExpression("^" + parts.join(".*") + "$", QRegularExpression::DotMatchesEverythingOption);
    }
    QVERIFY(sources.size() > 100);
    QStringList shown;
    // A package with text, a picture and a damaged entry.
    QByteArray package = PackageWithPicture("Deep words", TinyPng(8, 6));
    package += QByteArray("PK\x03\x04", 4) + QByteArray(26, '\xFF');
    const QString path = WriteFile(dir_, "shown.docx", package);
    DocFrm frm;
    Prepare(frm);
    OnModal<QMessageBox>([&](QMessageBox* box) {
      shown << ShownTexts(box);
      box->accept();
    });
    Click(&frm, "CmdNext");  // the no-file message
    frm.setDocFileName(dir_.filePath("none.doc"));
    shown << ShownTexts(&frm);
    OnModal<QMessageBox>([&](QMessageBox* box) {
      shown << ShownTexts(box);
      box->accept();
    });
    Click(&frm, "CmdNext");  // the file's problem
    frm.setDocFileName(path);
    Click(&frm, "CmdNext");
    Click(&frm, "OptDeepMode");
    frm.setJobStartDelay(200);
    OnModal<DocProgress>([&](DocProgress* window) { shown << ShownTexts(window); });
    RunJob(frm);
    frm.findChild<QWidget*>("FindBar")->show();
    for (int step = 1; step <= 5; ++step) {
      ClickStepHeader(frm, step);
      shown << ShownTexts(&frm);
    }
    OnModal<kw::ui::DocAbout>([&](kw::ui::DocAbout* about) {
      shown << ShownTexts(about);
      about->accept();
    });
    frm.findChild<QAction*>("mnuAbout")->trigger();
    QTemporaryDir programDir;
    frm.setProgramDir(programDir.path());
    frm.findChild<QAction*>("mnuContents")->trigger();
    shown << ShownTexts(frm.findChild<kw::ui::HelpWindow*>());
    OnModal<QMessageBox>([&](QMessageBox* box) {
      shown << ShownTexts(box);
      box->button(QMessageBox::Discard)->click();
    });
    frm.close();
    for (const QMenu* menu : frm.findChildren<QMenu*>()) {
      for (const QAction* action : menu->actions()) shown << action->text() << action->toolTip();
    }
    shown.removeDuplicates();
    QStringList missing;
    for (QString text : shown) {
      text.remove('&');
      // Not words: data (paths, names, numbers, the recovered text) and the product's name.
      if (text.trimmed().isEmpty() || text.contains('/') || text.contains("Deep words") ||
          text.contains("image1.png") || text.contains(QRegularExpression("^[\\d ,.:x%()]*$")) ||
          text.startsWith("Kravelin Word Recovery")) {
        continue;
      }
      if (std::none_of(sources.begin(), sources.end(),
                       [&](const QRegularExpression& s) { return s.match(text).hasMatch(); })) {
        missing << text;
      }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(" | ")));
  }

  void wholeFlowByKeyboardAlone() {
    const QString doc = WriteFile(dir_, "keys.doc", DocWithText("Typed only"));
    const QString target = dir_.filePath("keys.txt");
    DocFrm frm;
    Prepare(frm);
    QTest::keyClicks(QApplication::focusWidget(), doc);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(frm.currentStep(), 2);
    auto* quick = frm.findChild<QCheckBox*>("OptQuickMode");
    QTRY_COMPARE(QApplication::focusWidget(), quick);
    QTest::keyClick(quick, Qt::Key_Space);
    QVERIFY(quick->isChecked());
    QTest::keyClick(&frm, Qt::Key_N, Qt::AltModifier);  // a mnemonic clicks after a moment
    QTRY_COMPARE(frm.currentStep(), 3);
    QTRY_VERIFY(!frm.jobRunning());
    QTest::keyClick(&frm, Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE(frm.currentStep(), 5);
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      dialog->selectFile(target);
      static_cast<QDialog*>(dialog)->accept();
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(QFile::exists(target));
    QCOMPARE(ReadAll(target), QByteArray("\r\nTyped only"));
  }
};

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
