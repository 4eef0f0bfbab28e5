// The main window as a whole: its construction, the start state, closing,
// and the panel port (gauge, symbol choosers, message boxes, file dialogs).

#include "main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "image_box.h"
#include "port_list_tips.h"
#include "port_recovery.h"
#include "radio_group.h"
#include "receive_thread.h"
#include "status_bar.h"
#include "traffic_log_window.h"

namespace {

constexpr int kClientWidth = 1060;
constexpr int kClientHeight = 572;

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent),
      messageWindow_(new MessageMemo),
      session_(orvex::Ports{*messageWindow_, link_, *this, *this, clock_, events_, *this,
                            automation_, previewRelay_}) {
  processEnd_ = [] {
    // Closing the main window ends the program at once, whatever long
    // operation may still be waiting in a nested event loop.
    std::fflush(nullptr);
    std::_Exit(0);
  };
  automation_.SetSavedListener([this](const std::string& path) {
    emit workbookSaved(QFile::decodeName(QByteArray::fromStdString(path)));
  });
  buildWindow();
  setUpTrafficLog();
  setStartState();
}

MainWindow::~MainWindow() {
  closePort();
}

void MainWindow::buildWindow() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Zelta Printer Tool (V2.0.7)"));
  QFont formFont(QStringLiteral("Times New Roman"));
  formFont.setPixelSize(13);
  formFont.setBold(true);
  setFont(formFont);

  buildMenus();

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);

  portLabel_ = new QLabel(QStringLiteral("COM Port : "), client);
  portLabel_->setObjectName(QStringLiteral("Label48"));
  portLabel_->move(16, 11);
  portLabel_->adjustSize();

  portBox_ = new QComboBox(client);
  portBox_->setObjectName(QStringLiteral("ComboBox1"));
  portBox_->setAccessibleName(QStringLiteral("COM port"));
  portBox_->setGeometry(89, 8, 145, 21);
  for (int i = 1; i <= 9; ++i) portBox_->addItem(QStringLiteral("COM %1").arg(i));
  portBox_->setPlaceholderText(QStringLiteral("Select"));
  portBox_->setCurrentIndex(-1);
  connect(portBox_, &QComboBox::activated, this, &MainWindow::openChosenPort);
  portLabel_->setBuddy(portBox_);
  new PortListTips(portBox_);

  messageWindow_->setParent(client);
  messageWindow_->setObjectName(QStringLiteral("Memo1"));
  messageWindow_->setAccessibleName(QStringLiteral("Message window"));
  messageWindow_->setGeometry(3, 40, 274, 521);
  QFont memoFont(QStringLiteral("Arial"));
  memoFont.setPixelSize(12);
  memoFont.setBold(true);
  messageWindow_->setFont(memoFont);

  // Created in reading order: the order of creation is the tab order.
  buildTicketEditor(client);
  buildLogoPages(client);
  buildPrintStatus(client);
  buildRecordSearch(client);
  buildMultipliers(client);
  buildDownloadBox(client);
  buildTimers();
  buildStatusBar();

  move(316, 103);
  resize(kClientWidth,
         kClientHeight + menuBar()->sizeHint().height() + statusBar_->sizeHint().height());
}

void MainWindow::setStartState() {
  // "comm.ini" is not read: nothing uses its content, and a missing file
  // must not leave the window half set up.
  portName_ = QStringLiteral("COM1");
  portSettings_ = QStringLiteral("38400,N,8,1");
  wideSymbolBox_->hide();
  narrowSymbolBox_->hide();
  printSymbolBox_->setEnabled(false);
  session_.state = orvex::ConnectionState{};
  session_.pending = orvex::PendingRequest{};
  variantWaitTimer_->stop();
  for (auto& logo : session_.setup.logos) logo.path.clear();
  for (int slot = 1; slot <= 3; ++slot)
    logoBox(slot)->blank(QStringLiteral("Click here to open file."));
  beginningDatePicker_->setDate(QDate::currentDate());
  endingDatePicker_->setDate(QDate::currentDate());
  RefreshSetup();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  endProgram();
  event->accept();
}

void MainWindow::endProgram() {
  if (closed_) return;
  closed_ = true;
  // Also from inside a reply's handling (an export handles events there, and
  // "Read/Write Serial number" closes the window): the receive thread never
  // waits for the window thread, so stopping it here cannot hang.
  closePort();
  // The process may end at once: the log's last lines go out first.
  trafficLog_.writer().Flush(500);
  if (processEnd_) processEnd_();
}

// ---- PanelPort ----

void MainWindow::SetGauge(int percent) {
  downloadGauge_->setValue(qBound(0, percent, 100));
}

void MainWindow::ShowSymbolChooser(bool wide) {
  narrowSymbolBox_->setVisible(!wide);
  wideSymbolBox_->setVisible(wide);
}

void MainWindow::SetSymbolCheckEnabled(bool enabled) {
  printSymbolBox_->setEnabled(enabled);
}

void MainWindow::ShowMessage(const std::string& text) {
  dialogs_->information(this, windowTitle(), QString::fromStdString(text));
}

std::optional<std::string> MainWindow::ChooseOpenFile(const std::string& filter) {
  const auto path = dialogs_->openFile(this, toQtFilter(QString::fromStdString(filter)));
  if (!path) return std::nullopt;
  return path->toStdString();
}

std::optional<std::string> MainWindow::ChooseSaveFile(const std::string& filter,
                                                      const std::string& defaultSuffix) {
  const auto path = dialogs_->saveFile(this, toQtFilter(QString::fromStdString(filter)),
                                       QString::fromStdString(defaultSuffix));
  if (!path) return std::nullopt;
  return path->toStdString();
}
