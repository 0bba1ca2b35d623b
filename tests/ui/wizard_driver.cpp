// SPDX-License-Identifier: Apache-2.0
#include "tests/ui/wizard_driver.h"

#include <zlib.h>

#include <QBuffer>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "formats/docx/zip/docx_writer.h"
#include "ui/doc_frm.h"
#include "ui/user_settings.h"

namespace kw::uitest {

void AnswerDiscard(QMessageBox::StandardButton button, QString* asked) {
  OnModal<QMessageBox>(
      [=](QMessageBox* box) {
        if (asked != nullptr) *asked = box->text();
        box->button(button)->click();
      },
      [](QMessageBox* box) { return box->objectName() == "DiscardQuestion"; });
}

void Click(QWidget* root, const char* name) {
  auto* widget = root->findChild<QWidget*>(name);
  QVERIFY2(widget != nullptr, name);
  QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

QString SaveOverExisting(QWidget* root, const char* button, const QString& target) {
  QString message;
  OnModal<QFileDialog>([&](QFileDialog* dialog) {
    dialog->selectFile(target);
    OnModal<QMessageBox>([&](QMessageBox* replace) {
      replace->button(QMessageBox::Yes)->click();
      OnModal<QMessageBox>([&](QMessageBox* box) {
        message = box->text();
        box->accept();
      });
    });
    static_cast<QDialog*>(dialog)->accept();
  });
  Click(root, button);
  return message;
}

void ClickStepHeader(ui::DocFrm& frm, int step) {
  QTabBar* bar = frm.findChild<QTabWidget*>("DocTab")->tabBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(step - 1).center());
}

// Without the mnemonic marker.
QString NextCaption(ui::DocFrm& frm) { return frm.findChild<QPushButton*>("CmdNext")->text().remove('&'); }
bool NextEnabled(ui::DocFrm& frm) { return frm.findChild<QPushButton*>("CmdNext")->isEnabled(); }
bool BackEnabled(ui::DocFrm& frm) { return frm.findChild<QPushButton*>("CmdBack")->isEnabled(); }

QByteArray DocWithText(const QByteArray& text) {
  QByteArray bytes(0xA00, '\0');
  bytes.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
  bytes += text;
  bytes += "\x25\xB0";
  bytes += QByteArray(300, '\x7F');
  return bytes;
}

namespace {
QByteArray Encode(int width, int height, const char* format) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(QColor(40, 120, 200));
  QPainter(&image).fillRect(0, 0, width / 2, height / 2, Qt::yellow);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}
}  // namespace

QByteArray TinyJpeg(int width, int height) { return Encode(width, height, "JPG"); }
QByteArray TinyPng(int width, int height) { return Encode(width, height, "PNG"); }

QByteArray DocxWithText(const QString& text) {
  QTemporaryDir dir;
  const QString path = dir.filePath("made.docx");
  const QByteArray utf8 = text.toUtf8();
  if (!WriteDocx(QFile::encodeName(path).toStdString(), std::string_view(utf8.data(), utf8.size())).ok()) {
    return {};
  }
  return ReadAll(path);
}

QByteArray StoredPackage(const QList<QPair<QByteArray, QByteArray>>& entries) {
  const auto le = [](quint32 v, int bytes) {
    QByteArray out;
    for (int i = 0; i < bytes; ++i) out += char((v >> (8 * i)) & 0xFF);
    return out;
  };
  QByteArray zip;
  for (const auto& [name, data] : entries) {
    const quint32 crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size());
    zip += le(0x04034B50, 4) + le(20, 2) + le(0, 2) + le(0, 2) + le(0, 4) + le(crc, 4) + le(data.size(), 4) +
           le(data.size(), 4) + le(name.size(), 2) + le(0, 2) + name + data;
  }
  return zip;
}

QByteArray PackageWithPicture(const QByteArray& text, const QByteArray& picture) {
  const QByteArray xml =
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
      "<w:p><w:r><w:t>" +
      text + "</w:t></w:r></w:p></w:body></w:document>";
  return StoredPackage({{"word/document.xml", xml}, {"word/media/image1.png", picture}});
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  return path;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Prepare(ui::DocFrm& frm, int delayMs) {
  // Remembered files and folders go to a settings file of the test's own.
  static QTemporaryDir settings;
  static const bool once = (ui::UseSettingsFile(settings.filePath("kwrecover-gui.ini")), true);
  (void)once;
  frm.setJobStartDelay(delayMs);
  frm.show();
  frm.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&frm));
}

void GoToModes(ui::DocFrm& frm, const QString& path, const char* modeBox) {
  auto* box = frm.findChild<QLineEdit*>("txtDocFileName");
  box->setFocus();
  box->clear();
  QTest::keyClicks(box, path);
  Click(&frm, "CmdNext");
  QCOMPARE(frm.currentStep(), 2);
  Click(&frm, modeBox);
}

void RunJob(ui::DocFrm& frm) {
  QVERIFY(NextEnabled(frm));
  Click(&frm, "CmdNext");
  QTRY_VERIFY_WITH_TIMEOUT(!frm.jobRunning(), 60000);
}

}  // namespace kw::uitest
