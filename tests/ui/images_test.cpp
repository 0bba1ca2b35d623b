// SPDX-License-Identifier: Apache-2.0
// Image Recovery in the wizard: the job lists the pictures, a click or the
// keyboard shows the selected picture with its height, width and depth, a
// picture that cannot be shown or extracted blanks the preview and says why,
// and pictures are saved one by one or all at once.

#include <QBuffer>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "tests/ui/wizard_driver.h"
#include "ui/doc_frm.h"
#include "ui/images_page.h"
#include "ui/picture_row_delegate.h"
#include "ui/picture_view.h"
#include "ui/thumbnail_loader.h"

using namespace kw::uitest;
using kw::ui::DocFrm;
using kw::ui::PictureView;

namespace {

// A 1 x 1 GIF.
const QByteArray kGif =
    QByteArray::fromHex("47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");

QStringList Labels(DocFrm& frm) {
  QStringList texts;
  for (const char* name : {"LblHeight", "LblWidth", "LblDepth"}) texts << frm.findChild<QLabel*>(name)->text();
  return texts;
}

bool LabelsVisible(DocFrm& frm) {
  for (const char* name : {"LblHeightH", "LblHeight", "LblWidthH", "LblWidth", "LblDepthH", "LblDepth"}) {
    if (!frm.findChild<QLabel*>(name)->isVisible()) return false;
  }
  return true;
}

// The picture's record behind row `row`.
QString Record(DocFrm& frm, int row) {
  return frm.findChild<QListWidget*>("LstPicture")->item(row)->data(kw::ui::PictureRowDelegate::kRecordRole).toString();
}

// What the list says under entry `row`.
QString Facts(DocFrm& frm, int row) {
  return frm.findChild<QListWidget*>("LstPicture")->item(row)->data(kw::ui::PictureRowDelegate::kFactsRole).toString();
}

void ClickEntry(DocFrm& frm, int row) {
  auto* list = frm.findChild<QListWidget*>("LstPicture");
  const QRect rect = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

}  // namespace

class ImagesTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;
  QByteArray jpeg_ = TinyJpeg(40, 30);
  QByteArray png_ = TinyPng(20, 10);
  QString doc_;

