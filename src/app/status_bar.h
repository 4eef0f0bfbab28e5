#pragma once
// The status bar below the designed client area: what the tool itself has to
// say, apart from the printer's own reports in the message window.
//
// - The port line (left, stretching): which port is open, or why not, or
//   that its device is gone. It stays until the next call.
// - Notices: a message of the tool's own for a few seconds; the port line
//   shows again after it.
// - A saved file (right of the port line): where a file the tool wrote went,
//   with "Open" and "Open folder", which hand the file or its folder to the
//   desktop (QDesktopServices, that is xdg-open). It stays until the next
//   notice or the next saved file; the port line keeps its place.
// - Further permanent widgets of other areas go to the right
//   (QStatusBar::addPermanentWidget).

#include <QStatusBar>

class QLabel;
class QToolButton;
class QUrl;

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
  // The notice shown now (a saved file's included), or an empty text.
  QString notice() const;

  // Says "<what> saved: <path>" with the two ways to open it.
  void showSavedFile(const QString& what, const QString& path);
  // The path of the saved file shown now, or an empty text.
  QString savedFile() const;

 private:
  void hideSavedFile();
  void open(const QUrl& url);

  QLabel* portLine_;
  QWidget* savedFileNotice_;
  QLabel* savedFileText_;
  QToolButton* openFileButton_;
  QToolButton* openFolderButton_;
  QString savedFile_;
};
