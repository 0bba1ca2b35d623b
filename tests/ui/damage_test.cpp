// SPDX-License-Identifier: Apache-2.0
// The damage summary on the preview steps: shown with its details after a
// job whose readers skipped or cut something, hidden after one that did not.

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "base/damage_report.h"
#include "tests/ui/wizard_driver.h"
#include "ui/damage_text.h"
#include "ui/doc_frm.h"

using namespace kw::uitest;
using kw::ui::DocFrm;

namespace {

QWidget* Page(DocFrm& frm) { return frm.findChild<QTabWidget*>("DocTab")->currentWidget(); }

// The current step's summary line, empty when hidden, then the lines Details
// lists (its window closed again with Close).
QStringList Damage(DocFrm& frm) {
  auto* line = Page(frm)->findChild<QLabel*>("LblDamage");
  if (line->isVisible() != Page(frm)->findChild<QPushButton*>("CmdDamageDetails")->isVisible()) return {"half shown"};
  if (!line->isVisible()) return {};
  QStringList lines{line->text()};
  OnModal<QDialog>([&](QDialog* window) {
    lines << window->findChild<QPlainTextEdit*>("TxtDamageDetails")->toPlainText().split('\n');
    Click(window, "CmdClose");
  });
  Click(Page(frm), "CmdDamageDetails");
  if (QApplication::activeModalWidget() != nullptr) lines << "still open";
  return lines;
}

}  // namespace

class DamageTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;

 private slots:
  void textStepSumsUpTheLastJobOnly() {
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, WriteFile(dir_, "no-package.docx", "no package here"), "OptQuickMode");
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 3);
    QCOMPARE(Damage(frm), QStringList({"1 damaged place was skipped or cut.",
                                       "offset 0, length 15, docx: No entry named \"word/document\" was found: no "
                                       "text was read."}));
    Click(&frm, "CmdBack");
    Click(&frm, "CmdBack");
    GoToModes(frm, WriteFile(dir_, "intact.docx", DocxWithText("Fine")), "OptSalvageMode");
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 3);
    QCOMPARE(Damage(frm), QStringList());
  }

  void pictureStepShowsAPictureWithoutAnEnd() {
    const QByteArray png = TinyPng(20, 10);
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, WriteFile(dir_, "cut.doc", png + "0123456789\xFF\xD8\xFF\xE0" + QByteArray(20, 'x')),
              "OptImageMode");
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 4);
    QCOMPARE(Damage(frm), QStringList({"1 damaged place was skipped or cut.",
                                       QString("offset %1, length 24, jpeg: A JPEG picture starts here but no end "
                                               "marker follows: it was not listed.")
                                           .arg(png.size() + 10)}));
  }

  void placesBeyondTheListAreCounted() {
    kw::DamageReport report;
    for (int64_t i = 0; i < int64_t(kw::DamageReport::kMaxEntries) + 2; ++i) report.add(i, 1, "zip", "Cut.");
    QCOMPARE(kw::ui::DamageSummaryLine(report), QString("10002 damaged places were skipped or cut."));
    const QStringList lines = kw::ui::DamageDetailLines(report);
    QCOMPARE(lines.size(), 10001);
    QCOMPARE(lines.last(), QString("2 more damaged places are not listed."));
  }
};

QTEST_MAIN(DamageTest)
#include "damage_test.moc"
