// SPDX-License-Identifier: Apache-2.0
// File names that are not valid UTF-8: a document chosen with Browse or given
// as the program's argument is recovered and its pictures shown, and text
// and pictures are saved into a folder whose name is not UTF-8 either.

#include <sys/stat.h>

#include <QFileDialog>
#include <QListWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/ui/wizard_driver.h"
#include "ui/doc_frm.h"
#include "ui/local_names.h"
#include "ui/picture_view.h"
#include "ui/text_view.h"

using namespace kw::uitest;
using kw::ui::DocFrm;

namespace {
QByteArray ReadRaw(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}
}  // namespace

class FileNamesTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;
  std::string folder_;  // "dépôt" in Latin-1
  std::string doc_;     // "café.doc" in Latin-1: text, then a picture
  QByteArray jpeg_ = TinyJpeg(8, 6);

  // A save dialog, answered with `name` in folder_ as the dialog lists it.
  void saveIntoFolder(DocFrm& frm, const char* button, const QString& name) {
    OnModal<QFileDialog>([this, name](QFileDialog* dialog) {
      dialog->setDirectory(dir_.path());
      dialog->selectFile(QFile::decodeName("d\xE9p\xF4t/") + name);
      static_cast<QDialog*>(dialog)->accept();
    });
    Click(&frm, button);
  }

 private slots:
  void initTestCase() {
    const std::string base = QFile::encodeName(dir_.path()).toStdString();
    folder_ = base + "/d\xE9p\xF4t";
    QCOMPARE(::mkdir(folder_.c_str(), 0700), 0);
    doc_ = base + "/caf\xE9.doc";
    const QByteArray bytes = DocWithText("Dear Sir") + jpeg_;
    std::ofstream(doc_, std::ios::binary).write(bytes.data(), bytes.size());
  }

  // QTemporaryDir cannot remove names that are not UTF-8: the bytes are.
  void cleanupTestCase() { std::filesystem::remove_all(QFile::encodeName(dir_.path()).toStdString()); }

  void browsedDocumentIsRecoveredAndSaved() {
    DocFrm frm;
    Prepare(frm);
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      dialog->selectFile(QFile::decodeName(QByteArray::fromStdString(doc_)));
      static_cast<QDialog*>(dialog)->accept();
    });
    Click(&frm, "CmdBowse");
    Click(&frm, "CmdNext");
    Click(&frm, "OptQuickMode");
    RunJob(frm);
    const QString text = frm.findChild<kw::ui::TextView*>("TxtRepairedDocContent")->toPlainText();
    QVERIFY2(text.contains("Dear Sir"), qPrintable(text));
    Click(&frm, "CmdNext");
    saveIntoFolder(frm, "CmdSaveText", "out.txt");
    QVERIFY(ReadRaw(folder_ + "/out.txt").contains("Dear Sir"));
  }

  void picturesOfAnArgumentAreShownAndSaved() {
    DocFrm frm;
    Prepare(frm);
    frm.setDocFileName(kw::ui::FromLocalPath(doc_));  // as main() passes argv[1]
    Click(&frm, "CmdNext");
    Click(&frm, "OptImageMode");
    RunJob(frm);
    auto* list = frm.findChild<QListWidget*>("LstPicture");
    QCOMPARE(list->count(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QCOMPARE(frm.findChild<kw::ui::PictureView*>("WebBrowser1")->format(), QByteArray("jpeg"));
    saveIntoFolder(frm, "CmdSavePicture", "p.jpg");
    QCOMPARE(ReadRaw(folder_ + "/p.jpg"), jpeg_);
  }
};

QTEST_MAIN(FileNamesTest)
#include "file_names_test.moc"
