// The main menu and the one-line handlers behind it.

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QShortcut>
#include <algorithm>

#include "app/main_window.h"
#include "app/status_bar.h"
#include "core/batch/download_all.h"
#include "core/commands/actions.h"
#include "core/commands/clock_setting.h"
#include "core/commands/queries.h"
#include "core/formatfile/format_file.h"
#include "core/formats/clear_formats.h"
#include "core/formats/format_download.h"
#include "core/logos/logo_download.h"
#include "core/preview/preview_plan.h"

namespace orvex::app {

namespace {

using Handler = void (MainWindow::*)();

struct Item {
  const char* name;     // designer name, also the object name
  const char* caption;  // as stored: "&&" shows one ampersand
  Handler handler;
  bool hidden = false;
};

QAction* addItem(MainWindow* window, QMenu* menu, const Item& item) {
  QAction* action = menu->addAction(QString::fromUtf8(item.caption));
  action->setObjectName(QString::fromUtf8(item.name));
  action->setVisible(!item.hidden);
  QObject::connect(action, &QAction::triggered, window, item.handler);
  return action;
}

QMenu* addMenu(QMenuBar* bar, const char* name, const char* caption) {
  QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
  menu->setObjectName(QString::fromUtf8(name));
  menu->menuAction()->setObjectName(QString::fromUtf8(name) + QStringLiteral("Item"));
  return menu;
}

QMenu* addSubmenu(QMenu* parent, const char* name, const char* caption) {
  QMenu* menu = parent->addMenu(QString::fromUtf8(caption));
  menu->setObjectName(QString::fromUtf8(name));
  menu->menuAction()->setObjectName(QString::fromUtf8(name) + QStringLiteral("Item"));
  return menu;
}

void addSeparator(QMenu* menu, const char* name, bool hidden) {
  QAction* separator = menu->addSeparator();
  separator->setObjectName(QString::fromUtf8(name));
  separator->setVisible(!hidden);
}

}  // namespace

void MainWindow::buildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  QMenu* testPrint = addMenu(bar, "TestPrint1", "Test_Print");
  addItem(this, testPrint, {"PrintCoin", "Coin  Ticket", &MainWindow::printCoinTestTicket});
  addItem(this, testPrint, {"PrintNote", "Note  Ticket", &MainWindow::printNoteTestTicket});
  addItem(this, testPrint, {"PrintPayout", "Payout  Ticket", &MainWindow::printPayoutTestTicket});
  addItem(this, testPrint, {"PrintDaily", "Daily  Report", &MainWindow::printDailyReport});

  QMenu* read = addMenu(bar, "Read1", "Read");
  addItem(this, read,
          {"ReadFirmwareVersion", "Firmware  Version", &MainWindow::readFirmwareVersion});
  addItem(this, read, {"ReadDateTime", "Date  &&  Time", &MainWindow::readPrinterClock});
  addItem(this, read,
          {"ReadTicketPoint", "Data Mutiplier && Floating-point", &MainWindow::readMultipliers});
  addItem(this, read, {"ReadPrintTicket", "Print  status", &MainWindow::readPrintStatus});
  addItem(this, read, {"SummaryReport1", "Summary Report", &MainWindow::readSummaryTotals});

  QMenu* download = addMenu(bar, "Download1", "Download");
  addItem(this, download, {"ProgameAll1", "All  Formats", &MainWindow::downloadAll});
  addItem(this, download, {"SetCoin", "Coin  Ticket  Format", &MainWindow::downloadCoinFormat});
  addItem(this, download, {"SetNote", "Note  Ticket  Format", &MainWindow::downloadNoteFormat});
  addItem(this, download,
          {"SetPayout", "Payout  Ticket  Format", &MainWindow::downloadPayoutFormat});
  addItem(this, download, {"SetLogo1", "Logo  1", &MainWindow::downloadLogo1});
  addItem(this, download, {"SetLogo2", "Logo  2", &MainWindow::downloadLogo2});
  addItem(this, download, {"SetLogo3", "Logo  3", &MainWindow::downloadLogo3});
  addItem(this, download, {"SetDateTime", "Date  &&  Time", &MainWindow::setPrinterClock});
  QMenu* dateFormat = addSubmenu(download, "DateFormat1", "Date  Format");
  addItem(this, dateFormat, {"YYMMDD1", "YY/MM/DD", &MainWindow::setDateFormatYYMMDD});
  addItem(this, dateFormat, {"DDMMYY1", "DD/MM/YY", &MainWindow::setDateFormatDDMMYY});
  addItem(this, dateFormat, {"MMDDYY1", "MM/DD/YY", &MainWindow::setDateFormatMMDDYY});
  addItem(this, dateFormat, {"YYDDMM1", "YY/DD/MM", &MainWindow::setDateFormatYYDDMM});
  QMenu* serial = addSubmenu(download, "PrintSerialNumber1", "Print Serial  Number");
  addItem(this, serial, {"Enable1", "&Enable", &MainWindow::enableSerialNumberPrinting});
  addItem(this, serial, {"Disable1", "&Disable", &MainWindow::disableSerialNumberPrinting});

