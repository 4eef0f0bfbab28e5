#include "unit1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "image_box.h"
#include "link/link_control.h"
#include "link/reply_dispatcher.h"
#include "link/stuck_watch.h"
#include "port_list_tips.h"
#include "port_recovery.h"
#include "port_status_text.h"
#include "status_bar.h"
#include "traffic_log_window.h"
#include "unit2.h"

namespace {

constexpr int kClientWidth = 1060;
constexpr int kClientHeight = 572;

std::string ToStd(const QString& text) {
  return text.toStdString();
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent),
      memo_(new MessageMemo),
      session_(orvex::Ports{*memo_, link_, *this, *this, clock_, events_, *this, automation_,
                            previewRelay_}) {
  processEnd_ = [] {
    // Closing the main window ends the program at once, whatever long
    // operation may still be waiting in a nested event loop.
    std::fflush(nullptr);
    std::_Exit(0);
  };
  automation_.SetSavedListener([this](const std::string& path) {
    emit workbookSaved(QFile::decodeName(QByteArray::fromStdString(path)));
  });
  BuildWindow();
  setUpTrafficLog();
  FormCreate();
}

TForm1::~TForm1() {
  ClosePort();
}

void TForm1::BuildWindow() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Zelta Printer Tool (V2.0.7)"));
  QFont formFont(QStringLiteral("Times New Roman"));
  formFont.setPixelSize(13);
  formFont.setBold(true);
  setFont(formFont);

  BuildMenus();

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("ClientArea"));
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);

  Label48 = new QLabel(QStringLiteral("COM Port : "), client);
  Label48->setObjectName(QStringLiteral("Label48"));
  Label48->move(16, 11);
  Label48->adjustSize();

  ComboBox1 = new QComboBox(client);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setGeometry(89, 8, 145, 21);
  for (int i = 1; i <= 9; ++i) ComboBox1->addItem(QStringLiteral("COM %1").arg(i));
  ComboBox1->setPlaceholderText(QStringLiteral("Select"));
  ComboBox1->setCurrentIndex(-1);
  connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Select(); });
  new PortListTips(ComboBox1);

  Memo1 = memo_;
  Memo1->setParent(client);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(3, 40, 274, 521);
  QFont memoFont(QStringLiteral("Arial"));
  memoFont.setPixelSize(12);
  memoFont.setBold(true);
  Memo1->setFont(memoFont);

  BuildTicketEditor(client);
  BuildLogoPages(client);
  BuildPrintStatus(client);
  BuildRecordSearch(client);
  BuildMultipliers(client);
  BuildDownloadBox(client);

  // The timers tick once a second; each tick is a call into the core.
  const std::array<QTimer**, 3> timers = {&Timer1, &Timer2, &Timer3};
  for (int i = 0; i < 3; ++i) {
    QTimer* t = new QTimer(this);
    t->setObjectName(QStringLiteral("Timer%1").arg(i + 1));
    t->setInterval(1000);
    *timers[static_cast<std::size_t>(i)] = t;
  }
  connect(Timer1, &QTimer::timeout, this, &TForm1::OfflineCountTick);
  connect(Timer2, &QTimer::timeout, this, &TForm1::ReplyTimeoutTick);
  connect(Timer3, &QTimer::timeout, this, &TForm1::VariantWaitTick);
  // The tool's own: ends the states that none of the three ends.
  stuckWatchTimer_ = new QTimer(this);
  stuckWatchTimer_->setInterval(1000);
  connect(stuckWatchTimer_, &QTimer::timeout, this, [this] { orvex::StuckWatchTick(session_); });

  // Below the designed client area: the tool's own words about the port.
  statusBar_ = new StatusBar(this);
  QFont barFont = QApplication::font();  // plain text, not the designed bold serif
  barFont.setBold(false);
  statusBar_->setFont(barFont);
  setStatusBar(statusBar_);
  statusBar_->setPortStatus(
      QStringLiteral("No port open: choose the printer's port above (hold the mouse over a name "
                     "to see its device)."));
  portRecovery_ = new PortRecovery(
      this, [this](const orvex::platform::PortDevice& device) { onPortBack(device); });

  move(316, 103);
  resize(kClientWidth,
         kClientHeight + menuBar()->sizeHint().height() + statusBar_->sizeHint().height());
}

