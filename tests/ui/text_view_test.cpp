// SPDX-License-Identifier: Apache-2.0
// The text preview's viewer: wrapping, selecting with mouse and keys,
// copying, and a very long text.

#include "ui/text_view.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

using kw::ui::TextView;

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
