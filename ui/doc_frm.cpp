// SPDX-License-Identifier: Apache-2.0
#include "ui/doc_frm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/app_info.h"
#include "ui/doc_about.h"
#include "ui/doc_progress.h"
#include "ui/file_page.h"
#include "ui/help.h"
#include "ui/icons.h"
#include "ui/images_page.h"
#include "ui/job_runner.h"
#include "ui/local_names.h"
#include "ui/mode_page.h"
#include "ui/preview_copies.h"
#include "ui/save_page.h"
#include "ui/text_page.h"
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

constexpr QSize kUsualSize(760, 540);

}  // namespace

DocFrm::DocFrm(QWidget* parent)
    : QMainWindow(parent),
      programDir_(QCoreApplication::applicationDirPath()),
      startDelayMs_(DocProgress::kDefaultStartDelayMs),
      steps_(new QTabWidget(this)),
      filePage_(new FilePage(this)),
      modePage_(new ModePage(this)),
      textPage_(new TextPage(this)),
      imagesPage_(new ImagesPage(this)),
      savePage_(new SavePage(
          textPage_->textView(), [this] { return filePage_->pathBox()->text(); }, this)),
      backButton_(new QPushButton(tr("&Back"), this)),
      nextButton_(new QPushButton(tr("&Next >"), this)),
      closeButton_(new QPushButton(tr("&Close"), this)),
      nextReason_(new QLabel(this)) {
  setObjectName("DocFrm");
  setWindowTitle(kWindowTitle);
  setWindowIcon(AppIcon());
  // Copies of pictures that a crashed wizard left behind.
  PreviewCopies::RemoveLeftovers();

  steps_->setObjectName("DocTab");
  steps_->addTab(filePage_, tr("Step - 1"));
  steps_->addTab(modePage_, tr("Step - 2"));
  steps_->addTab(textPage_, tr("Preview Recovered Text"));
  steps_->addTab(imagesPage_, tr("Preview Recovered Images"));
  steps_->addTab(savePage_, tr("Save Document"));
  steps_->setTabToolTip(0, tr("Choose the damaged document"));
  steps_->setTabToolTip(1, tr("Choose how to recover it"));
  steps_->setTabToolTip(2, tr("The recovered text"));
  steps_->setTabToolTip(3, tr("The recovered pictures"));
  steps_->setTabToolTip(4, tr("Save the recovered text"));
  steps_->setAccessibleName(tr("Steps"));
  steps_->setAccessibleDescription(tr("The five steps of a recovery"));
  steps_->tabBar()->setAccessibleName(tr("Steps"));
  steps_->tabBar()->setAccessibleDescription(tr("The five steps of a recovery; the unavailable ones are greyed out"));
  backButton_->setObjectName("CmdBack");
  backButton_->setToolTip(tr("Go back one step"));
  nextButton_->setObjectName("CmdNext");
  nextButton_->setToolTip(tr("Go on to the next step"));
  nextButton_->setDefault(true);
  closeButton_->setObjectName("CmdClose");
  closeButton_->setToolTip(tr("End the program"));
  nextReason_->setObjectName("LblNextReason");
  nextReason_->setForegroundRole(QPalette::PlaceholderText);
  nextReason_->setWordWrap(true);
  nextReason_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(nextReason_, 1);
  buttons->addWidget(backButton_);
  buttons->addWidget(nextButton_);
  buttons->addSpacing(12);
  buttons->addWidget(closeButton_);
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->addWidget(steps_, 1);
  layout->addLayout(buttons);
  setCentralWidget(central);
  buildMenus();
  setAcceptDrops(true);
  // Enter on a focused button presses that button.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(true);

  connect(steps_, &QTabWidget::currentChanged, this, &DocFrm::DocTab_TabSelected);
  connect(nextButton_, &QPushButton::clicked, this, &DocFrm::CmdNext_Click);
  connect(backButton_, &QPushButton::clicked, this, &DocFrm::CmdBack_Click);
  connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
  connect(filePage_->browseButton(), &QPushButton::clicked, this, [this] {
    const QString name = chooseFile();
    if (!name.isEmpty()) filePage_->pathBox()->setText(QDir::toNativeSeparators(name));
  });
  connect(modePage_, &ModePage::modeClicked, this, &DocFrm::Mode_Click);
  connect(savePage_, &SavePage::textSaved, this, [this] { unsaved_.textSaved(); });
  connect(imagesPage_, &ImagesPage::allPicturesSaved, this, [this] { unsaved_.picturesSaved(); });
  connect(qApp, &QGuiApplication::commitDataRequest, this, &DocFrm::commitData);
  // Back or Next switched off while it has the focus hands it along the tab
  // order, and from Next that is Close: one more Space would end the
  // program. The step's own controls take it instead.
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (now == closeButton_ && (old == nextButton_ || old == backButton_) && !(old->isEnabled() && old->isVisible())) {
      focusStep();
    }
  });

  // Form_Load: step 1, step 3 available, step 4 not.
  backButton_->setEnabled(false);
  selectStep(1);
  setStepAvailable(4, false);
  setStepAvailable(3, true);
  // Every step's header is shown whole, whatever the font, and the window
  // grows to show every page whole (fitWindow).
  steps_->tabBar()->setUsesScrollButtons(false);
  steps_->tabBar()->setElideMode(Qt::ElideNone);
  resize(kUsualSize.boundedTo(screen()->availableGeometry().size()));
  for (int i = 0; i < steps_->count(); ++i) steps_->widget(i)->installEventFilter(this);
  filePage_->pathBox()->setFocus();
  // The focus is shown from the first step, not only once Tab was pressed.
  setAttribute(Qt::WA_KeyboardFocusChange);
}

