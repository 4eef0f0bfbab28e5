#pragma once
// The message window. Each line is kept with a line break after it,
// so the document always ends with an empty block while the user has not
// typed a partial line there.

#include <QPlainTextEdit>

#include "ports.h"

class MessageMemo : public QPlainTextEdit, public orvex::MessageWindow {
  Q_OBJECT

 public:
  explicit MessageMemo(QWidget* parent = nullptr);

  void AppendLine(const std::string& text) override;
  void ReplaceLine(int index, const std::string& text) override;
  int LineCount() const override;
  void ClearLines() override;

  // Line n as shown, for tests and diagnostics.
  QString lineText(int index) const;
};
