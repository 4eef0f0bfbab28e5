// The main window as a whole: its construction, the start state, closing,
// and the panel port (gauge, symbol choosers, message boxes, file dialogs).

#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

#include "app/image_box.h"
#include "app/port_list_tips.h"
#include "app/radio_group.h"
#include "app/status_bar.h"
#include "app/traffic_log_window.h"
#include "core/formatfile/format_file.h"

namespace orvex::app {

namespace {

constexpr int kClientWidth = 1060;
constexpr int kClientHeight = 572;
const QPoint kDesignedPlace(316, 103);

}  // namespace

QPoint placeInside(const QRect& frame, const QRect& available) {
  QPoint place = frame.topLeft();
  // Moved back just as far as it sticks out on the right or at the bottom;
  // a window larger than the area keeps its top left corner inside it.
  if (frame.right() > available.right()) place.rx() -= frame.right() - available.right();
  if (frame.bottom() > available.bottom()) place.ry() -= frame.bottom() - available.bottom();
  place.setX(qMax(place.x(), available.left()));
  place.setY(qMax(place.y(), available.top()));
  return place;
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), messageWindow_(new MessageMemo) {
  // Closing the main window ends the program: its other windows (preview,
  // about box, traffic log) go with it.
  processEnd_ = [] { QCoreApplication::quit(); };
  WindowSide side;
  side.memo = messageWindow_;
  side.panel = this;
  side.preview = &previewRelay_;
  side.showSetup = [this](const core::TicketSetup& setup, int taken) { showSetup(setup, taken); };
  side.showLogo = [this](int slot, const std::optional<QImage>& image) { showLogo(slot, image); };
  side.portChanged = [this](const PortEvent& event) { showPortEvent(event); };
  side.workbookSaved = [this](const std::string& path) {
    emit workbookSaved(QFile::decodeName(QByteArray::fromStdString(path)));
  };
  side.stakeChanged = [this](const SessionStake& stake) { stake_ = stake; };
  session_ = std::make_unique<SessionThread>(this, std::move(side));
  buildWindow();
  setUpTrafficLog();
  setStartState();
  session_->start();
}

MainWindow::~MainWindow() {
  // The session thread ends first: nothing it sends here outlives the window.
  session_->stop();
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
  buildStatusBar();

  move(kDesignedPlace);
  resize(kClientWidth,
         kClientHeight + menuBar()->sizeHint().height() + statusBar_->minimumSizeHint().height());
  connect(statusBar_, &StatusBar::heightChanged, this, &MainWindow::fitHeight,
          Qt::QueuedConnection);
}

void MainWindow::fitHeight() {
  // The client area keeps its designed size; the window is as tall as the
  // status bar's lines make it, and stays on the screen.
  if (layout() != nullptr) layout()->activate();
  resize(width(), minimumSizeHint().height());
  keepOnScreen();
}

void MainWindow::keepOnScreen() {
  if (isMaximized() || isFullScreen()) return;
  const QScreen* shownOn = screen();
  if (shownOn == nullptr) return;
  const QRect frame = frameGeometry();
  const QPoint place = placeInside(frame, shownOn->availableGeometry());
  if (place != frame.topLeft()) move(place);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The status bar's lines know their width now: the window takes its
  // height before it reaches the screen.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  fitHeight();
  // The designed place lies partly off a 1280x800 screen; the frame is known
  // only once the window manager has framed the window, so look again then.
  QTimer::singleShot(0, this, &MainWindow::keepOnScreen);
}

void MainWindow::setStartState() {
  // "comm.ini" is not read: nothing uses its content, and a missing file
  // must not leave the window half set up.
  portName_ = QStringLiteral("COM1");
  portSettings_ = QStringLiteral("38400,N,8,1");
  wideSymbolBox_->hide();
  narrowSymbolBox_->hide();
  printSymbolBox_->setEnabled(false);
  // Before the session's thread starts: nothing else touches it yet.
  core::Session& session = session_->session();
  session.state = core::ConnectionState{};
  session.pending = core::PendingRequest{};
  for (auto& logo : session.setup.logos) logo.path.clear();
  viewSetup_ = session.setup;
  for (int slot = 1; slot <= 3; ++slot)
    logoBox(slot)->blank(QStringLiteral("Click here to open file."));
  beginningDatePicker_->setDate(QDate::currentDate());
  endingDatePicker_->setDate(QDate::currentDate());
  showSetup(viewSetup_, session_->editsPosted());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    switch (askBeforeClosing()) {
      case CloseAnswer::Close:
        break;
      case CloseAnswer::KeepOpen:
        event->ignore();
        return;
      case CloseAnswer::SaveFirst:
        event->ignore();
        // Closed once the setup is in a file; a cancelled or failed save
        // keeps the window.
        session_->postStoring(core::SaveFormatFile, [this](bool saved) {
          if (saved) endProgram();
        });
        return;
    }
  }
  endProgram();
  event->accept();
}

CloseAnswer MainWindow::askBeforeClosing() {
  // An edit the session has not taken in yet is a change too.
  const bool changed = stake_.changed || stake_.editsTaken < session_->editsPosted();
  if (!stake_.transfer && !changed) return CloseAnswer::Close;  // as designed
  CloseQuestion question;
  question.title = QStringLiteral("Close the Orvex Printer Tool");
  QStringList said;
  if (stake_.transfer) {
    QString transfer = QStringLiteral("A transfer to the printer is under way");
    const int percent = downloadGauge_->value();
    if (percent > 0 && percent < 100) transfer += QStringLiteral(" (%1 %)").arg(percent);
    said << transfer + QStringLiteral(
                           ". Closing now stops it, and the printer may be left with only "
                           "part of it.");
  }
  if (changed) {
    said << QStringLiteral(
        "The ticket setup has changed since it was last loaded or saved. Closing now loses "
        "the changes.");
  }
  question.text = said.join(QStringLiteral("\n\n"));
  question.closeLabel =
      stake_.transfer ? QStringLiteral("Stop and Close") : QStringLiteral("Close Without Saving");
  question.canSave = changed && !stake_.transfer;
  return dialogs_->askClose(this, question);
}

void MainWindow::endProgram() {
  if (closed_) return;
  closed_ = true;
  // Gone from the screen at once; the session thread ends what runs (a
  // request under way is finished, so the printer never gets half of one),
  // lets go of the port, and ends.
  hide();
  session_->stop();
  trafficLog_.writer().Flush(500);
  if (processEnd_) processEnd_();
}

// ---- PanelPort ----

void MainWindow::SetGauge(int percent) {
  downloadGauge_->setValue(qBound(0, percent, 100));
}

void MainWindow::ShowSymbolChooser(bool wide) {
  wideSymbols_ = wide;
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

}  // namespace orvex::app
