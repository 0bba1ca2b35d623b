#include "ui/doc_progress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/icons.h"
#include "ui/local_names.h"

namespace kw::ui {

// The job's front end: the wizard's inputs and view, this window's progress
// and damage report.
class DocProgress::Host final : public JobHost {
 public:
  Host(WizardInputs& inputs, WizardView& view, StatusWindow& window, DamageReport& damage)
      : inputs_(inputs), view_(view), window_(window), damage_(damage) {}

  std::string sourcePath() const override { return inputs_.sourcePath(); }
  int optQuickMode() const override { return inputs_.optQuickMode(); }
  int optImageMode() const override { return inputs_.optImageMode(); }
  int optSalvageMode() const override { return inputs_.optSalvageMode(); }
  void setProgressMin(int32_t v) override { window_.setProgressMin(v); }
  void setProgressMax(int32_t v) override { window_.setProgressMax(v); }
  void setProgressValue(int32_t v) override { window_.setProgressValue(v); }
  void yield() override { window_.yield(); }
  void closeStatusWindow() override { window_.closeStatusWindow(); }
  void selectStep(int step) override { view_.selectStep(step); }
  void setStepAvailable(int step, bool available) override { view_.setStepAvailable(step, available); }
  void setFoundImagesLabel(const std::string& text) override { view_.setFoundImagesLabel(text); }
  void navigatePreview(const std::string& path) override { view_.navigatePreview(path); }
  void addPictureEntry(const std::string& text) override { view_.addPictureEntry(text); }
  void showNotice(const std::string& text) override { view_.showNotice(text); }
  DamageReport* damageReport() override { return &damage_; }

 private:
  WizardInputs& inputs_;
  WizardView& view_;
  StatusWindow& window_;
  DamageReport& damage_;
};

DocProgress::DocProgress(QWidget* owner, RecoveryJobState& job, WizardInputs& inputs, WizardView& view,
                         const QString& programDir, int startDelayMs)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      host_(std::make_unique<Host>(inputs, view, *this, damage_)),
      controller_(job, *host_, LocalPath(programDir)),
      Timer1_(new QTimer(this)),
      ProgReadDOC_(new QProgressBar(this)),
      CmdOK_(new QPushButton("OK", this)) {
  setObjectName("DocProgress");
  setWindowTitle("Document Repair Status");
  setModal(true);

  Timer1_->setObjectName("Timer1");
  Timer1_->setSingleShot(true);
  Timer1_->setInterval(startDelayMs);
  connect(Timer1_, &QTimer::timeout, this, &DocProgress::Timer1_Timer);

  auto* picture = new QLabel(this);
  picture->setPixmap(AppPixmap(16).scaled(15, 15, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  auto* label = new QLabel(this);
  label->setObjectName("LblStatus");
  label->setTextFormat(Qt::PlainText);
  // The caption as stored reads "&&": one ampersand on screen.
  label->setText("Analyzing document structure &  problem area...");
  ProgReadDOC_->setObjectName("ProgReadDOC");
  ProgReadDOC_->setTextVisible(true);
  ProgReadDOC_->setRange(0, 100);
  ProgReadDOC_->setValue(0);
  ProgReadDOC_->setMinimumWidth(320);
  CmdOK_->setObjectName("CmdOK");
  CmdOK_->setDefault(true);
  connect(CmdOK_, &QPushButton::clicked, this, &DocProgress::CmdOK_Click);

  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::StyledPanel);
  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addWidget(label, 1);
  auto* inner = new QVBoxLayout(frame);
  inner->addLayout(top);
  inner->addWidget(ProgReadDOC_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addWidget(CmdOK_, 0, Qt::AlignRight);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

DocProgress::~DocProgress() = default;

int DocProgress::run() {
  Timer1_->start();
  return exec();
}

void DocProgress::Timer1_Timer() {
  if (ran_) return;
  ran_ = true;
  status_ = controller_.Timer1_Timer();
  Timer1_->stop();
}

void DocProgress::CmdOK_Click() {
  Timer1_->stop();  // before the first tick: no job runs
  controller_.CmdOK_Click();
}

void DocProgress::setProgressMin(int32_t value) { ProgReadDOC_->setMinimum(value); }
void DocProgress::setProgressMax(int32_t value) { ProgReadDOC_->setMaximum(value); }
void DocProgress::setProgressValue(int32_t value) { ProgReadDOC_->setValue(value); }

void DocProgress::yield() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void DocProgress::closeStatusWindow() {
  closing_ = true;
  if (isVisible()) done(QDialog::Accepted);
}

void DocProgress::closeEvent(QCloseEvent* event) {
  if (!closing_) event->ignore();
}

}  // namespace kw::ui
