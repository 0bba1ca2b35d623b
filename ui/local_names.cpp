// SPDX-License-Identifier: Apache-2.0
#include "ui/local_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileDialog>
#include <QStringList>

namespace kw::ui {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;  // + the byte, 0x80..0xFF

// Length of the valid UTF-8 sequence at `s`, 0 when none starts there.
size_t Utf8Length(std::string_view s) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b = byte(0);
  if (b < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // bounds of the second byte
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;   // no overlong forms
    if (b == 0xED) high = 0x9F;  // no encoded surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;  // up to U+10FFFF
  } else {
    return 0;
  }
  if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

// The entry of `folder` (local bytes) whose name reads as `name` with its
// unreadable bytes shown as U+FFFD; empty when there is none or more than one.
std::string MatchEntry(const std::string& folder, const QString& name) {
  DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
  if (dir == nullptr) return {};
  std::string match;
  int matches = 0;
  while (const dirent* entry = ::readdir(dir)) {
    if (QFile::decodeName(entry->d_name) == name && ++matches == 1) match = entry->d_name;
  }
  ::closedir(dir);
  return matches == 1 ? match : std::string();
}

// The open dialog, whose own check of the chosen file cannot see names
// that are not valid UTF-8: such a file, once found, is accepted as it is.
class OpenDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;
  QString chosen;

  void accept() override {
    const QString shown = selectedFiles().value(0);
    const QString local = ChosenPath(shown);
    struct stat st {};
    if (local != shown && ::stat(LocalPath(local).c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
      chosen = local;
      // Not QFileDialog::accept(), which would check the shown name again.
      QDialog::accept();  // NOLINT(bugprone-parent-virtual-call)
      return;
    }
    QFileDialog::accept();
  }
};

}  // namespace

std::string LocalPath(const QString& path) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(path.size()));
  qsizetype plainFrom = 0;
  const auto flushPlain = [&](qsizetype end) { bytes += path.mid(plainFrom, end - plainFrom).toUtf8().toStdString(); };
  for (qsizetype i = 0; i < path.size(); ++i) {
    const char16_t c = path[i].unicode();
    const bool pairEnd = i > 0 && QChar::isHighSurrogate(path[i - 1].unicode());
    if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && !pairEnd) {
      flushPlain(i);
      bytes += static_cast<char>(c - kEscapeBase);
      plainFrom = i + 1;
    }
  }
  flushPlain(path.size());
  return bytes;
}

QString FromLocalPath(std::string_view path) {
  QString text;
  text.reserve(static_cast<qsizetype>(path.size()));
  size_t plainFrom = 0;
  for (size_t i = 0; i < path.size();) {
    const size_t length = Utf8Length(path.substr(i));
    if (length != 0) {
      i += length;
      continue;
    }
    text += QString::fromUtf8(path.data() + plainFrom, static_cast<qsizetype>(i - plainFrom));
    text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(path[i])));
    plainFrom = ++i;
  }
  text += QString::fromUtf8(path.data() + plainFrom, static_cast<qsizetype>(path.size() - plainFrom));
  return text;
}

QString ChosenPath(const QString& dialogPath) {
  if (!dialogPath.contains(QChar::ReplacementCharacter)) return dialogPath;
  const QStringList names = dialogPath.split('/');
  std::string path = LocalPath(names.first());
  for (qsizetype i = 1; i < names.size(); ++i) {
    std::string name = LocalPath(names[i]);
    if (names[i].contains(QChar::ReplacementCharacter)) {
      const std::string match = MatchEntry(path, names[i]);
      if (match.empty()) return dialogPath;
      name = match;
    }
    path += "/" + name;
  }
  return FromLocalPath(path);
}

bool LocalExists(const QString& path) {
  struct stat st {};
  return ::lstat(LocalPath(path).c_str(), &st) == 0;
}

std::unique_ptr<QFile> OpenLocalFile(const QString& path) {
  const int fd = ::open(LocalPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st {};
  auto file = std::make_unique<QFile>();
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return nullptr;
  }
  return file;
}

QString GetOpenLocalFileName(QWidget* parent, const QString& folder, const QString& filters) {
  OpenDialog dialog(parent, QString(), folder, filters);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.chosen.isEmpty() ? ChosenPath(dialog.selectedFiles().value(0)) : dialog.chosen;
}

}  // namespace kw::ui
