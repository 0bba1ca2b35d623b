// SPDX-License-Identifier: Apache-2.0
// The wizard as a desktop program: a dropped file, File > Open Recent, a
// window that fits the screen, colours from the palette, a translation
// template from the build, and the whole flow by the keyboard alone.

#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTest>

#include "tests/ui/wizard_driver.h"
#include "ui/doc_frm.h"
#include "ui/user_settings.h"

using namespace kw::uitest;
using kw::ui::DocFrm;

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

  void buildWritesATranslationTemplate() {
    QFile ts(KW_TRANSLATION_TEMPLATE);
    QVERIFY(ts.open(QIODevice::ReadOnly));
    const QByteArray text = ts.readAll();
    for (const char* source : {"<name>kw::ui::DocFrm</name>", "Nothing readable was found", "Open &amp;Recent"}) {
      QVERIFY2(text.contains(source), source);
    }
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
