#include "app/status_bar.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <QToolButton>

#include "app/desktop_opener.h"

namespace orvex::app {

// A line of the bar that wraps its text and takes the height the text needs
// at the width the bar gives it.
class WrappingLabel : public QLabel {
 public:
  explicit WrappingLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);  // commands can be copied
    // As wide as the bar leaves it, never wider: the window keeps its width.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  }
  void setWrappedText(const QString& text) {
    setText(text);
    fit();
  }
  // Wraps at `width` from now on, before the bar lays it out (a line that
  // was hidden has not been given a width yet).
  void takeWidth(int width) {
    if (width > 0 && width != this->width()) resize(width, height());
    fit();
  }
  // At least this high, so that the bar keeps its height when a row of
  // buttons comes and goes.
  void setLeastHeight(int height) {
    leastHeight_ = height;
    fit();
  }
  // The height of the lines at the width given; the width is the bar's.
  QSize sizeHint() const override { return {0, needed_}; }
  QSize minimumSizeHint() const override { return {0, needed_}; }
  // The bar's layout takes the height above; it has no width to ask with.
  bool hasHeightForWidth() const override { return false; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    if (event->oldSize().width() != width()) fit();
  }

 private:
  void fit() {
    const int needed =
        qMax(heightForWidth(qMax(width(), 1)), qMax(fontMetrics().height(), leastHeight_));
    if (needed == needed_) return;
    needed_ = needed;
    updateGeometry();
  }
  int needed_ = 0;
  int leastHeight_ = 0;
};

