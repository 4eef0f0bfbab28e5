#include "app/message_memo.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace orvex::app {

namespace {

QString ToQString(const std::string& text) {
  QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  // One report line stays one line.
  line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
  return line;
}

}  // namespace

MessageMemo::MessageMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Progress lines are rewritten every second for minutes; an undo history
  // of them is of no use and only grows.
  setUndoRedoEnabled(false);
  // Nothing reads a typed tab; Tab moves on, so the keyboard is not caught here.
  setTabChangesFocus(true);
}

int MessageMemo::KeptLines() const {
  const QTextDocument* doc = document();
  const int blocks = doc->blockCount();
  return doc->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

int MessageMemo::LineCount() const {
  return dropped_ + KeptLines();
}

void MessageMemo::AppendLine(const std::string& text) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  QString insert;
  // A partial line the user typed becomes a line of its own.
  if (document()->lastBlock().length() > 1) insert += QLatin1Char('\n');
  insert += ToQString(text);
  insert += QLatin1Char('\n');
  cursor.insertText(insert);
  if (const int excess = KeptLines() - kMaxLines; excess > 0) {
    QTextCursor top(document()->firstBlock());
    top.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, excess);
    top.removeSelectedText();
    dropped_ += excess;
  }
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->maximum());
}

void MessageMemo::ReplaceLine(int index, const std::string& text) {
  const int count = LineCount();
  // Below dropped_: the line has gone from the top of the window.
  if (index < dropped_ || index > count) return;
  if (index == count) {
    AppendLine(text);
    return;
  }
  const QTextBlock block = document()->findBlockByNumber(index - dropped_);
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  cursor.insertText(ToQString(text));
}

void MessageMemo::ClearLines() {
  clear();
  dropped_ = 0;
}

QString MessageMemo::lineText(int index) const {
  if (index < dropped_ || index >= LineCount()) return {};
  return document()->findBlockByNumber(index - dropped_).text();
}

}  // namespace orvex::app
