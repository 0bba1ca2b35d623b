// SPDX-License-Identifier: Apache-2.0
#pragma once
// Helpers for driving the wizard as a user does: sample files written by the
// test, clicks on named controls, and handlers for modal windows (which run
// from the event loop while the modal window waits).

#include <QApplication>
#include <QByteArray>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kw::ui {
class DocFrm;
}

namespace kw::uitest {

// Waits (from the event loop) until a modal window of type T is active and
// `ready` says so, then runs `handler` on it once. Gives up after `timeoutMs`.
template <typename T>
void OnModal(std::function<void(T*)> handler, std::function<bool(T*)> ready = {}, int timeoutMs = 20000) {
  auto* timer = new QTimer;
  auto* elapsed = new int(0);
  timer->setInterval(2);
  QObject::connect(timer, &QTimer::timeout, [=] {
    *elapsed += 2;
    T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
    if (modal && ready && !ready(modal)) modal = nullptr;
    if (modal == nullptr && *elapsed < timeoutMs) return;
    timer->stop();
    timer->deleteLater();
    delete elapsed;
    if (modal) handler(modal);
  });
  timer->start();
}

// Answers the next question before a result is discarded ("Discard the
// recovered text of NAME?") with `button`; `asked` (may be null) receives the
// question.
void AnswerDiscard(QMessageBox::StandardButton button, QString* asked = nullptr);

// Finds the named child (fails the test when it is missing) and clicks it.
void Click(QWidget* root, const char* name);
// Clicks the named save button, answers its file dialog with the existing
// file `target`, confirms replacing it, and returns the text of the message
// box that follows.
QString SaveOverExisting(QWidget* root, const char* button, const QString& target);
// Clicks the header of step n on DocTab.
void ClickStepHeader(ui::DocFrm& frm, int step);
QString NextCaption(ui::DocFrm& frm);
bool NextEnabled(ui::DocFrm& frm);
bool BackEnabled(ui::DocFrm& frm);

// A Word 97-2003 file whose running text (`text`, single-byte) starts at
// offset 0xA00 and ends at the 0x25 0xB0 marker; junk follows.
QByteArray DocWithText(const QByteArray& text);
// Small pictures encoded by the toolkit.
QByteArray TinyJpeg(int width, int height);
QByteArray TinyPng(int width, int height);
// A .docx package whose main document holds `lines` as paragraphs.
QByteArray DocxWithText(const QString& text);
// A package of stored entries (local headers only), name and data each.
QByteArray StoredPackage(const QList<QPair<QByteArray, QByteArray>>& entries);
// A package whose main document says `text` and which holds `picture` as
// word/media/image1.png.
QByteArray PackageWithPicture(const QByteArray& text, const QByteArray& picture);

// Writes `bytes` to `name` in `dir`; returns the path.
QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);
QByteArray ReadAll(const QString& path);

// Shows a fresh wizard (start timer shortened to `delayMs`); what it
// remembers goes to a settings file of the test program's own.
void Prepare(ui::DocFrm& frm, int delayMs = 5);
// From step 1: fills the file box, Next, clicks the mode box `modeBox`.
void GoToModes(ui::DocFrm& frm, const QString& path, const char* modeBox);
// Next on step 2: waits, running the event loop, until the job has ended
// and its result is shown (the status window closes itself).
void RunJob(ui::DocFrm& frm);

}  // namespace kw::uitest
