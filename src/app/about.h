#pragma once
// TAboutBox: product name and version, shown beside the main window.

#include <QDialog>

class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  void OKButtonClick();

  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Version = nullptr;
  QLabel* Copyright = nullptr;
  QLabel* Comments = nullptr;
  QPushButton* OKButton = nullptr;
};

// A small picture of a ticket printer.
QPixmap PrinterIcon(QSize size);
