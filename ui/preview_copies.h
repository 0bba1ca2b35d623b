// SPDX-License-Identifier: Apache-2.0
#pragma once
// PreviewCopies: the temporary copies of the pictures the picture preview
// shows ("sqm" files, as the preview has always made them), one per picture:
// a picture is copied the first time it is shown and that copy is shown
// again when it is selected again.
//
// All copies of the process live in one folder of its own in the temporary
// folder (TMPDIR, else /tmp), "kwrecover-gui-PID", so that none is left
// there: a new list removes the copies of the old one, and the folder goes
// when the process ends normally, on SIGINT, SIGTERM or SIGHUP, and, after a
// crash, when the next wizard starts (RemoveLeftovers()). The thumbnails'
// short-lived copies are made there too (ScratchPath()).

#include <string>
#include <unordered_map>

#include "base/output_file.h"
#include "base/picture_record.h"
#include "base/status.h"

namespace kw::ui {

class PreviewCopies {
 public:
  PreviewCopies() = default;
  ~PreviewCopies() { clear(); }
  PreviewCopies(const PreviewCopies&) = delete;
  PreviewCopies& operator=(const PreviewCopies&) = delete;

  // The copy of picture `index` of the list, made now unless it exists.
  Status copyOf(size_t index, const PictureRecord& picture, const std::string& sourcePath, const FileIdentity& source,
                std::string* path);
  // Removes every copy made for the list.
  void clear();

  // A new name in the process's folder, for a copy its maker removes itself
  // (any thread); empty when the folder cannot be made.
  static std::string ScratchPath();
  // The process's folder (made at the first copy); empty before.
  static std::string Folder();
  // Removes the folders of wizards that no longer run (a crash leaves one).
  static void RemoveLeftovers();

 private:
  std::unordered_map<size_t, std::string> copies_;
};

}  // namespace kw::ui
