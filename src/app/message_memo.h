#pragma once
// The message window. Each line is kept with a line break after it,
// so the document always ends with an empty block while the user has not
// typed a partial line there.
//
// It keeps the last kMaxLines lines. Line numbers go on counting over the
// lines dropped at the top, since the core holds them (the reply timeout's
// line, a progress line): LineCount() is every line since the last clear,
// and line n is block n - dropped; a line already dropped is not rewritten.

#include <QPlainTextEdit>

#include "core/ports.h"

namespace orvex::app {

class MessageMemo : public QPlainTextEdit, public core::MessageWindow {
  Q_OBJECT

 public:
  explicit MessageMemo(QWidget* parent = nullptr);

  void AppendLine(const std::string& text) override;
  void ReplaceLine(int index, const std::string& text) override;
  int LineCount() const override;
  void ClearLines() override;

  // Line n as shown (empty once dropped), for tests and diagnostics.
  QString lineText(int index) const;

  static constexpr int kMaxLines = 20000;

 private:
  // Lines in the document, without the empty block after the last.
  int KeptLines() const;
  int dropped_ = 0;  // lines dropped from the top since the last clear
};

}  // namespace orvex::app
