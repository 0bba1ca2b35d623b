// SPDX-License-Identifier: Apache-2.0
// The wizard on a real X server with a window manager, for what the
// offscreen platform cannot show (desktop_session.sh runs it under Xvfb at
// 1366 x 768 with openbox): the buttons the window manager gives the status
// window, the focus ring from the first step as it reaches the screen, every
// step whole at a 14 pt font, and control characters drawn whatever the
// fonts.

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "tests/ui/wizard_driver.h"
#include "ui/doc_frm.h"
#include "ui/doc_progress.h"
#include "ui/text_view.h"

using namespace kw::uitest;
using kw::ui::DocFrm;
using kw::ui::DocProgress;

namespace {

// What the screen shows of `widget` now.
QImage OnScreen(QWidget* widget) {
  const QPoint at = widget->mapToGlobal(QPoint(0, 0));
  return widget->screen()->grabWindow(0, at.x(), at.y(), widget->width(), widget->height()).toImage();
}

int Differences(const QImage& a, const QImage& b) {
  int count = 0;
  for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
    for (int x = 0; x < std::min(a.width(), b.width()); ++x) count += a.pixel(x, y) != b.pixel(x, y);
  }
  return count;
}

}  // namespace

class DesktopSessionTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
    QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(1366, 768));
  }

  // The status window asks the window manager for a close button and no
  // minimise or maximise button; closing it by the window manager (Alt+F4)
  // cancels the job.
  void statusWindowGetsOnlyACloseButton() {
    const QString doc = WriteFile(dir_, "status.doc", DocWithText("Status"));
    DocFrm frm;
    Prepare(frm, 60000);  // the job waits for the start timer all along
    GoToModes(frm, doc, "OptQuickMode");
    QString hints, actions;
    int cancels = 0;
    OnModal<DocProgress>([&](DocProgress* window) {
      connect(window, &DocProgress::cancelClicked, [&] { ++cancels; });
      QVERIFY(QTest::qWaitForWindowActive(window));
      const auto property = [&](const char* name) {
        QProcess xprop;
        xprop.start("xprop", {"-id", QString::number(window->winId()), name});
        xprop.waitForFinished();
        return QString::fromLatin1(xprop.readAllStandardOutput());
      };
      hints = property("_MOTIF_WM_HINTS");
      for (int tries = 0; tries < 50 && !actions.contains("_NET_WM_ACTION"); ++tries) {
        QTest::qWait(50);  // until the window manager has said
        actions = property("_NET_WM_ALLOWED_ACTIONS");
      }
      // The window manager's own close, on the window it has made active.
      QProcess::execute("xdotool", {"windowactivate", "--sync", QString::number(window->winId())});
      QProcess::execute("xdotool", {"key", "alt+F4"});
    });
    RunJob(frm);
    // flags, functions, decorations: close, and neither minimise nor maximise.
    const QStringList fields = hints.section('=', 1).split(',');
    QVERIFY2(fields.size() >= 3, qPrintable(hints));
    const uint functions = fields[1].trimmed().toUInt(nullptr, 16);
    const uint decorations = fields[2].trimmed().toUInt(nullptr, 16);
    QVERIFY2(functions & 0x20, qPrintable(hints));              // close
    QVERIFY2(!(functions & (0x08 | 0x10)), qPrintable(hints));  // minimise, maximise
    QVERIFY2(!(decorations & (0x20 | 0x40)), qPrintable(hints));
    QVERIFY2(actions.contains("_NET_WM_ACTION_CLOSE"), qPrintable(actions));
    QVERIFY2(!actions.contains("_NET_WM_ACTION_MAXIMIZE"), qPrintable(actions));
    // The window manager's close (Alt+F4) was a Cancel.
    QCOMPARE(cancels, 1);
  }

  // The focus shows from the first step, before any Tab was pressed: in the
  // path box at the start, and on a button that takes it.
  void focusShowsFromTheFirstStep() {
    DocFrm frm;
    Prepare(frm);
    auto* path = frm.findChild<QLineEdit*>("txtDocFileName");
    auto* browse = frm.findChild<QPushButton*>("CmdBowse");
    QTRY_VERIFY(path->hasFocus());
    QTest::qWait(200);
    const QImage pathFocused = OnScreen(path);
    const QImage browseAlone = OnScreen(browse);
    browse->setFocus();
    QTRY_VERIFY(browse->hasFocus());
    QTest::qWait(200);
    const int pathChange = Differences(pathFocused, OnScreen(path));
    const int browseChange = Differences(browseAlone, OnScreen(browse));
    QVERIFY2(pathChange > path->width(), qPrintable(QString::number(pathChange)));
    QVERIFY2(browseChange > browse->width(), qPrintable(QString::number(browseChange)));
  }

  // At 14 pt on 1366 x 768 every step's header, title and description is
  // shown whole: the window grows instead of cutting them.
  void everyStepIsWholeAtALargeFont() {
    const QFont before = QApplication::font();
    QFont large = before;
    large.setPointSize(14);
    QApplication::setFont(large);
    const QString package = WriteFile(dir_, "large.docx", PackageWithPicture("Large words", TinyPng(8, 6)));
    {
      DocFrm frm;
      Prepare(frm);
      GoToModes(frm, package, "OptDeepMode");
      RunJob(frm);
      QVERIFY(frm.screen()->availableGeometry().contains(frm.frameGeometry()));
      QTabBar* tabs = frm.findChild<QTabWidget*>("DocTab")->tabBar();
      for (int i = 0; i < tabs->count(); ++i) {
        QVERIFY(tabs->rect().contains(tabs->tabRect(i)));
        QVERIFY(tabs->tabRect(i).width() > tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)));
      }
      for (int step = 1; step <= 5; ++step) {
        ClickStepHeader(frm, step);
        QTest::qWait(50);
        QWidget* page = frm.findChild<QTabWidget*>("DocTab")->currentWidget();
        for (QLabel* label : page->findChildren<QLabel*>()) {
          if (!label->isVisible() || label->text().isEmpty()) continue;
          const QString what = QString("step %1: %2").arg(step).arg(label->text());
          QCOMPARE(label->visibleRegion().boundingRect(), label->rect());
          if (label->wordWrap()) {
            QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(what));
          } else {
            QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(what));
          }
        }
      }
    }
    QApplication::setFont(before);
  }

  // Drawn by the view itself: a box in its cell on the screen, whatever the
  // fonts have of control pictures.
  void controlCharactersShowWhateverTheFonts() {
    kw::ui::TextView view;
    view.resize(300, 120);
    view.setUtf8(std::string("\x01\x1b\x7f", 3));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTest::qWait(200);
    const QImage shown = OnScreen(view.viewport());
    const QRgb base = view.palette().color(QPalette::Base).rgb();
    for (size_t at = 0; at < 3; ++at) {
      const QRect cell = view.characterRect(at).adjusted(1, 0, -1, 0);
      int ink = 0;
      for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) ink += shown.pixel(x, y) != base;
      }
      QVERIFY2(ink >= view.fontMetrics().height(), qPrintable(QString("%1: %2").arg(at).arg(ink)));
    }
  }
};

QTEST_MAIN(DesktopSessionTest)
#include "desktop_session_test.moc"
