// SPDX-License-Identifier: Apache-2.0
// gui_probe MODE FILE: runs one job in the real wizard (offscreen) and
// prints how long the job took, the longest stall of the event loop while
// it ran, how long showing the result took afterwards, and how long the
// preview then took to lay out all its rows in the background (with the
// longest stall that caused).
//   MODE: quick | salvage | images

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "ui/doc_frm.h"
#include "ui/doc_progress.h"
#include "ui/text_view.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: kw_gui_probe quick|salvage|images FILE\n");
    return 2;
  }
  const QString mode = argv[1];
  const char* box = mode == "images" ? "OptImageMode" : mode == "salvage" ? "OptSalvageMode" : "OptQuickMode";

  kw::ui::DocFrm frm;
  frm.setJobStartDelay(0);
  frm.show();
  frm.setDocFileName(QString::fromLocal8Bit(argv[2]));
  frm.findChild<QPushButton*>("CmdNext")->click();
  frm.findChild<QCheckBox*>(box)->click();

  // A 1 ms timer runs at nearly every pass of the event loop: the gaps
  // between its runs are the stalls a user would feel (at most 1 ms too
  // long). A zero timer would measure the same but keep the GUI thread busy,
  // taking the CPU from the job it measures, which an idle wizard does not.
  QElapsedTimer clock;
  qint64 last = 0, longest = 0, jobEnd = -1;
  bool hooked = false;
  QTimer probe;
  probe.setInterval(1);
  probe.setTimerType(Qt::PreciseTimer);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.nsecsElapsed();
    if (jobEnd < 0) longest = std::max(longest, now - last);
    last = now;
    auto* window = frm.findChild<kw::ui::DocProgress*>();
    if (window && !hooked) {
      hooked = true;
      QObject::connect(window, &QDialog::finished, [&] { jobEnd = clock.nsecsElapsed(); });
    }
  });
  probe.start();
  clock.start();
  frm.findChild<QPushButton*>("CmdNext")->click();  // the job runs on a thread of its own
  while (frm.jobRunning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const qint64 shown = clock.nsecsElapsed();
  // The stall from the last pass of the loop to the job's end counts too.
  if (jobEnd >= 0) longest = std::max(longest, jobEnd - last);

  // The preview lays its rows out in pieces from the event loop.
  const auto* preview = frm.findChild<kw::ui::TextView*>("TxtRepairedDocContent");
  qint64 layoutGap = 0;
  last = clock.nsecsElapsed();
  while (!preview->layoutFinished()) {
    QCoreApplication::processEvents();
    const qint64 now = clock.nsecsElapsed();
    layoutGap = std::max(layoutGap, now - last);
    last = now;
  }
  const qint64 laidOut = clock.nsecsElapsed();
  std::printf(
      "job_ms=%.1f longest_gap_ms=%.1f show_result_ms=%.1f layout_ms=%.1f layout_gap_ms=%.1f "
      "preview_bytes=%zu step=%d\n",
      jobEnd / 1e6, longest / 1e6, (shown - jobEnd) / 1e6, (laidOut - shown) / 1e6, layoutGap / 1e6,
      preview->utf8().size(), frm.currentStep());
  return 0;
}