void TForm1::FormCreate() {
  // "comm.ini" is not read: nothing uses its content, and a missing file
  // must not leave the window half set up.
  portName_ = QStringLiteral("COM1");
  portSettings_ = QStringLiteral("38400,N,8,1");
  GroupBox4->hide();
  GroupBox5->hide();
  CheckBox4->setEnabled(false);
  session_.state = orvex::ConnectionState{};
  session_.pending = orvex::PendingRequest{};
  Timer3->stop();
  for (auto& logo : session_.setup.logos) logo.path.clear();
  for (int slot = 1; slot <= 3; ++slot)
    imageBox(slot)->Blank(QStringLiteral("Click here to open file."));
  DateTimePicker1->setDate(QDate::currentDate());
  DateTimePicker2->setDate(QDate::currentDate());
  RefreshSetup();
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  if (session_.dispatching && rs232_ != nullptr) {
    // Closed from inside a reply's handling (an export handles events
    // there): the receive thread waits for that handling, which cannot end
    // before this returns, so it is only told to stop. It touches the port
    // no more, and the port is released at once.
    if (portRecovery_ != nullptr) portRecovery_->stop();
    rs232_->RequestStop();
    port_.Close();
  } else {
    ClosePort();
  }
  // The process may end at once: the log's last lines go out first.
  trafficLog_.writer().Flush(500);
  if (processEnd_) processEnd_();
}

// ---- port ----

void TForm1::ComboBox1Select() {
  // One choice per run.
  ComboBox1->setEnabled(false);
  const int index = ComboBox1->currentIndex();
  if (index >= 0 && index <= 8) portName_ = QStringLiteral("COM%1").arg(index + 1);
  OpenPort();
}

void TForm1::COM1Click() {
  ClosePort();
  portName_ = QStringLiteral("COM1");
  OpenPort();
}

void TForm1::COM2Click() {
  ClosePort();
  portName_ = QStringLiteral("COM2");
  OpenPort();
}

void TForm1::OpenPort() {
  if (port_.IsOpen()) return;
  const auto result = port_.Open(ToStd(portName_));
  portDevice_ = result.port;
  if (!result.ok) {
    std::cerr << "orvex-tool: can't open " << ToStd(portName_) << ": " << result.reason << '\n';
    statusBar_->setPortStatus(portFailedText(result.port, result.problem),
                              portDetails(result.port, result.problem));
    session_.Append("can't open  " + ToStd(portName_));
    session_.AppendEmpty();
    return;
  }
  startReceiveThread();
  statusBar_->setPortStatus(portOpenText(result.port), portDetails(result.port));
  session_.Append(ToStd(portName_) + "  open now");
  session_.AppendEmpty();
}

void TForm1::startReceiveThread() {
  const int generation = ++portGeneration_;
  rs232_ = new RS232(
      port_, this,
      [this](std::span<const std::uint8_t> read) { orvex::ReplyDispatcher(session_, read); },
      [this, generation] { OnPortHungUp(generation); });
  rs232_->start();
}

void TForm1::ClosePort() {
  if (portRecovery_ != nullptr) portRecovery_->stop();
  stopReceiveThread();
  port_.Close();
}

void TForm1::stopReceiveThread() {
  if (rs232_ != nullptr) {
    rs232_->RequestStop();
    // The thread may be waiting for the dispatcher to run here: keep
    // handling events until it has ended.
    while (!rs232_->wait(20)) QCoreApplication::processEvents();
    delete rs232_;
    rs232_ = nullptr;
  }
}

