// SPDX-License-Identifier: Apache-2.0
#include "ui/doc_frm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/app_info.h"
#include "ui/damage_summary.h"
#include "ui/doc_about.h"
#include "ui/doc_progress.h"
#include "ui/file_page.h"
#include "ui/help.h"
#include "ui/icons.h"
#include "ui/images_page.h"
#include "ui/local_names.h"
#include "ui/result_summary.h"
#include "ui/save_page.h"
#include "ui/text_page.h"
#include "ui/text_view.h"
#include "ui/user_settings.h"

namespace kw::ui {

namespace {

// The one local file dropped, as the bytes of its name; empty when the drop
// holds anything else.
QString DroppedFile(const QMimeData* mime) {
  if (mime == nullptr || !mime->hasUrls() || mime->urls().size() != 1) return {};
  const QUrl url = mime->urls().first();
  if (!url.isLocalFile()) return {};
  // Percent-decoded by hand: the bytes of a name that is not UTF-8 stay.
  const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  return FromLocalPath(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace

DocFrm::DocFrm(QWidget* parent)
    : QMainWindow(parent),
      programDir_(QCoreApplication::applicationDirPath()),
      startDelayMs_(DocProgress::kDefaultStartDelayMs),
      DocTab_(new QTabWidget(this)),
      filePage_(new FilePage(this)),
      modePage_(new ModePage(this)),
      textPage_(new TextPage(this)),
      imagesPage_(new ImagesPage(this)),
      savePage_(new SavePage(
          textPage_->TxtRepairedDocContent(), [this] { return filePage_->txtDocFileName()->text(); }, this)),
      CmdBack_(new QPushButton(tr("&Back"), this)),
      CmdNext_(new QPushButton(tr("&Next"), this)),
      CmdClose_(new QPushButton(tr("&Close"), this)) {
  setObjectName("DocFrm");
  setWindowTitle(kWindowTitle);
  setWindowIcon(AppIcon());

  DocTab_->setObjectName("DocTab");
  DocTab_->addTab(filePage_, tr("Step - 1"));
  DocTab_->addTab(modePage_, tr("Step - 2"));
  DocTab_->addTab(textPage_, tr("Preview Recovered Text"));
  DocTab_->addTab(imagesPage_, tr("Preview Recovered Images"));
  DocTab_->addTab(savePage_, tr("Save Document"));
  CmdBack_->setObjectName("CmdBack");
  CmdNext_->setObjectName("CmdNext");
  CmdClose_->setObjectName("CmdClose");
  CmdNext_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CmdBack_);
  buttons->addWidget(CmdNext_);
  buttons->addSpacing(12);
  buttons->addWidget(CmdClose_);
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(DocTab_, 1);
  layout->addLayout(buttons);
  setCentralWidget(central);
  buildMenus();
  setAcceptDrops(true);
  // The usual size, or less on a small screen (or a large scale factor).
  resize(QSize(760, 540).boundedTo(screen()->availableGeometry().size() * 9 / 10));

  connect(DocTab_, &QTabWidget::currentChanged, this, &DocFrm::DocTab_TabSelected);
  connect(CmdNext_, &QPushButton::clicked, this, &DocFrm::CmdNext_Click);
  connect(CmdBack_, &QPushButton::clicked, this, &DocFrm::CmdBack_Click);
  connect(CmdClose_, &QPushButton::clicked, this, &QWidget::close);
  connect(filePage_->CmdBowse(), &QPushButton::clicked, this, &DocFrm::chooseFile);
  // Enter in the path box means Next.
  connect(filePage_->txtDocFileName(), &QLineEdit::returnPressed, this, [this] {
    if (currentStep() == 1) CmdNext_Click();
  });
  connect(modePage_, &ModePage::modeClicked, this, &DocFrm::Mode_Click);
  // Back or Next switched off while it has the focus hands it along the tab
  // order, and from Next that is Close: one more Space would end the
  // program. The step's own controls take it instead.
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (now == CmdClose_ && (old == CmdNext_ || old == CmdBack_) && !old->isEnabled()) focusStep();
  });

