// SPDX-License-Identifier: Apache-2.0
#pragma once
// TextFinder: finds a string in the whole text of a TextView, a slice at a
// time from the event loop, so that even hundreds of MiB never stall the
// window (each pass of the loop searches for at most ~15 ms).
//
// find() searches forward from the end of the view's selection, or backward
// from its start, round the end (or start) of the text once. It compares
// the UTF-8 bytes; without `matchCase`, characters are compared by their
// simple case folding (ASCII letters, and any other character Unicode folds
// to one character). The outcome comes as one signal: found() after the
// match has been selected and scrolled into view, with whether the search
// went round, or notFound(). A new find(), cancel() or a new text in the
// view ends a search that runs, without a signal.

#include <QObject>
#include <QString>
#include <string>
#include <vector>

class QTimer;

namespace kw::ui {

class TextView;

class TextFinder : public QObject {
  Q_OBJECT
 public:
  explicit TextFinder(TextView* view, QObject* parent = nullptr);

  void find(const QString& needle, bool forward, bool matchCase);
  void cancel();
  bool running() const;

 signals:
  void found(bool wrapped);
  void notFound();

 private:
  void searchSlices();
  // The first match starting in [from, to), as [start, end); false if none.
  bool firstIn(size_t from, size_t to, size_t* start, size_t* end) const;
  bool lastIn(size_t from, size_t to, size_t* start, size_t* end) const;
  // The length of a match at `at`, or 0.
  size_t matchAt(size_t at) const;

  TextView* view_;
  QTimer* timer_;
  std::string needle_;
  std::vector<char32_t> folded_;  // the needle's characters, case-folded
  bool forward_ = true;
  bool matchCase_ = false;
  size_t origin_ = 0;  // where the search began
  size_t done_ = 0;    // candidate positions searched so far
};

}  // namespace kw::ui
