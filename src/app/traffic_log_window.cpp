#include "app/traffic_log_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

#include "app/desktop_opener.h"

namespace orvex::app {

namespace {
constexpr int kRefreshMs = 100;
}  // namespace

TrafficLogWindow::TrafficLogWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("TrafficLogWindow"));
  setWindowTitle(QStringLiteral("Traffic Log"));
  resize(960, 480);

  filterBox_ = new QLineEdit(this);
  filterBox_->setObjectName(QStringLiteral("TrafficFilter"));
  filterBox_->setPlaceholderText(QStringLiteral("Filter"));
  filterBox_->setClearButtonEnabled(true);
  filterBox_->setAccessibleName(QStringLiteral("Filter"));

  pauseButton_ = new QPushButton(QStringLiteral("Pause"), this);
  pauseButton_->setObjectName(QStringLiteral("TrafficPause"));
  pauseButton_->setCheckable(true);

  copyButton_ = new QPushButton(QStringLiteral("Copy"), this);
  copyButton_->setObjectName(QStringLiteral("TrafficCopy"));
  copyButton_->setEnabled(false);

  openFolderButton_ = new QPushButton(QStringLiteral("Open Folder"), this);
  openFolderButton_->setObjectName(QStringLiteral("TrafficOpenFolder"));
  openFolderButton_->setEnabled(false);

  view_ = new QPlainTextEdit(this);
  view_->setObjectName(QStringLiteral("TrafficLines"));
  view_->setReadOnly(true);
  view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  view_->setMaximumBlockCount(kKeptLines);
  view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view_->setAccessibleName(QStringLiteral("Traffic lines"));

  statusLabel_ = new QLabel(this);
  statusLabel_->setObjectName(QStringLiteral("TrafficStatus"));
  statusLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* bar = new QHBoxLayout;
  bar->addWidget(filterBox_, 1);
  bar->addWidget(pauseButton_);
  bar->addWidget(copyButton_);
  bar->addWidget(openFolderButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(view_, 1);
  layout->addWidget(statusLabel_);

  refreshTimer_.setSingleShot(true);
  refreshTimer_.setInterval(kRefreshMs);
  connect(&refreshTimer_, &QTimer::timeout, this, &TrafficLogWindow::refresh);
  connect(filterBox_, &QLineEdit::textChanged, this, &TrafficLogWindow::rebuild);
  connect(pauseButton_, &QPushButton::toggled, this, [this](bool paused) {
    pauseButton_->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    if (!paused) refresh();
    showStatus();
  });
  connect(view_, &QPlainTextEdit::copyAvailable, copyButton_, &QPushButton::setEnabled);
  connect(copyButton_, &QPushButton::clicked, this, &TrafficLogWindow::copySelection);
  connect(openFolderButton_, &QPushButton::clicked, this, &TrafficLogWindow::openFolder);
  // Follow the newest lines unless the reader has scrolled up to look. The
  // range grows after a line is laid out (a wide one brings the sideways
  // bar, which takes a line's room): following keeps to its end then too.
  QScrollBar* scroll = view_->verticalScrollBar();
  connect(scroll, &QScrollBar::valueChanged, this,
          [this, scroll](int value) { following_ = value == scroll->maximum(); });
  connect(scroll, &QScrollBar::rangeChanged, this, [this, scroll](int, int maximum) {
    if (following_) scroll->setValue(maximum);
  });
  // Escape closes it, as it closes the preview.
  auto* closing = new QAction(this);
  closing->setShortcut(QKeySequence(Qt::Key_Escape));
  closing->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(closing, &QAction::triggered, this, &QWidget::close);
  addAction(closing);
  showStatus();
}

void TrafficLogWindow::addLine(const QString& line) {
  lines_.push_back(line);
  if (lines_.size() > static_cast<std::size_t>(kKeptLines)) lines_.pop_front();
  ++added_;
  // Lines gather until the next refresh; the view takes them in at once.
  if (!refreshTimer_.isActive()) refreshTimer_.start();
}

void TrafficLogWindow::setFolder(const QString& folder) {
  folder_ = folder;
  openFolderButton_->setEnabled(!folder_.isEmpty());
  showStatus();
}

QStringList TrafficLogWindow::shownLines() const {
  QStringList shown;
  for (QTextBlock block = view_->document()->begin(); block.isValid(); block = block.next()) {
    shown << block.text();
  }
  // An empty document still has one empty block.
  if (shown.size() == 1 && shown.front().isEmpty()) shown.clear();
  return shown;
}

bool TrafficLogWindow::matches(const QString& line) const {
  const QString filter = filterBox_->text();
  return filter.isEmpty() || line.contains(filter, Qt::CaseInsensitive);
}

void TrafficLogWindow::refresh() {
  if (pauseButton_->isChecked()) {
    showStatus();
    return;
  }
  const std::uint64_t fresh = std::min<std::uint64_t>(added_ - shown_, lines_.size());
  QStringList lines;
  for (std::size_t i = lines_.size() - fresh; i < lines_.size(); ++i) {
    if (matches(lines_[i])) lines << lines_[i];
  }
  shown_ = added_;
  appendShown(lines);
  showStatus();
}

void TrafficLogWindow::appendShown(const QStringList& lines) {
  if (lines.isEmpty()) return;
  QScrollBar* scroll = view_->verticalScrollBar();
  const bool atEnd = following_;
  const int position = scroll->value();
  // Following scrolls to the end of the last line too, which leaves the
  // times and TX/RX out of sight: the reader's sideways place stays.
  QScrollBar* sideways = view_->horizontalScrollBar();
  const int across = sideways->value();
  view_->appendPlainText(lines.join(QLatin1Char('\n')));
  scroll->setValue(atEnd ? scroll->maximum() : position);
  sideways->setValue(across);
}

void TrafficLogWindow::rebuild() {
  view_->clear();
  QStringList lines;
  const std::size_t upTo = lines_.size() - std::min<std::uint64_t>(added_ - shown_, lines_.size());
  for (std::size_t i = 0; i < upTo; ++i) {
    if (matches(lines_[i])) lines << lines_[i];
  }
  appendShown(lines);
  view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->maximum());
  refresh();
}

void TrafficLogWindow::copySelection() {
  const QString selected = view_->textCursor().selection().toPlainText();
  if (!selected.isEmpty()) QApplication::clipboard()->setText(selected);
}

void TrafficLogWindow::openFolder() {
  if (folder_.isEmpty()) return;
  openProblem_.clear();
  OpenOnDesktop(folder_, this, [this, folder = folder_](bool opened) {
    if (opened) return;
    // Said until the next try: the line counts below change all the time.
    openProblem_ = NothingOpenedText(folder);
    showStatus();
  });
  showStatus();
}

void TrafficLogWindow::showStatus() {
  QString text;
  if (pauseButton_->isChecked()) {
    text = QStringLiteral("Paused, %1 new lines waiting").arg(added_ - shown_);
  } else {
    text = QStringLiteral("%1 lines").arg(added_);
    if (!filterBox_->text().isEmpty()) {
      const int shown = view_->document()->isEmpty() ? 0 : view_->blockCount();
      text += QStringLiteral(", %1 shown").arg(shown);
    }
  }
  text += folder_.isEmpty() ? QStringLiteral("; not written to files")
                            : QStringLiteral("; day files in ") + folder_;
  if (!openProblem_.isEmpty()) text = openProblem_ + QStringLiteral(" ") + text;
  statusLabel_->setText(text);
}

}  // namespace orvex::app
