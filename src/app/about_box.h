#pragma once
// The about box: product name and version, shown beside the main window.

#include <QDialog>

namespace orvex::app {

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

// A small picture of a ticket printer.
QPixmap printerIcon(QSize size);

}  // namespace orvex::app
