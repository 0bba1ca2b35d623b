// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the wizard remembers between runs, kept with QSettings: the files
// opened last (File > Open Recent, newest first, at most kRecentFiles) and
// the folders last used for opening a document and for saving. Paths are
// kept as the bytes the system uses, so a name that is not UTF-8 comes back
// the same; a remembered folder that is gone reads as empty.

#include <QString>
#include <QStringList>

namespace kw::ui {

constexpr int kRecentFiles = 10;

enum class Folder { kOpen, kSave };

QStringList RecentFiles();
// Puts `path` first (once) and forgets the oldest beyond kRecentFiles.
void AddRecentFile(const QString& path);
void ClearRecentFiles();

QString RememberedFolder(Folder kind);
void RememberFolder(Folder kind, const QString& folder);

// Tests keep their settings in a file of their own.
void UseSettingsFile(const QString& path);

}  // namespace kw::ui
