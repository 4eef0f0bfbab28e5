#pragma once
// The status bar below the designed client area: what the tool itself has to
// say, apart from the printer's own reports in the message window.
//
// - The port line (left, stretching): which port is open, or why not, or
//   that its device is gone. It stays until the next call.
// - Notices: a message of the tool's own for a few seconds; the port line
//   shows again after it.
// - Further permanent widgets of other areas go to the right
//   (QStatusBar::addPermanentWidget).

#include <QStatusBar>

class QLabel;

class StatusBar : public QStatusBar {
  Q_OBJECT

 public:
  static constexpr int kNoticeMs = 10000;

  explicit StatusBar(QWidget* parent = nullptr);

  // `details` becomes the line's tooltip (the device and what the system
  // knows of it, or the whole text of a long explanation).
  void setPortStatus(const QString& text, const QString& details = {});
  QString portStatus() const;
  QString portDetails() const;

  // milliseconds 0: until the next notice or clearNotice().
  void showNotice(const QString& text, int milliseconds = kNoticeMs);
  void clearNotice();
  // The notice shown now, or an empty text.
  QString notice() const;

 private:
  QLabel* portLine_;
};
