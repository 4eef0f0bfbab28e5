#include "status_bar.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QUrl>

namespace {

// The widest a saved file's text gets; a longer path is cut in its middle
// (its tooltip has it whole), so the port line keeps room on the left.
constexpr int kSavedFileTextWidth = 520;

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
      portLine_(new QLabel(this)),
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
  portLine_->setTextFormat(Qt::PlainText);
  portLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);  // commands can be copied
  // A long explanation is cut at the window's edge (its tooltip has it
  // whole) rather than widening the designed window.
  portLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  addWidget(portLine_, 1);

  // The saved file: first of the permanent widgets, so those other areas
  // add later stay at the right edge.
  savedFileNotice_->setObjectName(QStringLiteral("SavedFileNotice"));
  savedFileText_->setObjectName(QStringLiteral("SavedFile"));
  savedFileText_->setTextFormat(Qt::PlainText);
  savedFileText_->setTextInteractionFlags(Qt::TextSelectableByMouse);  // the path can be copied
  auto* divider = new QFrame(savedFileNotice_);  // where the port line is cut off
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
  connect(openFileButton_, &QToolButton::clicked, this,
          [this] { open(QUrl::fromLocalFile(savedFile_)); });
  connect(openFolderButton_, &QToolButton::clicked, this,
          [this] { open(QUrl::fromLocalFile(QFileInfo(savedFile_).absolutePath())); });
  savedFileNotice_->hide();
  addPermanentWidget(savedFileNotice_);
}

void StatusBar::setPortStatus(const QString& text, const QString& details) {
  portLine_->setText(text);
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
  showMessage(text, milliseconds);
}

void StatusBar::clearNotice() {
  hideSavedFile();
  clearMessage();
}

QString StatusBar::notice() const {
  if (!currentMessage().isEmpty() || savedFile_.isEmpty()) return currentMessage();
  return savedFileText_->toolTip();
}

void StatusBar::showSavedFile(const QString& what, const QString& path) {
  clearMessage();
  savedFile_ = QFileInfo(path).absoluteFilePath();
  const QString text = what + QStringLiteral(" saved: ") + QDir::toNativeSeparators(savedFile_);
  savedFileText_->setText(
      savedFileText_->fontMetrics().elidedText(text, Qt::ElideMiddle, kSavedFileTextWidth));
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
}

void StatusBar::open(const QUrl& url) {
  // The saved file stays shown, so the other way can still be tried.
  if (!QDesktopServices::openUrl(url)) {
    showMessage(QStringLiteral("Could not open %1: no program on this desktop opens it.")
                    .arg(QDir::toNativeSeparators(url.toLocalFile())),
                kNoticeMs);
  }
}
