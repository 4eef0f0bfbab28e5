#include "status_bar.h"

#include <QLabel>

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent), portLine_(new QLabel(this)) {
  setObjectName(QStringLiteral("StatusBar"));
  setSizeGripEnabled(false);  // the designed window has a fixed client area
  portLine_->setObjectName(QStringLiteral("PortStatus"));
  portLine_->setTextFormat(Qt::PlainText);
  portLine_->setTextInteractionFlags(Qt::TextSelectableByMouse);  // commands can be copied
  // A long explanation is cut at the window's edge (its tooltip has it
  // whole) rather than widening the designed window.
  portLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  addWidget(portLine_, 1);
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
  showMessage(text, milliseconds);
}

void StatusBar::clearNotice() {
  clearMessage();
}

QString StatusBar::notice() const {
  return currentMessage();
}