  QMenu* clear = addMenu(bar, "Clear1", "Clear");
  addItem(this, clear, {"MessageWindow1", "Message  Window", &MainWindow::clearMessageWindow});
  addItem(this, clear, {"Logo11", "Logo  1", &MainWindow::clearLogo1});
  addItem(this, clear, {"Logo21", "Logo  2", &MainWindow::clearLogo2});
  addItem(this, clear, {"Logo31", "Logo  3", &MainWindow::clearLogo3});
  addItem(this, clear, {"CoinTicketFormat1", "Coin  Ticket  Format", &MainWindow::clearCoinFormat});
  addItem(this, clear, {"NoteTicketFormat1", "Note  Ticket  Format", &MainWindow::clearNoteFormat});
  addItem(this, clear,
          {"PayoutTicketFormat1", "Payout  Ticket  Format", &MainWindow::clearPayoutFormat});
  addItem(this, clear, {"All1", "All", &MainWindow::clearAll});

  QMenu* preview = addMenu(bar, "Preview1", "Preview");
  addItem(this, preview, {"CoinTicket1", "Coin  Ticket", &MainWindow::previewCoinTicket});
  addItem(this, preview, {"NoteTicket1", "Note  Ticket", &MainWindow::previewNoteTicket});
  addItem(this, preview, {"PayoutTicket1", "Payout  Ticket", &MainWindow::previewPayoutTicket});

  QMenu* other = addMenu(bar, "OtherFunctions1", "Other_Functions");
  QMenu* cutter = addSubmenu(other, "CutterTest1", "Cutter  Test");
  addItem(this, cutter, {"FullCut2", "Full  Cut", &MainWindow::testFullCut});
  addItem(this, cutter, {"PartCut2", "Part  Cut", &MainWindow::testPartCut});
  addItem(this, other, {"EraseSummary", "Erase  Record ", &MainWindow::eraseRecords});
  addItem(this, other,
          {"SaveTicketFormat1", "Save  Ticket  Format  As..", &MainWindow::saveFormatFile});
  addItem(this, other, {"LoadTicketFormat1", "Load  Ticket  Format", &MainWindow::loadFormatFile});
  addItem(this, other,
          {"DailyHistoryReport1", "Print  History  Report", &MainWindow::printHistoryReport});
  addItem(this, other,
          {"ReadWriteSerialnumber1", "Read/Write Serial number", &MainWindow::runSerialNumberTool});
  addSeparator(other, "N1", false);
  addItem(this, other, {"COM1", "COM  1", &MainWindow::switchToCom1, true});
  addItem(this, other, {"COM2", "COM  2", &MainWindow::switchToCom2, true});
  addSeparator(other, "N3", true);
  addItem(this, other, {"N2", "About", &MainWindow::showAboutBox});

  // The tool's own windows, after the designed menus.
  QMenu* view = addMenu(bar, "ViewMenu", "View");
  QAction* trafficLog =
      addItem(this, view, {"TrafficLogItem", "Traffic Log", &MainWindow::showTrafficLog});
  trafficLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));

  // Help, last; the designed "About" stays where it is.
  QMenu* help = addMenu(bar, "HelpMenu", "Help");
  QAction* manual = addItem(this, help, {"ManualItem", "Manual", &MainWindow::showManual});
  manual->setShortcut(QKeySequence(Qt::Key_F1));
  addItem(this, help, {"ReadmeItem", "README", &MainWindow::openReadme});

  addMenuKeys();
}

void MainWindow::addMenuKeys() {
  // The designed captions carry no access keys ("&Enable" and "&Disable"
  // aside), and an ampersand added now would underline a letter of them.
  // The keyboard reaches the menus without that: F10 opens the first menu,
  // and Alt with the first letter of a menu's caption opens that menu where
  // no other menu starts with the same letter. Arrow keys and Enter do the rest.
  QMenuBar* bar = menuBar();
  const auto open = [bar](QAction* menu) {
    if (!bar->isNativeMenuBar()) bar->setActiveAction(menu);
  };
  QList<QAction*> menus;
  for (QAction* action : bar->actions()) {
    if (action->menu() != nullptr && !action->text().isEmpty()) menus << action;
  }
  if (menus.isEmpty()) return;
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(f10, &QShortcut::activated, this, [open, menus] { open(menus.constFirst()); });
  for (QAction* menu : menus) {
    const QChar initial = menu->text().at(0).toUpper();
    const auto sameInitial = std::count_if(menus.cbegin(), menus.cend(), [initial](QAction* m) {
      return m->text().at(0).toUpper() == initial;
    });
    if (sameInitial != 1 || !initial.isLetterOrNumber()) continue;
    auto* key = new QShortcut(QKeySequence(QStringLiteral("Alt+") + initial), this);
    connect(key, &QShortcut::activated, this, [open, menu] { open(menu); });
  }
}

QAction* MainWindow::menuAction(const QString& objectName) const {
  return menuBar()->findChild<QAction*>(objectName);
}