  // Form_Load: step 1, step 3 available, step 4 not.
  CmdBack_->setEnabled(false);
  selectStep(1);
  setStepAvailable(4, false);
  setStepAvailable(3, true);
  filePage_->txtDocFileName()->setFocus();
}

// The focus moves while the controls are destroyed, after this part of the
// window is gone.
DocFrm::~DocFrm() { disconnect(focusWatch_); }

void DocFrm::buildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->setObjectName("mnuFile");
  QAction* open = file->addAction(tr("&Start Document Repair"), this, &DocFrm::mnuOpen_Click);
  open->setObjectName("mnuOpen");
  open->setShortcut(QKeySequence::Open);
  recentMenu_ = file->addMenu(tr("Open &Recent"));
  recentMenu_->setObjectName("mnuRecent");
  connect(recentMenu_, &QMenu::aboutToShow, this, &DocFrm::fillRecentMenu);
  QAction* save = file->addAction(tr("S&ave Recovered Text..."), savePage_, &SavePage::CmdSaveText_Click);
  save->setObjectName("mnuSave");
  save->setShortcut(QKeySequence::Save);
  connect(file, &QMenu::aboutToShow, this, [this, save] { save->setEnabled(savePage_->canSave()); });
  file->addSeparator()->setObjectName("mnuSep");
  QAction* exit = file->addAction(tr("E&xit"), this, &QWidget::close);
  exit->setObjectName("mnuExit");
  exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->setObjectName("mnuHelp");
  QAction* contents = help->addAction(tr("&Contents"), this, [this] { ShowHelpContents(this, programDir_); });
  contents->setObjectName("mnuContents");
  contents->setShortcut(QKeySequence::HelpContents);
  help->addSeparator()->setObjectName("mnuSep2");
  help->addAction(tr("Kravelin Software &Website"), this, [] { OpenWebLink(kSiteUrl); })
      ->setObjectName("mnuKravelinSite");
  help->addAction(tr("&About"), this,
                  [this] {
                    DocAbout about(this);
                    about.exec();
                  })
      ->setObjectName("mnuAbout");

  // Kept switched off, as the window has always had it.
  QMenu* picture = menuBar()->addMenu(tr("&Picture"));
  picture->setObjectName("mnuPicture");
  picture->addAction(tr("Kravelin Word Recovery"))->setObjectName("mnuPicChild");
  picture->menuAction()->setEnabled(false);
  picture->setEnabled(false);
}

void DocFrm::fillRecentMenu() {
  recentMenu_->clear();
  const QStringList files = RecentFiles();
  for (int i = 0; i < files.size(); ++i) {
    const QString path = files[i];
    const QString shown = QDir::toNativeSeparators(path).replace("&", "&&");
    QAction* action = recentMenu_->addAction(i < 9 ? QString("&%1 %2").arg(i + 1).arg(shown) : shown, this,
                                             [this, path] { useDocument(path); });
    action->setObjectName(QString("mnuRecent%1").arg(i + 1));
  }
  if (files.isEmpty()) recentMenu_->addAction(tr("(none)"))->setEnabled(false);
  recentMenu_->addSeparator();
  QAction* clear = recentMenu_->addAction(tr("&Clear List"), this, [] { ClearRecentFiles(); });
  clear->setObjectName("mnuRecentClear");
  clear->setEnabled(!files.isEmpty());
}

void DocFrm::setDocFileName(const QString& path) { filePage_->txtDocFileName()->setText(path); }

int DocFrm::currentStep() const { return DocTab_->currentIndex() + 1; }

bool DocFrm::isStepAvailable(int step) const { return DocTab_->isTabEnabled(step - 1); }

bool DocFrm::fileChosen() const { return !filePage_->txtDocFileName()->text().isEmpty(); }

std::string DocFrm::sourcePath() const { return LocalPath(filePage_->txtDocFileName()->text()); }
int DocFrm::optQuickMode() const { return modePage_->value(Mode::kQuick); }
int DocFrm::optImageMode() const { return modePage_->value(Mode::kImage); }
int DocFrm::optSalvageMode() const { return modePage_->value(Mode::kSalvage); }
int DocFrm::optDeepMode() const { return modePage_->value(Mode::kDeep); }

JobMode DocFrm::chosenMode() const {
  if (optSalvageMode() == 1) return JobMode::kSalvage;
  if (optImageMode() == 1) return JobMode::kImages;
  if (optDeepMode() == 1) return JobMode::kDeep;
  return JobMode::kQuick;
}

void DocFrm::selectStep(int step) {
  if (step < 1 || step > 5 || !isStepAvailable(step) || step == currentStep()) return;
  DocTab_->setCurrentIndex(step - 1);
}

void DocFrm::setStepAvailable(int step, bool available) {
  if (step < 1 || step > 5) return;
  // The tab strip moves away from a current tab that is switched off; the
  // wizard's current step stays where it is.
  const int current = DocTab_->currentIndex();
  keepingStep_ = true;
  DocTab_->setTabEnabled(step - 1, available);
  if (DocTab_->currentIndex() != current) DocTab_->setCurrentIndex(current);
  keepingStep_ = false;
}