  // Saves the selected picture as `path` through the dialog; returns the
  // file name the dialog suggested.
  static QString SavePictureAs(DocFrm& frm, const QString& path) {
    QString suggested;
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      suggested = QFileInfo(dialog->selectedFiles().value(0)).fileName();
      dialog->selectFile(path);
      static_cast<QDialog*>(dialog)->accept();
    });
    Click(&frm, "CmdSavePicture");
    return suggested;
  }

  // "Save all pictures..." into `folder`; returns what the message said.
  static QString SaveAllTo(DocFrm& frm, const QString& folder) {
    QString summary;
    OnModal<QFileDialog>([&](QFileDialog* dialog) {
      dialog->setDirectory(folder);
      dialog->selectFile(folder);
      static_cast<QDialog*>(dialog)->accept();
      OnModal<QMessageBox>([&](QMessageBox* box) {
        summary = box->text();
        box->accept();
      });
    });
    Click(&frm, "CmdSaveAllPictures");
    return summary;
  }

 private slots:
  void initTestCase() {
    // A real JPEG, a JPEG that is only markers, a real PNG, in junk.
    QByteArray bytes(500, 'j');
    bytes += jpeg_ + QByteArray(64, '\0');
    bytes += QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(40, 'q') + QByteArray("\xFF\xD9", 2);
    bytes += QByteArray(64, '\0') + png_ + QByteArray(100, 'z');
    doc_ = WriteFile(dir_, "pictures.doc", bytes);
  }

  // Whatever job found the pictures, the text step leads to them and back.
  void deepJobLeadsFromTheTextToItsPictures() {
    const QString docx = WriteFile(dir_, "deep.docx", PackageWithPicture("Deep text", png_));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, docx, "OptDeepMode");
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 3);
    QCOMPARE(frm.findChild<QLabel*>("LblTextSummary")->text(),
             QString("Recovered 1 paragraph (9 characters) and 1 picture"));
    Click(&frm, "CmdNext");
    QCOMPARE(frm.currentStep(), 4);
    QCOMPARE(frm.findChild<QLabel*>("LblFoundImages")->text(), QString("Found (1) Images"));
    auto* list = frm.findChild<QListWidget*>("LstPicture");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QString("image1.png"));  // the part's name
    QVERIFY(Record(frm, 0).endsWith("|image1|png"));
    // Selected from the start: the preview is never blank while there are pictures.
    auto* preview = frm.findChild<PictureView*>("WebBrowser1");
    QCOMPARE(preview->format(), QByteArray("png"));
    QCOMPARE(preview->pictureSize(), QSize(20, 10));
    Click(&frm, "CmdNext");
    QCOMPARE(frm.currentStep(), 5);
    for (int step : {4, 3, 2}) {
      Click(&frm, "CmdBack");
      QCOMPARE(frm.currentStep(), step);
    }
  }

  void jobListsPicturesAndTheSelectionShowsThem() {
    QTemporaryDir programDir;
    WriteFile(programDir, "preview.gif", kGif);
    DocFrm frm;
    frm.setProgramDir(programDir.path());
    Prepare(frm);
    GoToModes(frm, doc_, "OptImageMode");
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 4);  // although step 3 is requested after the job
    QCOMPARE(frm.findChild<QLabel*>("LblFoundImages")->text(), QString("Found (3) Images"));
    auto* list = frm.findChild<QListWidget*>("LstPicture");
    QCOMPARE(list->count(), 3);
    // A name a person understands first; the record behind it as the tooltip and description.
    QCOMPARE(list->item(0)->text(), QString("Picture 1, at byte 500"));
    QVERIFY(Record(frm, 0).startsWith("  Image #1  >     501|"));
    QVERIFY(Record(frm, 0).endsWith("|GridJ0|jpg"));
    QVERIFY(Record(frm, 2).endsWith("|Grid0|png"));
    QCOMPARE(list->item(0)->toolTip(), Record(frm, 0));
    QCOMPARE(list->item(0)->data(Qt::AccessibleDescriptionRole).toString(), Record(frm, 0));
    for (int i = 0; i < 3; ++i) QVERIFY(!list->item(i)->icon().isNull());
    // Thumbnails and facts come from a thread of their own; one count line says the rest.
    QTRY_VERIFY(frm.findChild<kw::ui::ImagesPage*>()->thumbnailsDone());
    QCOMPARE(Facts(frm, 0), QString("JPEG, 40 x 30, %1 bytes").arg(jpeg_.size()));
    QCOMPARE(Facts(frm, 1), QString("Cannot be shown, 46 bytes"));
    QCOMPARE(Facts(frm, 2), QString("PNG, 20 x 10, %1 bytes").arg(png_.size()));
    QCOMPARE(list->item(0)->data(Qt::AccessibleTextRole).toString(),
             QString("Picture 1, at byte 500: JPEG, 40 x 30, %1 bytes").arg(jpeg_.size()));
    QCOMPARE(frm.findChild<QLabel*>("LblPictureSummary")->text(), QString("(1 cannot be shown)"));

    // The first picture is selected at once, not the placeholder.
    auto* preview = frm.findChild<PictureView*>("WebBrowser1");
    QCOMPARE(list->currentRow(), 0);
    QCOMPARE(preview->format(), QByteArray("jpeg"));
    QCOMPARE(preview->pictureSize(), QSize(40, 30));
    QVERIFY(LabelsVisible(frm));
    QCOMPARE(Labels(frm), QStringList({"30", "40", "24"}));
    const QString firstFile = preview->currentFile();
    QCOMPARE(ReadAll(firstFile), jpeg_);

    ClickEntry(frm, 2);
    QCOMPARE(preview->format(), QByteArray("png"));
    QCOMPARE(Labels(frm), QStringList({"10", "20", "24"}));

    // Markers only: nothing of the picture before stays on screen, and the
    // empty dimensions go too.
    ClickEntry(frm, 1);
    QVERIFY(preview->format().isEmpty());
    QVERIFY(!LabelsVisible(frm));
    QVERIFY(!frm.findChild<QLabel*>("LblHeightH")->isVisible());
    QVERIFY(frm.findChild<QLabel*>("LblPreviewError")->isVisible());

    // One copy per picture: selected again, the same copy is shown.
    ClickEntry(frm, 0);
    QCOMPARE(preview->currentFile(), firstFile);
    QCOMPARE(ReadAll(firstFile), jpeg_);

    // A right click opens no menu.
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, preview->rect().center(),
                                 preview->mapToGlobal(preview->rect().center()));
    QApplication::sendEvent(preview, &rightClick);
    QVERIFY(QApplication::activePopupWidget() == nullptr);

    // A second job on the same file numbers from 1 again; the old copies go.
    Click(&frm, "CmdBack");
    RunJob(frm);
    QCOMPARE(list->count(), 3);
    QVERIFY(Record(frm, 0).startsWith("  Image #1  >"));
    QVERIFY(LabelsVisible(frm));
    QVERIFY(!QFile::exists(firstFile));
    QVERIFY(QFile::exists(preview->currentFile()));
  }

  // The preview's copies live in a folder of the process, which is gone once
  // the wizard has ended: normally, by a signal, or (after a crash) when the
  // next wizard starts.
  void copiesLeaveNothingInTheTemporaryFolder() {
    QTemporaryDir temp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", temp.path());
    const auto leftovers = [&] { return QDir(temp.path()).entryList({"kwrecover-gui-*", "sqm*"}, QDir::AllEntries); };
    for (const QString how : {"exit", "term", "kill"}) {
      QProcess child;
      child.setProcessEnvironment(env);
      child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
      child.start(KW_PICTURES_CHILD, {doc_, how == "exit" ? "exit" : "wait"});
      QByteArray out;
      while (!out.contains('\n') && child.waitForReadyRead(60000)) out += child.readAll();
      QVERIFY2(out.startsWith("folder " + QFile::encodeName(temp.path()) + "/kwrecover-gui-"), out.constData());
      const QString folder = QFile::decodeName(out.mid(7, out.indexOf('\n') - 7));
      QVERIFY(!QDir(folder).entryList({"sqm*.tmp"}, QDir::Files).isEmpty());  // the first picture's copy
      if (how == "exit") child.write("go\n");
      if (how == "term") child.terminate();
      if (how == "kill") child.kill();
      QVERIFY(child.waitForFinished(60000));
      if (how == "kill") {
        QVERIFY(QFileInfo::exists(folder));  // a crash leaves it ...
        const QByteArray previous = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        { DocFrm next; }  // ... until the next wizard starts
        qputenv("TMPDIR", previous);
      }
      QVERIFY2(leftovers().isEmpty(), qPrintable(how + ": " + leftovers().join(' ')));
    }
  }

  void refusedExtractionIsShownBesideThePreview() {
    const QString copy = WriteFile(dir_, "copy.doc", ReadAll(doc_));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, copy, "OptImageMode");
    RunJob(frm);
    QFile::remove(copy);
    ClickEntry(frm, 2);  // not copied yet
    auto* error = frm.findChild<QLabel*>("LblPreviewError");
    QVERIFY(error->isVisible());
    QVERIFY2(error->text().contains(copy), qPrintable(error->text()));
    QVERIFY(frm.findChild<PictureView*>("WebBrowser1")->format().isEmpty());
    QVERIFY(!LabelsVisible(frm));
  }

  void keyboardSelectionMovesThePreviewAndTheSaveTarget() {
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc_, "OptImageMode");
    RunJob(frm);
    auto* list = frm.findChild<QListWidget*>("LstPicture");
    auto* preview = frm.findChild<PictureView*>("WebBrowser1");
    QCOMPARE(QApplication::focusWidget(), list);  // the list has the keys after the job
    QTest::keyClick(list, Qt::Key_Down);          // picture 2 (markers only: cannot be shown)
    QCOMPARE(list->currentRow(), 1);
    QVERIFY(preview->format().isEmpty());
    QVERIFY(!LabelsVisible(frm));
    QVERIFY(frm.findChild<QLabel*>("LblPreviewError")->isVisible());
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(preview->format(), QByteArray("png"));
    QCOMPARE(Labels(frm), QStringList({"10", "20", "24"}));
    QVERIFY(!frm.findChild<QLabel*>("LblPreviewError")->isVisible());

    QTemporaryDir out;
    QCOMPARE(SavePictureAs(frm, out.filePath("shown.png")), QString("Grid0.png"));
    QCOMPARE(ReadAll(out.filePath("shown.png")), png_);
  }

  void noPicturesFound() {
    const QString plain = WriteFile(dir_, "plain.doc", DocWithText("no pictures here"));
    QTemporaryDir programDir;
    WriteFile(programDir, "preview.gif", kGif);
    DocFrm frm;
    frm.setProgramDir(programDir.path());
    Prepare(frm);
    GoToModes(frm, plain, "OptImageMode");
    RunJob(frm);
    QCOMPARE(frm.currentStep(), 4);
    QCOMPARE(frm.findChild<QLabel*>("LblFoundImages")->text(), QString("Found (0) Images"));
    QCOMPARE(frm.findChild<QListWidget*>("LstPicture")->count(), 0);
    QVERIFY(!frm.findChild<QPushButton*>("CmdSaveAllPictures")->isEnabled());
    QVERIFY(frm.findChild<QLabel*>("LblPictureSummary")->text().isEmpty());             // one count, not two
    QCOMPARE(frm.findChild<PictureView*>("WebBrowser1")->format(), QByteArray("gif"));  // the placeholder
    QVERIFY(!LabelsVisible(frm));
    QVERIFY(!frm.unsavedResult().any());  // nothing to lose
  }

  void savesOnePictureAndAll() {
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, doc_, "OptImageMode");
    RunJob(frm);
    auto* savePicture = frm.findChild<QPushButton*>("CmdSavePicture");
    QVERIFY(savePicture->isEnabled());  // the first picture is selected
    QVERIFY(frm.unsavedResult().pictures());
    QTemporaryDir out;
    QCOMPARE(SavePictureAs(frm, out.filePath("mine.jpg")), QString("GridJ0.jpg"));
    QCOMPARE(ReadAll(out.filePath("mine.jpg")), jpeg_);

    const QString summary = SaveAllTo(frm, out.path());
    QVERIFY2(summary.startsWith("Saved 3 of 3 pictures"), qPrintable(summary));
    QCOMPARE(ReadAll(out.filePath("GridJ0.jpg")), jpeg_);
    QCOMPARE(ReadAll(out.filePath("Grid0.png")), png_);
    QVERIFY(QFileInfo::exists(out.filePath("GridJ1.jpg")));
    QVERIFY(!frm.unsavedResult().any());  // all saved: nothing is asked on the way out
  }

  void saveAllNamesThePicturesItCouldNotSave() {
    const QString copy = WriteFile(dir_, "gone.doc", ReadAll(doc_));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, copy, "OptImageMode");
    RunJob(frm);
    QFile::remove(copy);
    QTemporaryDir out;
    const QString summary = SaveAllTo(frm, out.path());
    QVERIFY2(summary.startsWith("Saved 0 of 3 pictures"), qPrintable(summary));
    for (const char* name : {"\nGridJ0.jpg: ", "\nGridJ1.jpg: ", "\nGrid0.png: "}) {
      QVERIFY2(summary.contains(name), qPrintable(summary));
    }
  }

  void savingAPictureOntoTheSourceIsRefused() {
    const QString copy = WriteFile(dir_, "GridJ0.jpg", ReadAll(doc_));
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, copy, "OptImageMode");
    RunJob(frm);
    ClickEntry(frm, 0);
    const QString warning = SaveOverExisting(&frm, "CmdSavePicture", copy);
    QVERIFY2(warning.contains("GridJ0.jpg"), qPrintable(warning));
    QCOMPARE(ReadAll(copy), ReadAll(doc_));
  }

  void moreThanTheListCanHoldIsToldAfterTheJob() {
    QByteArray bytes;
    for (int i = 0; i < 32800; ++i) bytes += QByteArray("\xFF\xD8\xFF\xFF\xD9", 5) + QByteArray(8, '\0');
    const QString crowded = WriteFile(dir_, "crowded.doc", bytes);
    DocFrm frm;
    Prepare(frm);
    GoToModes(frm, crowded, "OptImageMode");
    QString notice;
    bool windowClosedFirst = false;
    OnModal<QMessageBox>([&](QMessageBox* box) {
      notice = box->text();
      windowClosedFirst = frm.currentStep() == 4;
      box->accept();
    });
    RunJob(frm);
    QVERIFY(windowClosedFirst);
    QVERIFY2(notice.contains("32767"), qPrintable(notice));
    QCOMPARE(frm.findChild<QListWidget*>("LstPicture")->count(), 32767);
    QCOMPARE(frm.findChild<QLabel*>("LblFoundImages")->text(), QString("Found (32767) Images"));
  }

  // Thumbnails are made in the screen's pixels: sharp on a screen scaled 2x.
  void thumbnailsAreSharpAtTwiceTheScale() {
    kw::PictureRecord picture;
    const QByteArray png = TinyPng(200, 100);
    picture.bytes.assign(png.constData(), static_cast<size_t>(png.size()));
    picture.hasBytes = true;
    const int side = kw::ui::ThumbnailLoader::kThumbnailSize;
    for (const qreal scale : {1.0, 2.0}) {
      const kw::ui::PictureFacts facts =
          kw::ui::ThumbnailLoader::Examine(picture, std::string(), kw::FileIdentity(), scale);
      QVERIFY(facts.showable);
      QCOMPARE(facts.size, QSize(200, 100));
      QCOMPARE(facts.thumbnail.size(), QSize(int(side * scale), int(side * scale / 2)));
      QCOMPARE(facts.thumbnail.devicePixelRatio(), scale);
    }
  }

  void previewRecognisesPicturesByContent() {
    PictureView view;
    view.resize(200, 150);
    QImage image(300, 100, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    QVERIFY(view.navigate(WriteFile(dir_, "sqm1.tmp", bmp)));
    QCOMPARE(view.format(), QByteArray("bmp"));
    QCOMPARE(view.pictureSize(), QSize(300, 100));
    QVERIFY(view.navigate(WriteFile(dir_, "sqm2.tmp", kGif)));
    QCOMPARE(view.format(), QByteArray("gif"));
    QVERIFY(!view.navigate(WriteFile(dir_, "sqm3.tmp", "plain text")));
    QCOMPARE(view.format(), QByteArray("gif"));
    // Shrunk to fit without distortion: 300 x 100 in 192 x 142 is 192 x 64.
    QVERIFY(view.navigate(dir_.filePath("sqm1.tmp")));
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QImage shot = view.grab().toImage();
    int redRows = 0;
    for (int y = 0; y < shot.height(); ++y) redRows += shot.pixelColor(100, y) == QColor(Qt::red);
    QVERIFY2(redRows >= 60 && redRows <= 68, qPrintable(QString::number(redRows)));
  }
};

QTEST_MAIN(ImagesTest)
#include "images_test.moc"