// The focus moves while the controls are destroyed, after this part of the
// window is gone.
DocFrm::~DocFrm() {
  disconnect(focusWatch_);
  status_.reset();
  job_.reset();
}

void DocFrm::buildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->setObjectName("mnuFile");
  QAction* open = file->addAction(tr("&Start Document Repair"), this, &DocFrm::mnuOpen_Click);
  open->setObjectName("mnuOpen");
  open->setShortcut(QKeySequence::Open);
  recentMenu_ = file->addMenu(tr("Open &Recent"));
  recentMenu_->setObjectName("mnuRecent");
  connect(recentMenu_, &QMenu::aboutToShow, this, &DocFrm::fillRecentMenu);
  QAction* save = file->addAction(tr("S&ave Recovered Text..."), savePage_, &SavePage::saveText);
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
    const QString& path = files[i];
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

void DocFrm::fitWindow() {
  fitPending_ = false;
  const QSize available = screen()->availableGeometry().size();
  const int width = std::min(std::max(this->width(), minimumSizeHint().width()), available.width());
  // What lies round a page (menu, tab strip, buttons, margins), as laid out now.
  const QSize around = size() - steps_->currentWidget()->size();
  const int pageWidth = width - around.width();
  // The pages' wrapped lines at that width: the tallest page sets the height.
  int pages = 0;
  for (int i = 0; i < steps_->count(); ++i) {
    QWidget* page = steps_->widget(i);
    pages =
        std::max(pages, page->hasHeightForWidth() ? page->heightForWidth(pageWidth) : page->minimumSizeHint().height());
  }
  const int height = std::min(std::max(this->height(), pages + around.height()), available.height());
  // Smaller than that, text would be cut.
  steps_->setMinimumHeight(std::max(0, std::min(pages, available.height() - around.height())) +
                           (steps_->height() - steps_->currentWidget()->height()));
  if (width != this->width() || height != this->height()) resize(width, height);
}

bool DocFrm::eventFilter(QObject* watched, QEvent* event) {
  // A page whose content changed (a line shown, a font changed) may need more room.
  if (event->type() == QEvent::LayoutRequest && !fitPending_) {
    fitPending_ = true;
    QTimer::singleShot(0, this, &DocFrm::fitWindow);
  }
  return QMainWindow::eventFilter(watched, event);
}

void DocFrm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  fitWindow();
}

void DocFrm::setDocFileName(const QString& path) { filePage_->pathBox()->setText(path); }

QString DocFrm::chooseFile() {
  const QFileInfo current(filePage_->pathBox()->text());
  // The document's folder, the one last opened from, or the home folder:
  // never the folder the program happened to start in.
  QString folder = RememberedFolder(Folder::kOpen);
  if (fileChosen() && current.isAbsolute() && current.dir().exists()) folder = current.absolutePath();
  if (folder.isEmpty()) folder = QDir::homePath();
  // Qt separates the patterns of one filter with blanks.
  const QString filters = tr("Word Documents (*.doc *.docx)") + ";;" + tr("Word 97-2003 Documents (*.doc)") + ";;" +
                          tr("Word 2007 Documents (*.docx)") + ";;" + tr("All files (*)");
  const QString name = GetOpenLocalFileName(this, folder, filters);
  if (!name.isEmpty()) RememberFolder(Folder::kOpen, QFileInfo(name).absolutePath());
  return name;
}

bool DocFrm::mayDiscardResult() {
  if (!unsaved_.any()) return true;
  switch (unsaved_.ask(this)) {
    case QMessageBox::Discard: unsaved_.clear(); return true;
    case QMessageBox::Save:
      if (unsaved_.text() && !savePage_->saveText()) return false;
      if (unsaved_.pictures() && !imagesPage_->saveAllPictures()) return false;
      return !unsaved_.any();
    default: return false;
  }
}

void DocFrm::commitData(QSessionManager& manager) {
  if (!unsaved_.any() || !manager.allowsInteraction()) return;
  const bool mayGo = mayDiscardResult();
  manager.release();
  if (!mayGo) manager.cancel();
}

void DocFrm::useDocument(const QString& path) {
  if (job_ != nullptr) return;  // the status window is up
  if (!mayDiscardResult()) return;
  filePage_->pathBox()->setText(QDir::toNativeSeparators(path));
  restart();
  setNextEnabled(true);
  filePage_->pathBox()->setFocus();
}

void DocFrm::dragEnterEvent(QDragEnterEvent* event) {
  if (job_ == nullptr && !DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void DocFrm::dropEvent(QDropEvent* event) {
  const QString path = DroppedFile(event->mimeData());
  if (path.isEmpty() || job_ != nullptr) return;
  event->acceptProposedAction();
  useDocument(path);
}

void DocFrm::mnuOpen_Click() {
  // A cancelled dialog changes nothing.
  const QString name = chooseFile();
  if (name.isEmpty() || !mayDiscardResult()) return;
  filePage_->pathBox()->setText(QDir::toNativeSeparators(name));
  restart();
}

void DocFrm::restart() {
  selectStep(1);
  modePage_->clearAll();
  textPage_->clear();
}

void DocFrm::closeEvent(QCloseEvent* event) {
  if (!mayDiscardResult()) {
    event->ignore();
    return;
  }
  // A job that still runs is stopped first (within a fraction of a second);
  // its working files go with it.
  status_.reset();
  job_.reset();
  event->accept();
  QMainWindow::closeEvent(event);
}

}  // namespace kw::ui