void DocFrm::GetPicInfo(const QString& sPicName) { imagesPage_->GetPicInfo(sPicName); }

void DocFrm::showNoFileMessage() {
  QMessageBox box(QMessageBox::Information, tr("Select Word Document"),
                  tr("Please select a Word document and select Next to proceed."), QMessageBox::Ok, this);
  box.setObjectName("NoFileMessage");
  box.exec();
}

// Step-entry rules: they run whenever the current step changes.
void DocFrm::DocTab_TabSelected(int index) {
  if (keepingStep_) return;
  switch (index + 1) {
    case 1:
      CmdBack_->setEnabled(false);
      if (fileChosen()) CmdNext_->setEnabled(true);
      break;
    case 2:
      if (fileChosen()) {
        CmdBack_->setEnabled(true);
        CmdNext_->setEnabled(false);
        if (modePage_->anyChosen()) CmdNext_->setEnabled(true);
      } else {
        showNoFileMessage();
        selectStep(1);
        CmdBack_->setEnabled(false);
      }
      break;
    case 3:
    case 4:
      CmdNext_->setText(tr("&Next >"));
      CmdNext_->setEnabled(true);
      break;
    case 5:
      CmdNext_->setText(tr("Save >"));
      CmdNext_->setEnabled(false);
      break;
  }
}

void DocFrm::CmdNext_Click() {
  switch (currentStep()) {
    case 1:
      CmdBack_->setEnabled(false);
      if (fileChosen()) {
        selectStep(2);
        CmdBack_->setEnabled(true);
        CmdNext_->setEnabled(false);
        if (modePage_->anyChosen()) CmdNext_->setEnabled(true);
        // Image Recovery is offered for Word 97-2003 files only; its value stays.
        modePage_->setImageModeOffered(!ContainsDocx(sourcePath()));
      } else {
        showNoFileMessage();
        selectStep(1);
        CmdBack_->setEnabled(false);
      }
      break;
    case 2: startJob(); break;
    case 3:
    case 4:
      selectStep(5);
      CmdNext_->setText(tr("Save >"));
      CmdNext_->setEnabled(false);
      break;
    default: break;
  }
}

void DocFrm::CmdBack_Click() {
  switch (currentStep()) {
    case 2:
      CmdBack_->setEnabled(false);
      selectStep(1);
      break;
    case 3:
    case 4:
      selectStep(2);
      CmdNext_->setText(tr("&Next >"));
      CmdNext_->setEnabled(true);
      break;
    case 5:
      selectStep(optSalvageMode() == 1 || optQuickMode() == 1 || optDeepMode() == 1 ? 3 : 4);
      CmdNext_->setText(tr("&Next >"));
      CmdNext_->setEnabled(true);
      break;
    default: break;
  }
}

void DocFrm::startJob() {
  if (status_ != nullptr) return;  // the job started earlier still runs (OK closed its window)
  CmdBack_->setEnabled(true);
  imagesPage_->clearList();
  textPage_->damageSummary()->clear();
  imagesPage_->damageSummary()->clear();
  textPage_->setSummary(QString());
  AddRecentFile(filePage_->txtDocFileName()->text());
  okStep_ = 0;
  status_ = std::make_unique<DocProgress>(this, JobRequest{sourcePath(), chosenMode()}, startDelayMs_);
  connect(status_.get(), &DocProgress::okClicked, this, &DocFrm::completeJob);
  connect(status_.get(), &DocProgress::jobEnded, this, &DocFrm::jobEnded, Qt::QueuedConnection);
  status_->run();
}

QString DocFrm::placeholderPath() const { return QDir(programDir_).filePath("preview.gif"); }

void DocFrm::completeJob() {
  if (status_ != nullptr) closeStatusWindow(*status_);
  showPreview(/*select=*/true);
  // OK while the job runs: where the user is now, to know later whether
  // they have moved on.
  if (status_ != nullptr && status_->jobRunning()) okStep_ = currentStep();
}

void DocFrm::closeStatusWindow(DocProgress& status) {
  const bool shown = status.isVisible();
  status.closeStatusWindow();
  // Not every platform hands the keys back to the wizard when its modal
  // window goes.
  if (shown) activateWindow();
}

void DocFrm::showPreview(bool select) {
  if (optSalvageMode() == 1 || optQuickMode() == 1 || optDeepMode() == 1) {
    if (select) selectStep(3);
    return;
  }
  if (optImageMode() == 1) {
    imagesPage_->setFoundImages(tr("Found (%1) Images").arg(imagesPage_->LstPicture()->count()));
    if (QFileInfo(placeholderPath()).isFile()) imagesPage_->navigate(placeholderPath());
    if (select) selectStep(4);
  }
}

