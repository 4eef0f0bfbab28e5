#pragma once
// The "Help" menu's manual: the orvex-tool(1) page, formatted by man(1), in
// a window of its own; and where the manual page and the README are.

#include <QString>
#include <QWidget>
#include <functional>

class QPlainTextEdit;

namespace orvex::app {

// The installed file next to the program (../share/...), else the one of
// the source tree it was built from; empty when neither exists.
QString ManualPagePath();
QString ReadmePath();

class ManualWindow : public QWidget {
  Q_OBJECT

 public:
  explicit ManualWindow(QWidget* parent = nullptr);

  // Formats the page with man and shows it; failed(reason) instead when
  // there is no page or man does not format it.
  void showPage(const QString& page, const std::function<void(const QString& reason)>& failed);
  QString text() const;

 private:
  QPlainTextEdit* view_ = nullptr;
};

}  // namespace orvex::app
