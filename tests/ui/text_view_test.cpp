// SPDX-License-Identifier: Apache-2.0
// The text preview's viewer: wrapping (by display width too), control
// characters drawn as boxes, runs of empty lines folded, the caret and the
// focus frame, selecting with mouse and keys, copying, what screen readers
// get, a very long text, and the find bar of the text page.

#include "ui/text_view.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

#include "ui/find_bar.h"
#include "ui/text_cells.h"
#include "ui/text_page.h"

using kw::ui::TextView;
namespace ui = kw::ui;

class TextViewTest : public QObject {
  Q_OBJECT
 private:
  // Point in the viewport of column `column` of visible row `row`.
  static QPoint At(TextView& view, int row, int column) {
    const QFontMetricsF metrics(view.font());
    return QPoint(4 + static_cast<int>(column * metrics.horizontalAdvance(u'M')),
                  row * view.fontMetrics().lineSpacing() + 2);
  }

 private slots:
  void selectsWithTheMouseAndCopies() {
    TextView view;
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setPlainText("first line\r\nsecond line\r\nthird");
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, At(view, 0, 6));
    QTest::mouseMove(view.viewport(), At(view, 1, 6));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, At(view, 1, 6));
    QCOMPARE(view.selectedText(), QString("line\r\nsecond"));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("line\nsecond"));

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, At(view, 2, 2));
    QCOMPARE(view.selectedText(), QString("third"));
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view.selectedText(), view.toPlainText());
  }

  void wrapsLongLinesAtTheWidth() {
    TextView view;
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // Rows break after a blank: the second row starts with a whole word.
    QString words;
    for (int i = 10; i < 99; ++i) words += QString("word%1 ").arg(i);
    view.setPlainText(words);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, At(view, 1, 0));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, At(view, 1, 0));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, At(view, 1, 0));
    const QString firstOfRow = view.selectedText();
    QVERIFY2(QRegularExpression("^word\\d\\d$").match(firstOfRow).hasMatch(), qPrintable(firstOfRow));
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, At(view, 1, 0));
    QTest::mouseMove(view.viewport(), At(view, 1, 6));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, At(view, 1, 6));
    QCOMPARE(view.selectedText(), firstOfRow);

    // A word longer than a row is cut.
    view.setPlainText(QString(1000, 'x') + "\n\nend");
    const int rowsNarrow = view.rowCount();
    QVERIFY(rowsNarrow > 5);
    view.resize(600, 200);
    QVERIFY(view.rowCount() < rowsNarrow);
    // The last row shows the last line.
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
  }

  void selectsWholeCharactersOfAccentedText() {
    TextView view;
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setPlainText(QString::fromUtf8("caf\u00e9 cr\u00e8me \u00e0 la carte"));
    // Columns count characters, not bytes: columns 5 to 10 are "crème".
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, At(view, 0, 5));
    QTest::mouseMove(view.viewport(), At(view, 0, 10));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, At(view, 0, 10));
    QCOMPARE(view.selectedText(), QString::fromUtf8("cr\u00e8me"));
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, At(view, 0, 1));
    QCOMPARE(view.selectedText(), QString::fromUtf8("caf\u00e9"));
  }

  void wrapsWideCharactersByColumns() {
    QCOMPARE(ui::CellWidth(U'a'), 1);
    QCOMPARE(ui::CellWidth(U'\u4E2D'), 2);      // CJK ideograph
    QCOMPARE(ui::CellWidth(U'\uFF21'), 2);      // fullwidth A
    QCOMPARE(ui::CellWidth(U'\U0001F600'), 2);  // emoji
    QCOMPARE(ui::CellWidth(U'\u0301'), 0);      // combining acute
    QCOMPARE(ui::CellWidth(U'\u00E9'), 1);
    TextView view;
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int columns = int((view.viewport()->width() - 8) / QFontMetricsF(view.font()).horizontalAdvance(u'M'));
    const int perRow = columns / 2;
    // No blanks: rows break between characters, each holding perRow of them.
    view.setPlainText(QString(3 * perRow + 1, QChar(0x4E2D)));
    QCOMPARE(view.rowCount(), 4);
    // Columns 2 to 6 of the second row are its second and third characters.
    const QString han = QString::fromUtf8("\u65E5\u672C\u8A9E\u6587");
    view.setPlainText(QString(perRow, QChar(0x4E2D)) + han);
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, At(view, 1, 2));
    QTest::mouseMove(view.viewport(), At(view, 1, 6));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, At(view, 1, 6));
    QCOMPARE(view.selectedText(), han.mid(1, 2));
    // A click never splits a letter from its combining mark.
    view.setPlainText(QString::fromUtf8("e\u0301e\u0301x"));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, At(view, 0, 1));
    QCOMPARE(view.selectionStart(), size_t(3));
  }

  void showsControlCharactersAsSymbols() {
    QCOMPARE(ui::ControlLabel(0x01), QString("01"));
    QCOMPARE(ui::ControlLabel(0x1B), QString("1B"));
    QCOMPARE(ui::ControlLabel(0x7F), QString("7F"));
    QCOMPARE(ui::ControlLabel(0x85), QString("85"));
    QCOMPARE(ui::ControlLabel(u'\t'), QString());
    QCOMPARE(ui::ControlLabel(u'A'), QString());
    QCOMPARE(ui::ShownChar(u'\t'), char32_t(u' '));
    const ui::Utf8Char bad = ui::DecodeAt("\xE4\xB8x", 0);  // cut short
    QCOMPARE(bad.code, char32_t(0xFFFD));
    QCOMPARE(bad.length, size_t(2));
    // One column each; a selection over them copies the original bytes.
    TextView view;
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setUtf8("a\x01\x02\x7f\tb");
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, At(view, 0, 1));
    QTest::mouseMove(view.viewport(), At(view, 0, 5));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, At(view, 0, 5));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("\x01\x02\x7f\t"));
    QCOMPARE(view.rowCount(), 1);
    // Drawn by the view itself, whatever fonts there are: a box in the cell
    // (its sides have ink), where a blank cell has none.
    view.setUtf8(std::string("a\x01 ", 3));
    const QImage shown = view.viewport()->grab().toImage();
    const QColor base = view.palette().color(QPalette::Base);
    const auto ink = [&](int column) {
      const QRect cell = view.characterRect(size_t(column)).adjusted(1, 0, -1, 0);  // not the neighbours' edges
      int count = 0;
      for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) count += shown.pixelColor(x, y) != base;
      }
      return count;
    };
    QVERIFY2(ink(1) >= view.fontMetrics().height(), qPrintable(QString::number(ink(1))));
    QCOMPARE(ink(2), 0);
  }

  void foldsRunsOfEmptyLines() {
    TextView view;
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QString gap = QString("\r\n").repeated(14);  // a .docx picture's lines
    view.setPlainText("before" + gap + "after");
    QCOMPARE(view.rowCount(), 3);
    view.repaint();
    // Copying gives the text as it was.
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view.selectedText(), "before" + gap + "after");
    // A few empty lines stay as they are.
    view.setPlainText("before" + QString("\r\n").repeated(TextView::kFoldLines) + "after");
    QCOMPARE(view.rowCount(), int(TextView::kFoldLines) + 1);
  }

  void caretMovesWithTheKeysAndShowsWithTheFocus() {
    TextView view;
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    view.setPlainText("first line\r\nsecond line\r\nthird");
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
      QTest::keyClick(&view, key, modifiers);
    };
    QCOMPARE(view.caret(), size_t(0));
    for (int i = 0; i < 3; ++i) press(Qt::Key_Right);
    QCOMPARE(view.caret(), size_t(3));
    press(Qt::Key_Right, Qt::ShiftModifier);
    press(Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(view.selectedText(), QString("st"));
    press(Qt::Key_Down);  // the same column of the next row
    QCOMPARE(view.caret(), size_t(12 + 5));
    QCOMPARE(view.selectedText(), QString());
    press(Qt::Key_End);
    QCOMPARE(view.caret(), size_t(23));
    press(Qt::Key_Right);  // over the line break in one step
    QCOMPARE(view.caret(), size_t(25));
    press(Qt::Key_Home, Qt::ShiftModifier);
    press(Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(view.selectedText(), QString("second line\r\n"));
    press(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view.caret(), view.utf8().size());
    press(Qt::Key_Home, Qt::ControlModifier);
    press(Qt::Key_Left);
    QCOMPARE(view.caret(), size_t(0));

    // With the focus: a caret at its place and a frame in the highlight colour.
    view.setFocus();
    QTRY_VERIFY(view.hasFocus());
    press(Qt::Key_Right);
    const QImage focused = view.viewport()->grab().toImage();
    const QRect caret = view.characterRect(view.caret());
    QCOMPARE(focused.pixelColor(caret.left(), caret.center().y()), view.palette().color(QPalette::Text));
    const QPoint edge = view.viewport()->geometry().topLeft() + QPoint(-1, view.viewport()->height() / 2);
    QCOMPARE(view.grab().toImage().pixelColor(edge), view.palette().color(QPalette::Highlight));
    view.clearFocus();
    QVERIFY(view.grab().toImage().pixelColor(edge) != view.palette().color(QPalette::Highlight));
    QVERIFY(view.viewport()->grab().toImage().pixelColor(caret.left(), caret.center().y()) !=
            view.palette().color(QPalette::Text));
  }

  void screenReadersGetTheTextTheCaretAndTheSelection() {
    TextView view;
    view.setAccessibleName("Recovered text");
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    // UTF-16 offsets, as screen readers count: the emoji takes two.
    view.setPlainText(QString::fromUtf8("caf\u00e9 \U0001F600 ok\r\nline two"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    QVERIFY(accessible != nullptr);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QVERIFY(accessible->state().readOnly);
    QVERIFY(accessible->state().multiLine);
    QCOMPARE(accessible->text(QAccessible::Name), QString("Recovered text"));
    QAccessibleTextInterface* text = accessible->textInterface();
    QVERIFY(text != nullptr);
    const QString all = view.toPlainText();
    QCOMPARE(text->characterCount(), int(all.size()));
    QCOMPARE(text->text(0, text->characterCount()), all);
    QCOMPARE(text->text(5, 10), all.mid(5, 5));
    QTest::keyClick(&view, Qt::Key_End);
    QCOMPARE(text->cursorPosition(), int(all.indexOf("\r\n")));
    text->setSelection(0, 5, 7);
    QCOMPARE(view.selectedText(), QString::fromUtf8("\U0001F600"));
    int start = 0, end = 0;
    text->selection(0, &start, &end);
    QCOMPARE(QPair(start, end), QPair(5, 7));
    QVERIFY(!text->characterRect(0).isEmpty());
    // A new text is read anew.
    view.setPlainText("new");
    QCOMPARE(text->characterCount(), 3);
  }

  void findsInTheWholeText() {
    ui::TextPage page;
    page.resize(500, 300);
    page.show();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    TextView* view = page.textView();
    // Two matches far apart: the second beyond what one slice searches.
    std::string text = "Alpha beta \xC3\x84rger\r\n";
    text += std::string(8 << 20, 'x') + " alpha \xC3\xA4RGER";
    const size_t second = text.size() - 12;
    page.fill(kw::ui::TextBuffer(std::move(text)));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    auto* bar = page.findBar();
    auto* box = bar->findChild<QLineEdit*>("FindText");
    auto* status = bar->findChild<QLabel*>("FindStatus");
    QVERIFY(bar->isVisible());
    QVERIFY(box->hasFocus());

    QTest::keyClicks(box, "ALPHA");
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_COMPARE(view->selectionStart(), size_t(0));
    QCOMPARE(view->selectedText(), QString("Alpha"));
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_COMPARE(view->selectionStart(), second);
    QTRY_VERIFY(view->layoutFinished());  // the match is shown once its row is found
    QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
    QTest::keyClick(box, Qt::Key_Return);  // round the end
    QTRY_COMPARE(view->selectionStart(), size_t(0));
    QVERIFY(!status->text().isEmpty());
    QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);  // back round the start
    QTRY_COMPARE(view->selectionStart(), second);
    QTest::keyClick(view, Qt::Key_F3, Qt::ShiftModifier);
    QTRY_COMPARE(view->selectionStart(), size_t(0));
    QTest::keyClick(view, Qt::Key_F3);
    QTRY_COMPARE(view->selectionStart(), second);

    // Case folding beyond ASCII, and "Match case".
    box->setText(QString::fromUtf8("\u00C4rger"));
    bar->findChild<QPushButton*>("FindNext")->click();
    QTRY_COMPARE(view->selectedText(), QString::fromUtf8("\u00E4RGER"));
    bar->findChild<QPushButton*>("FindNext")->click();
    QTRY_COMPARE(view->selectionStart(), size_t(11));
    bar->findChild<QCheckBox*>("FindMatchCase")->setChecked(true);
    box->setText("alpha");
    bar->findChild<QPushButton*>("FindPrevious")->click();
    QTRY_COMPARE(view->selectionStart(), second);
    box->setText("gamma");
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_COMPARE(status->text(), QString("Not found"));
    QTest::keyClick(box, Qt::Key_Escape);
    QVERIFY(!bar->isVisible());
  }

  void holdsAHundredMegabytes() {
    std::string text;
    text.reserve(100 << 20);
    const std::string line = std::string(71, 'w') + "\r\n";
    while (text.size() < (100u << 20)) text += line;
    const size_t size = text.size();
    TextView view;
    view.resize(500, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QElapsedTimer timer;
    timer.start();
    view.setUtf8(std::move(text));
    view.repaint();
    qInfo("100 MB text: first screen in %lld ms", static_cast<long long>(timer.elapsed()));
    QVERIFY(!view.layoutFinished());  // the rest comes in pieces
    QTRY_VERIFY_WITH_TIMEOUT(view.layoutFinished(), 60000);
    qInfo("100 MB text: all rows in %lld ms", static_cast<long long>(timer.elapsed()));
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    view.repaint();
    QVERIFY(size_t(view.rowCount()) >= size / 73);
    view.setSelection(size - 5, size);
    QCOMPARE(view.selectedText(), QString("www\r\n"));
  }
};

QTEST_MAIN(TextViewTest)
#include "text_view_test.moc"