void MainWindow::post(void (*command)(core::Session&)) {
  session_->post(command);
}

void MainWindow::printCoinTestTicket() {
  post(core::PrintCoinTestTicket);
}
void MainWindow::printNoteTestTicket() {
  post(core::PrintNoteTestTicket);
}
void MainWindow::printPayoutTestTicket() {
  post(core::PrintPayoutTestTicket);
}
void MainWindow::printDailyReport() {
  post(core::PrintDailyReport);
}

void MainWindow::readFirmwareVersion() {
  post(core::ReadFirmwareVersion);
}
void MainWindow::readPrinterClock() {
  post(core::ReadPrinterClock);
}
void MainWindow::readMultipliers() {
  post(core::ReadMultipliers);
}
void MainWindow::readPrintStatus() {
  post(core::ReadPrintStatus);
}
void MainWindow::readSummaryTotals() {
  post(core::ReadSummaryTotals);
}

void MainWindow::downloadAll() {
  post(core::DownloadAll);
}
void MainWindow::downloadCoinFormat() {
  post(core::DownloadCoinFormat);
}
void MainWindow::downloadNoteFormat() {
  post(core::DownloadNoteFormat);
}
void MainWindow::downloadPayoutFormat() {
  post(core::DownloadPayoutFormat);
}
void MainWindow::downloadLogo1() {
  post(core::DownloadLogo1);
}
void MainWindow::downloadLogo2() {
  post(core::DownloadLogo2);
}
void MainWindow::downloadLogo3() {
  post(core::DownloadLogo3);
}
void MainWindow::setPrinterClock() {
  post(core::SetPrinterClock);
}
void MainWindow::setDateFormatYYMMDD() {
  post(core::SetDateFormatYYMMDD);
}
void MainWindow::setDateFormatDDMMYY() {
  post(core::SetDateFormatDDMMYY);
}
void MainWindow::setDateFormatMMDDYY() {
  post(core::SetDateFormatMMDDYY);
}
void MainWindow::setDateFormatYYDDMM() {
  post(core::SetDateFormatYYDDMM);
}
void MainWindow::enableSerialNumberPrinting() {
  post(core::EnableSerialNumberPrinting);
}
void MainWindow::disableSerialNumberPrinting() {
  post(core::DisableSerialNumberPrinting);
}

void MainWindow::clearMessageWindow() {
  post(core::ClearMessageWindow);
}
void MainWindow::clearLogo1() {
  post(core::ClearLogo1);
}
void MainWindow::clearLogo2() {
  post(core::ClearLogo2);
}
void MainWindow::clearLogo3() {
  post(core::ClearLogo3);
}
void MainWindow::clearCoinFormat() {
  post(core::ClearCoinFormat);
}
void MainWindow::clearNoteFormat() {
  post(core::ClearNoteFormat);
}
void MainWindow::clearPayoutFormat() {
  post(core::ClearPayoutFormat);
}
void MainWindow::clearAll() {
  post(core::ClearAll);
}

void MainWindow::previewCoinTicket() {
  post(core::PreviewCoinTicket);
}
void MainWindow::previewNoteTicket() {
  post(core::PreviewNoteTicket);
}
void MainWindow::previewPayoutTicket() {
  post(core::PreviewPayoutTicket);
}

void MainWindow::testFullCut() {
  post(core::TestFullCut);
}
void MainWindow::testPartCut() {
  post(core::TestPartCut);
}
void MainWindow::eraseRecords() {
  post(core::EraseRecords);
}
void MainWindow::saveFormatFile() {
  session_->postStoring(core::SaveFormatFile);
}
void MainWindow::loadFormatFile() {
  session_->postStoring(core::LoadFormatFile);
}
void MainWindow::loadFormatFileAt(const QString& path) {
  session_->postStoring([file = path.toStdString()](core::Session& session) {
    return core::LoadFormatFileAt(session, file);
  });
}
void MainWindow::printHistoryReport() {
  post(core::PrintHistoryReport);
}

void MainWindow::runSerialNumberTool() {
  // The serial-number tool is a program of its own; whether it starts or
  // not, this window closes.
  const QString path = QDir::currentPath() + QStringLiteral("/sn.exe");
  QProcess::startDetached(QStringLiteral("xdg-open"), {path});
  close();
}

void MainWindow::showManual() {
  if (!manualWindow_) manualWindow_ = std::make_unique<ManualWindow>(this);
  manualWindow_->showPage(ManualPagePath(),
                          [this](const QString& reason) { statusBar_->showNotice(reason); });
}

void MainWindow::openReadme() {
  const QString readme = ReadmePath();
  if (readme.isEmpty()) {
    statusBar_->showNotice(QStringLiteral("No README was found next to the program."));
    return;
  }
  statusBar_->openOnDesktop(readme);
}

void MainWindow::showAboutBox() {
  if (aboutBox_ == nullptr) return;
  aboutBox_->show();
  aboutBox_->raise();
  aboutBox_->activateWindow();
}

}  // namespace orvex::app