namespace {

// The widest a saved file's text gets; a longer path is broken into lines
// at its folders, so the port line keeps room on the left.
constexpr int kSavedFileTextWidth = 520;

// `text` in lines of at most `width` pixels, broken after a '/' or a blank,
// or anywhere in a name that alone is wider.
QString BreakIntoLines(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines;
  QString line;
  qsizetype start = 0;
  while (start < text.size()) {
    qsizetype end = start;
    while (end < text.size() && text[end] != QLatin1Char('/') && text[end] != QLatin1Char(' '))
      ++end;
    if (end < text.size()) ++end;  // the break stays at the end of its line
    QString piece = text.mid(start, end - start);
    start = end;
    if (!line.isEmpty() && metrics.horizontalAdvance(line + piece) > width) {
      lines << line;
      line.clear();
    }
    while (line.isEmpty() && piece.size() > 1 && metrics.horizontalAdvance(piece) > width) {
      qsizetype fits = 1;
      while (fits + 1 < piece.size() && metrics.horizontalAdvance(piece.left(fits + 1)) <= width)
        ++fits;
      lines << piece.left(fits);
      piece = piece.mid(fits);
    }
    line += piece;
  }
  if (!line.isEmpty() || lines.isEmpty()) lines << line;
  return lines.join(QLatin1Char('\n'));
}

QToolButton* linkButton(const QString& objectName, const QString& text,
                        const QString& accessibleName, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(objectName);
  button->setText(text);
  button->setAccessibleName(accessibleName);
  button->setAutoRaise(true);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setCursor(Qt::PointingHandCursor);
  // Drawn as links, so they read as actions in a line of text.
  QPalette palette = button->palette();
  palette.setColor(QPalette::ButtonText, palette.color(QPalette::Link));
  button->setPalette(palette);
  QFont underlined;  // only this is its own; the rest is the bar's font
  underlined.setUnderline(true);
  button->setFont(underlined);
  return button;
}

}  // namespace

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent),
      portLine_(new WrappingLabel(this)),
      noticeLine_(new WrappingLabel(this)),
      savedFileNotice_(new QWidget(this)),
      savedFileText_(new QLabel(savedFileNotice_)),
      openFileButton_(linkButton(QStringLiteral("OpenSavedFile"), QStringLiteral("Open"),
                                 QStringLiteral("Open the saved file"), savedFileNotice_)),
      openFolderButton_(
          linkButton(QStringLiteral("OpenSavedFileFolder"), QStringLiteral("Open folder"),
                     QStringLiteral("Open the saved file's folder"), savedFileNotice_)) {
  setObjectName(QStringLiteral("StatusBar"));
  setSizeGripEnabled(false);  // the designed window has a fixed client area
  portLine_->setObjectName(QStringLiteral("PortStatus"));
  addWidget(portLine_, 1);
  // A notice takes the port line's place while it lasts.
  noticeLine_->setObjectName(QStringLiteral("Notice"));
  noticeLine_->hide();
  addWidget(noticeLine_, 1);
  noticeTimer_.setSingleShot(true);
  connect(&noticeTimer_, &QTimer::timeout, this, &StatusBar::hideNoticeLine);

  // The saved file: first of the permanent widgets, so those other areas
  // add later stay at the right edge.
  savedFileNotice_->setObjectName(QStringLiteral("SavedFileNotice"));
  savedFileText_->setObjectName(QStringLiteral("SavedFile"));
  savedFileText_->setTextFormat(Qt::PlainText);
  savedFileText_->setTextInteractionFlags(Qt::TextSelectableByMouse);  // the path can be copied
  auto* divider = new QFrame(savedFileNotice_);                        // where the port line ends
  divider->setFrameShape(QFrame::VLine);
  divider->setFrameShadow(QFrame::Sunken);
  auto* layout = new QHBoxLayout(savedFileNotice_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(divider);
  layout->addSpacing(4);
  layout->addWidget(savedFileText_);
  layout->addSpacing(4);
  layout->addWidget(openFileButton_);
  layout->addWidget(openFolderButton_);
  connect(openFileButton_, &QToolButton::clicked, this, [this] { openOnDesktop(savedFile_); });
  connect(openFolderButton_, &QToolButton::clicked, this,
          [this] { openOnDesktop(QFileInfo(savedFile_).absolutePath()); });
  savedFileNotice_->hide();
  addPermanentWidget(savedFileNotice_);
}

void StatusBar::showEvent(QShowEvent* event) {
  QStatusBar::showEvent(event);
  // The buttons' height is known once they have their style and font.
  openFileButton_->ensurePolished();
  const int buttons = openFileButton_->sizeHint().height();
  portLine_->setLeastHeight(buttons);
  noticeLine_->setLeastHeight(buttons);
}

bool StatusBar::event(QEvent* event) {
  const bool handled = QStatusBar::event(event);
  // A line grew or shrank: the bar's own height follows in its layout; the
  // window is told, since it does not shrink by itself.
  if (event->type() == QEvent::LayoutRequest && minimumSizeHint().height() != height_) {
    height_ = minimumSizeHint().height();
    emit heightChanged();
  }
  return handled;
}

void StatusBar::setPortStatus(const QString& text, const QString& details) {
  portLine_->setWrappedText(text);
  portLine_->setToolTip(details.isEmpty() ? text : details);
}

QString StatusBar::portStatus() const {
  return portLine_->text();
}

QString StatusBar::portDetails() const {
  return portLine_->toolTip();
}

void StatusBar::showNotice(const QString& text, int milliseconds) {
  hideSavedFile();
  showNoticeLine(text, milliseconds);
}

void StatusBar::clearNotice() {
  hideSavedFile();
  hideNoticeLine();
}

void StatusBar::showNoticeLine(const QString& text, int milliseconds) {
  if (noticeLine_->isHidden()) noticeLine_->takeWidth(portLine_->width());
  noticeLine_->setWrappedText(text);
  portLine_->hide();
  noticeLine_->show();
  if (milliseconds > 0) {
    noticeTimer_.start(milliseconds);
  } else {
    noticeTimer_.stop();
  }
}

void StatusBar::hideNoticeLine() {
  noticeTimer_.stop();
  noticeLine_->hide();
  // Hidden lines still count towards the bar's height.
  noticeLine_->setWrappedText(QString());
  portLine_->show();
}

QString StatusBar::notice() const {
  if (!noticeLine_->isHidden() || savedFile_.isEmpty()) return noticeLine_->text();
  return savedFileText_->toolTip();
}

void StatusBar::showSavedFile(const QString& what, const QString& path) {
  hideNoticeLine();
  savedFile_ = QFileInfo(path).absoluteFilePath();
  const QString text = what + QStringLiteral(" saved: ") + QDir::toNativeSeparators(savedFile_);
  savedFileText_->setText(BreakIntoLines(text, savedFileText_->fontMetrics(), kSavedFileTextWidth));
  savedFileText_->setToolTip(text);
  openFileButton_->setToolTip(QStringLiteral("Open ") + QFileInfo(savedFile_).fileName());
  openFolderButton_->setToolTip(QStringLiteral("Open ") +
                                QDir::toNativeSeparators(QFileInfo(savedFile_).absolutePath()));
  savedFileNotice_->show();
}

QString StatusBar::savedFile() const {
  return savedFile_;
}

void StatusBar::hideSavedFile() {
  savedFile_.clear();
  savedFileNotice_->hide();
  savedFileText_->clear();
}

void StatusBar::openOnDesktop(const QString& path) {
  // The saved file stays shown, so the other way can still be tried.
  OpenOnDesktop(path, this, [this, path](bool opened) {
    if (opened) return;
    showNoticeLine(NothingOpenedText(path), kNoticeMs);
  });
}

}  // namespace orvex::app
