// SPDX-License-Identifier: Apache-2.0
#include "ui/user_settings.h"

#include <QSettings>
#include <filesystem>
#include <memory>

#include "ui/local_names.h"

namespace kw::ui {

namespace {

std::unique_ptr<QSettings>& Store() {
  static std::unique_ptr<QSettings> settings;
  if (!settings)
    settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "kwrecover", "kwrecover-gui");
  return settings;
}

QByteArray Bytes(const QString& path) {
  const std::string local = LocalPath(path);
  return QByteArray(local.data(), static_cast<qsizetype>(local.size()));
}

QString Path(const QVariant& value) {
  const QByteArray bytes = value.toByteArray();
  return FromLocalPath(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

const char* FolderKey(Folder kind) { return kind == Folder::kOpen ? "folders/open" : "folders/save"; }

}  // namespace

QStringList RecentFiles() {
  QStringList files;
  for (const QVariant& value : Store()->value("recent/files").toList()) {
    const QString path = Path(value);
    if (!path.isEmpty() && !files.contains(path)) files << path;
  }
  return files.mid(0, kRecentFiles);
}

void AddRecentFile(const QString& path) {
  if (path.isEmpty()) return;
  QStringList files = RecentFiles();
  files.removeAll(path);
  files.prepend(path);
  QVariantList values;
  for (const QString& file : files.mid(0, kRecentFiles)) values << Bytes(file);
  Store()->setValue("recent/files", values);
}

void ClearRecentFiles() { Store()->remove("recent/files"); }

QString RememberedFolder(Folder kind) {
  const QString folder = Path(Store()->value(FolderKey(kind)));
  std::error_code error;
  return !folder.isEmpty() && std::filesystem::is_directory(LocalPath(folder), error) ? folder : QString();
}

void RememberFolder(Folder kind, const QString& folder) {
  if (!folder.isEmpty()) Store()->setValue(FolderKey(kind), Bytes(folder));
}

void UseSettingsFile(const QString& path) { Store() = std::make_unique<QSettings>(path, QSettings::IniFormat); }

}  // namespace kw::ui
