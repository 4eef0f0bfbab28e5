#pragma once
// The status bar below the designed client area: what the tool itself has to
// say, apart from the printer's own reports in the message window.
//
// - The port line (left, stretching): which port is open, or why not, or
//   that its device is gone. It stays until the next call.
// - Notices: a message of the tool's own for a few seconds, in the port
//   line's place; the port line shows again after it.
// - A saved file (right of the port line): where a file the tool wrote went,
//   with "Open" and "Open folder", which hand the file or its folder to the
//   desktop (xdg-open). It stays until the next notice or the next saved
//   file; the port line keeps its place.
// - Further permanent widgets of other areas go to the right
//   (addPermanentWidget).
//
// Every text is shown whole: the port line and the notices wrap, a long
// saved path is broken at its folders, and the bar grows by the lines they
// need (heightChanged), the designed client area above staying as it is.

#include <QStatusBar>
#include <QTimer>

class QLabel;
class QToolButton;

namespace orvex::app {

class WrappingLabel;

class StatusBar : public QStatusBar {
  Q_OBJECT

 public:
  static constexpr int kNoticeMs = 10000;

  explicit StatusBar(QWidget* parent = nullptr);

  // `details` becomes the line's tooltip (the device and what the system
  // knows of it, or further advice).
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
  // Hands path to the desktop; says so here when nothing opened it.
  void openOnDesktop(const QString& path);

 signals:
  // The lines the texts need have changed: the window fits its height.
  void heightChanged();

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void hideSavedFile();
  void showNoticeLine(const QString& text, int milliseconds);
  void hideNoticeLine();

  WrappingLabel* portLine_;
  WrappingLabel* noticeLine_;
  QWidget* savedFileNotice_;
  QLabel* savedFileText_;
  QToolButton* openFileButton_;
  QToolButton* openFolderButton_;
  QString savedFile_;
  QTimer noticeTimer_;
  int height_ = 0;
};

}  // namespace orvex::app
