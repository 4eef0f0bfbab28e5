#pragma once
// Modal message boxes and file dialogs. The window asks through this
// interface so that tests can script the answers instead of blocking.

#include <QString>
#include <optional>

class QFileDialog;
class QWidget;

namespace orvex::app {

// The tool's own question before the window closes with work at stake.
struct CloseQuestion {
  QString title;
  QString text;          // what closing now would lose
  QString closeLabel;    // the button that closes all the same
  bool canSave = false;  // "Save As..." first
};
enum class CloseAnswer { KeepOpen, Close, SaveFirst };

class ModalDialogs {
 public:
  virtual ~ModalDialogs() = default;
  // A message box with an OK button.
  virtual void information(QWidget* parent, const QString& title, const QString& text) = 0;
  // Filters in Qt syntax ("Bitmaps (*.bmp)"); nullopt when cancelled.
  virtual std::optional<QString> openFile(QWidget* parent, const QString& filter) = 0;
  virtual std::optional<QString> saveFile(QWidget* parent, const QString& filter,
                                          const QString& defaultSuffix) = 0;
  virtual CloseAnswer askClose(QWidget* parent, const CloseQuestion& question) = 0;
};

// The real boxes and dialogs.
class QtModalDialogs : public ModalDialogs {
 public:
  void information(QWidget* parent, const QString& title, const QString& text) override;
  std::optional<QString> openFile(QWidget* parent, const QString& filter) override;
  std::optional<QString> saveFile(QWidget* parent, const QString& filter,
                                  const QString& defaultSuffix) override;
  CloseAnswer askClose(QWidget* parent, const CloseQuestion& question) override;

 private:
  // The folder a file dialog starts in: the documents folder, then the
  // folder of the file last chosen in this run (by any of the dialogs).
  QString startFolder();
  std::optional<QString> chosen(QFileDialog& dialog);

  QString lastFolder_;
};

// "Orvex Files(*.orx)|*.orx" -> "Orvex Files(*.orx)": the description of each
// pair, with its pattern added when the description does not show it.
QString toQtFilter(const QString& windowsFilter);

}  // namespace orvex::app
