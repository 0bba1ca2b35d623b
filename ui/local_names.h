// SPDX-License-Identifier: Apache-2.0
#pragma once
// File names between the wizard's texts and the byte strings the core opens.
//
// Qt reads file names as UTF-8 and turns every byte that is not valid UTF-8
// into U+FFFD, so a name like "caf\xE9.doc" cannot be opened again from its
// text. LocalPath and FromLocalPath convert without loss, both ways: valid
// UTF-8 reads exactly as QFile::decodeName reads it, and each other byte is
// kept as a lone surrogate U+DC80..U+DCFF, which no real name's text holds.
// Every path that passes between a control and the core goes through them.
//
// File dialogs list such names with U+FFFD; ChosenPath takes a path a dialog
// gave back to the file it means, one name at a time, where the folder holds
// exactly one entry that reads like it. OpenLocalFile opens a file for Qt's
// readers by its bytes.

#include <QString>
#include <memory>
#include <string>
#include <string_view>

class QFile;
class QWidget;

namespace kw::ui {

std::string LocalPath(const QString& path);
QString FromLocalPath(std::string_view path);

QString ChosenPath(const QString& dialogPath);

// True when something is at `path` (links not followed).
bool LocalExists(const QString& path);

// Opens a regular file read-only, never blocking; null when it cannot.
std::unique_ptr<QFile> OpenLocalFile(const QString& path);

// QFileDialog::getOpenFileName for names that are not valid UTF-8 too: the
// chosen file, or empty text when the dialog was cancelled.
QString GetOpenLocalFileName(QWidget* parent, const QString& folder, const QString& filters);

}  // namespace kw::ui
