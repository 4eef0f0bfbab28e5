#pragma once
// The "Traffic Log" window: the lines of this run's traffic log, following
// them live. It can pause (new lines wait), show only the lines holding a
// text, copy the selected lines and open the folder of the day files.

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <deque>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace orvex::app {

class TrafficLogWindow : public QWidget {
  Q_OBJECT

 public:
  // The newest lines kept for the window; the day files keep them all.
  static constexpr int kKeptLines = 20000;

  explicit TrafficLogWindow(QWidget* parent = nullptr);

  // One line of the log, shown at the next refresh (a tenth of a second at
  // most), so that the byte pacing never waits for the window.
  void addLine(const QString& line);
  // The folder of the day files; "Open Folder" opens it.
  void setFolder(const QString& folder);

  // The lines the window shows now, and its controls (for tests).
  QStringList shownLines() const;
  QPlainTextEdit* view() const { return view_; }
  QLineEdit* filterBox() const { return filterBox_; }
  QPushButton* pauseButton() const { return pauseButton_; }
  QPushButton* copyButton() const { return copyButton_; }
  QPushButton* openFolderButton() const { return openFolderButton_; }
  QLabel* statusLabel() const { return statusLabel_; }

 private:
  void refresh();
  void rebuild();
  void copySelection();
  void openFolder();
  void showStatus();
  bool matches(const QString& line) const;
  void appendShown(const QStringList& lines);

  std::deque<QString> lines_;
  std::uint64_t added_ = 0;  // lines ever added
  std::uint64_t shown_ = 0;  // of those, the ones the view has taken in
  QString folder_;
  QString openProblem_;  // "Open Folder" found nothing to open the folder
  QTimer refreshTimer_;
  bool following_ = true;  // the view keeps to the newest line

  QLineEdit* filterBox_ = nullptr;
  QPushButton* pauseButton_ = nullptr;
  QPushButton* copyButton_ = nullptr;
  QPushButton* openFolderButton_ = nullptr;
  QPlainTextEdit* view_ = nullptr;
  QLabel* statusLabel_ = nullptr;
};

}  // namespace orvex::app