void TForm1::OnPortHungUp(int generation) {
  if (generation != portGeneration_ || rs232_ == nullptr) return;  // that port was closed since
  // The message window keeps to the printer's own reports: an outstanding
  // request runs into its reply timeout as usual. The status bar says what
  // happened and the tool waits for the device to come back.
  std::cerr << "orvex-tool: " << ToStd(portName_) << " went away; waiting for it to come back\n";
  stopReceiveThread();  // it ended after the hang-up
  // The watch begins before the close (see PortWatch); the device is let go
  // of at once, so that it comes back under its old name.
  const bool watching = portRecovery_->watch(portDevice_);
  port_.Close();
  statusBar_->setPortStatus(portGoneText(portDevice_, watching), portDetails(portDevice_));
  portRecovery_->checkNow();
}

void TForm1::onPortBack(const orvex::platform::PortDevice& device) {
  if (port_.IsOpen()) return;
  // The same settings and exclusive use as the first open.
  const auto result = port_.Open(device);
  if (!result.ok) {
    std::cerr << "orvex-tool: " << ToStd(portName_) << " is back but can't open: " << result.reason
              << '\n';
    statusBar_->setPortStatus(portBackButFailingText(device, result.problem),
                              portDetails(device, result.problem));
    return;  // tried again on the next change
  }
  portRecovery_->stop();
  portDevice_ = result.port;
  startReceiveThread();
  std::cerr << "orvex-tool: " << ToStd(portName_) << " is back on " << result.port.device << '\n';
  statusBar_->setPortStatus(portOpenText(result.port), portDetails(result.port));
  statusBar_->showNotice(portBackNotice(result.port));
}

// ---- TimerPort ----

QTimer* TForm1::timer(orvex::TimerId id) const {
  switch (id) {
    case orvex::TimerId::OfflineCount:
      return Timer1;
    case orvex::TimerId::ReplyTimeout:
      return Timer2;
    case orvex::TimerId::StuckWatch:
      return stuckWatchTimer_;
    case orvex::TimerId::VariantWait:
      break;
  }
  return Timer3;
}

void TForm1::SetTimerEnabled(orvex::TimerId id, bool enabled) {
  QTimer* t = timer(id);
  if (!enabled) {
    t->stop();
  } else if (!t->isActive()) {
    t->start();  // a running timer keeps its period
  }
}

bool TForm1::TimerEnabled(orvex::TimerId id) const {
  return timer(id)->isActive();
}

void TForm1::OfflineCountTick() {
  orvex::OfflineCountTick(session_);
}
void TForm1::ReplyTimeoutTick() {
  orvex::ReplyTimeoutTick(session_);
}
void TForm1::VariantWaitTick() {
  orvex::VariantWaitTick(session_);
}

// ---- PanelPort ----

void TForm1::SetGauge(int percent) {
  CGauge1->setValue(qBound(0, percent, 100));
}

void TForm1::ShowSymbolChooser(bool wide) {
  GroupBox5->setVisible(!wide);
  GroupBox4->setVisible(wide);
}

void TForm1::SetSymbolCheckEnabled(bool enabled) {
  CheckBox4->setEnabled(enabled);
}

void TForm1::ShowMessage(const std::string& text) {
  dialogs_->Information(this, windowTitle(), QString::fromStdString(text));
}

std::optional<std::string> TForm1::ChooseOpenFile(const std::string& filter) {
  const auto path = dialogs_->OpenFile(this, ToQtFilter(QString::fromStdString(filter)));
  if (!path) return std::nullopt;
  return ToStd(*path);
}

std::optional<std::string> TForm1::ChooseSaveFile(const std::string& filter,
                                                  const std::string& defaultSuffix) {
  const auto path = dialogs_->SaveFile(this, ToQtFilter(QString::fromStdString(filter)),
                                       QString::fromStdString(defaultSuffix));
  if (!path) return std::nullopt;
  return ToStd(*path);
}