void DocFrm::jobEnded() {
  if (status_ == nullptr) return;  // the job was stopped by closing the wizard
  const std::unique_ptr<DocProgress> status = std::move(status_);
  // After OK the user may have gone to another step: the result is filled
  // in, but the wizard stays where they are.
  const bool movedOn = okStep_ != 0 && currentStep() != okStep_;
  okStep_ = 0;
  const bool ran = status->jobRan();
  JobResult& result = status->result();
  if (ran && result.engine == EngineKind::kImages) {
    setStepAvailable(4, true);
    setStepAvailable(3, false);
  }
  // Deep Recovery gives text and, from a package, pictures too.
  if (result.engine == EngineKind::kDeep) {
    setStepAvailable(4, !result.pictures.empty());
    imagesPage_->setFoundImages(tr("Found (%1) Images").arg(result.pictures.size()));
  }
  imagesPage_->setPictures(std::move(result.pictures), status->request().path, result.source);
  closeStatusWindow(*status);
  showPreview(!movedOn);
  if (!movedOn) selectStep(3);
  textPage_->fill(status->takeText());
  if (ran && result.engine != EngineKind::kImages) textPage_->setSummary(TextSummaryLine(status->textStats()));
  DamageSummary* damageShown =
      result.engine == EngineKind::kImages ? imagesPage_->damageSummary() : textPage_->damageSummary();
  damageShown->setReport(result.damage, result.cancelled);
  if (ran && !result.status.ok()) {
    QMessageBox box(QMessageBox::Warning, kWindowTitle, QString::fromStdString(result.status.message()),
                    QMessageBox::Ok, this);
    box.setObjectName("JobError");
    box.exec();
  }
  for (const std::string& notice : result.notices) {
    QMessageBox box(QMessageBox::Information, kWindowTitle, QString::fromStdString(notice), QMessageBox::Ok, this);
    box.setObjectName("JobNotice");
    box.exec();
  }
}

void DocFrm::focusStep() {
  QWidget* page = DocTab_->currentWidget();
  for (QWidget* w = page->nextInFocusChain(); w != page; w = w->nextInFocusChain()) {
    if (page->isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
  DocTab_->tabBar()->setFocus(Qt::TabFocusReason);
}

void DocFrm::chooseFile() {
  const QFileInfo current(filePage_->txtDocFileName()->text());
  const QString folder =
      fileChosen() && current.dir().exists() ? current.absolutePath() : RememberedFolder(Folder::kOpen);
  // Qt separates the patterns of one filter with blanks.
  const QString filters = tr("Word Documents (*.doc *.docx)") + ";;" + tr("Word 97-2003 Documents (*.doc)") + ";;" +
                          tr("Word 2007 Documents (*.docx)") + ";;" + tr("All files (*)");
  const QString name = GetOpenLocalFileName(this, folder, filters);
  // A cancelled dialog leaves the box as it was.
  if (name.isEmpty()) return;
  filePage_->txtDocFileName()->setText(QDir::toNativeSeparators(name));
  RememberFolder(Folder::kOpen, QFileInfo(name).absolutePath());
  AddRecentFile(name);
}

void DocFrm::useDocument(const QString& path) {
  if (status_ != nullptr) return;  // the status window is up
  filePage_->txtDocFileName()->setText(QDir::toNativeSeparators(path));
  AddRecentFile(path);
  restart();
  CmdNext_->setEnabled(true);
  filePage_->txtDocFileName()->setFocus();
}

void DocFrm::dragEnterEvent(QDragEnterEvent* event) {
  if (status_ == nullptr && !DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void DocFrm::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty() || status_ != nullptr) return;
  event->acceptProposedAction();
  useDocument(path);
}

void DocFrm::mnuOpen_Click() {
  chooseFile();
  restart();
}

void DocFrm::restart() {
  selectStep(1);
  modePage_->clearAll();
  textPage_->clear();
  CmdNext_->setText(tr("&Next >"));
}

void DocFrm::Mode_Click(Mode mode, bool checked) {
  if (!checked) {
    CmdNext_->setEnabled(false);
    return;
  }
  CmdNext_->setEnabled(true);
  if (mode == Mode::kImage) {
    setStepAvailable(4, true);
    setStepAvailable(3, false);
  } else {
    setStepAvailable(4, false);
    setStepAvailable(3, true);
  }
}

void DocFrm::closeEvent(QCloseEvent* event) {
  // No confirmation. A job that still runs is stopped first (within a
  // fraction of a second) and its result dropped; its working files go with it.
  status_.reset();
  event->accept();
  QMainWindow::closeEvent(event);
}

}  // namespace kw::ui
