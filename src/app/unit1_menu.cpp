// The main menu and the one-line handlers behind it.

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>

#include "batch/download_all.h"
#include "commands/actions.h"
#include "commands/clock_setting.h"
#include "commands/queries.h"
#include "formatfile/format_file.h"
#include "formats/format_download.h"
#include "formats/ticket_editor.h"
#include "logos/logo_download.h"
#include "preview/preview_plan.h"
#include "unit1.h"

namespace {

using Handler = void (TForm1::*)();

struct Item {
  const char* name;     // designer name, also the object name
  const char* caption;  // as stored: "&&" shows one ampersand
  Handler handler;
  bool hidden = false;
};

QAction* AddItem(TForm1* form, QMenu* menu, const Item& item) {
  QAction* action = menu->addAction(QString::fromUtf8(item.caption));
  action->setObjectName(QString::fromUtf8(item.name));
  action->setVisible(!item.hidden);
  QObject::connect(action, &QAction::triggered, form, [form, h = item.handler] { (form->*h)(); });
  return action;
}

QMenu* AddMenu(QMenuBar* bar, const char* name, const char* caption) {
  QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
  menu->setObjectName(QString::fromUtf8(name));
  menu->menuAction()->setObjectName(QString::fromUtf8(name) + QStringLiteral("Item"));
  return menu;
}

QMenu* AddSubmenu(QMenu* parent, const char* name, const char* caption) {
  QMenu* menu = parent->addMenu(QString::fromUtf8(caption));
  menu->setObjectName(QString::fromUtf8(name));
  menu->menuAction()->setObjectName(QString::fromUtf8(name) + QStringLiteral("Item"));
  return menu;
}

void AddSeparator(QMenu* menu, const char* name, bool hidden) {
  QAction* separator = menu->addSeparator();
  separator->setObjectName(QString::fromUtf8(name));
  separator->setVisible(!hidden);
}

}  // namespace

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  QMenu* testPrint = AddMenu(bar, "TestPrint1", "Test_Print");
  AddItem(this, testPrint, {"PrintCoin", "Coin  Ticket", &TForm1::PrintCoinTestTicket});
  AddItem(this, testPrint, {"PrintNote", "Note  Ticket", &TForm1::PrintNoteTestTicket});
  AddItem(this, testPrint, {"PrintPayout", "Payout  Ticket", &TForm1::PrintPayoutTestTicket});
  AddItem(this, testPrint, {"PrintDaily", "Daily  Report", &TForm1::PrintDailyReport});

  QMenu* read = AddMenu(bar, "Read1", "Read");
  AddItem(this, read, {"ReadFirmwareVersion", "Firmware  Version", &TForm1::ReadFirmwareVersion});
  AddItem(this, read, {"ReadDateTime", "Date  &&  Time", &TForm1::ReadPrinterClock});
  AddItem(this, read,
          {"ReadTicketPoint", "Data Mutiplier && Floating-point", &TForm1::ReadMultipliers});
  AddItem(this, read, {"ReadPrintTicket", "Print  status", &TForm1::ReadPrintStatus});
  AddItem(this, read, {"SummaryReport1", "Summary Report", &TForm1::ReadSummaryTotals});

  QMenu* download = AddMenu(bar, "Download1", "Download");
  AddItem(this, download, {"ProgameAll1", "All  Formats", &TForm1::DownloadAll});
  AddItem(this, download, {"SetCoin", "Coin  Ticket  Format", &TForm1::DownloadCoinFormat});
  AddItem(this, download, {"SetNote", "Note  Ticket  Format", &TForm1::DownloadNoteFormat});
  AddItem(this, download, {"SetPayout", "Payout  Ticket  Format", &TForm1::DownloadPayoutFormat});
  AddItem(this, download, {"SetLogo1", "Logo  1", &TForm1::DownloadLogo1});
  AddItem(this, download, {"SetLogo2", "Logo  2", &TForm1::DownloadLogo2});
  AddItem(this, download, {"SetLogo3", "Logo  3", &TForm1::DownloadLogo3});
  AddItem(this, download, {"SetDateTime", "Date  &&  Time", &TForm1::SetPrinterClock});
  QMenu* dateFormat = AddSubmenu(download, "DateFormat1", "Date  Format");
  AddItem(this, dateFormat, {"YYMMDD1", "YY/MM/DD", &TForm1::SetDateFormatYYMMDD});
  AddItem(this, dateFormat, {"DDMMYY1", "DD/MM/YY", &TForm1::SetDateFormatDDMMYY});
  AddItem(this, dateFormat, {"MMDDYY1", "MM/DD/YY", &TForm1::SetDateFormatMMDDYY});
  AddItem(this, dateFormat, {"YYDDMM1", "YY/DD/MM", &TForm1::SetDateFormatYYDDMM});
  QMenu* serial = AddSubmenu(download, "PrintSerialNumber1", "Print Serial  Number");
  AddItem(this, serial, {"Enable1", "&Enable", &TForm1::EnableSerialNumberPrinting});
  AddItem(this, serial, {"Disable1", "&Disable", &TForm1::DisableSerialNumberPrinting});

  QMenu* clear = AddMenu(bar, "Clear1", "Clear");
  AddItem(this, clear, {"MessageWindow1", "Message  Window", &TForm1::ClearMessageWindow});
  AddItem(this, clear, {"Logo11", "Logo  1", &TForm1::ClearLogo1});
  AddItem(this, clear, {"Logo21", "Logo  2", &TForm1::ClearLogo2});
  AddItem(this, clear, {"Logo31", "Logo  3", &TForm1::ClearLogo3});
  AddItem(this, clear, {"CoinTicketFormat1", "Coin  Ticket  Format", &TForm1::ClearCoinFormat});
  AddItem(this, clear, {"NoteTicketFormat1", "Note  Ticket  Format", &TForm1::ClearNoteFormat});
  AddItem(this, clear,
          {"PayoutTicketFormat1", "Payout  Ticket  Format", &TForm1::ClearPayoutFormat});
  AddItem(this, clear, {"All1", "All", &TForm1::ClearAll});

  QMenu* preview = AddMenu(bar, "Preview1", "Preview");
  AddItem(this, preview, {"CoinTicket1", "Coin  Ticket", &TForm1::PreviewCoinTicket});
  AddItem(this, preview, {"NoteTicket1", "Note  Ticket", &TForm1::PreviewNoteTicket});
  AddItem(this, preview, {"PayoutTicket1", "Payout  Ticket", &TForm1::PreviewPayoutTicket});

  QMenu* other = AddMenu(bar, "OtherFunctions1", "Other_Functions");
  QMenu* cutter = AddSubmenu(other, "CutterTest1", "Cutter  Test");
  AddItem(this, cutter, {"FullCut2", "Full  Cut", &TForm1::TestFullCut});
  AddItem(this, cutter, {"PartCut2", "Part  Cut", &TForm1::TestPartCut});
  AddItem(this, other, {"EraseSummary", "Erase  Record ", &TForm1::EraseRecords});
  AddItem(this, other,
          {"SaveTicketFormat1", "Save  Ticket  Format  As..", &TForm1::SaveFormatFile});
  AddItem(this, other, {"LoadTicketFormat1", "Load  Ticket  Format", &TForm1::LoadFormatFile});
  AddItem(this, other,
          {"DailyHistoryReport1", "Print  History  Report", &TForm1::PrintHistoryReport});
  AddItem(
      this, other,
      {"ReadWriteSerialnumber1", "Read/Write Serial number", &TForm1::ReadWriteSerialnumber1Click});
  AddSeparator(other, "N1", false);
  AddItem(this, other, {"COM1", "COM  1", &TForm1::COM1Click, true});
  AddItem(this, other, {"COM2", "COM  2", &TForm1::COM2Click, true});
  AddSeparator(other, "N3", true);
  AddItem(this, other, {"N2", "About", &TForm1::N2Click});

  // The tool's own windows, after the designed menus.
  QMenu* view = AddMenu(bar, "ViewMenu", "View");
  QAction* trafficLog =
      AddItem(this, view, {"TrafficLogItem", "Traffic Log", &TForm1::showTrafficLog});
  trafficLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
}

QAction* TForm1::menuAction(const QString& objectName) const {
  return menuBar()->findChild<QAction*>(objectName);
}

void TForm1::PrintCoinTestTicket() {
  orvex::PrintCoinTestTicket(session_);
}
void TForm1::PrintNoteTestTicket() {
  orvex::PrintNoteTestTicket(session_);
}
void TForm1::PrintPayoutTestTicket() {
  orvex::PrintPayoutTestTicket(session_);
}
void TForm1::PrintDailyReport() {
  orvex::PrintDailyReport(session_);
}

void TForm1::ReadFirmwareVersion() {
  orvex::ReadFirmwareVersion(session_);
}
void TForm1::ReadPrinterClock() {
  orvex::ReadPrinterClock(session_);
}
void TForm1::ReadMultipliers() {
  orvex::ReadMultipliers(session_);
}
void TForm1::ReadPrintStatus() {
  orvex::ReadPrintStatus(session_);
}
void TForm1::ReadSummaryTotals() {
  orvex::ReadSummaryTotals(session_);
}

void TForm1::DownloadAll() {
  orvex::DownloadAll(session_);
}
void TForm1::DownloadCoinFormat() {
  orvex::DownloadCoinFormat(session_);
}
void TForm1::DownloadNoteFormat() {
  orvex::DownloadNoteFormat(session_);
}
void TForm1::DownloadPayoutFormat() {
  orvex::DownloadPayoutFormat(session_);
}
void TForm1::DownloadLogo1() {
  orvex::DownloadLogo1(session_);
}
void TForm1::DownloadLogo2() {
  orvex::DownloadLogo2(session_);
}
void TForm1::DownloadLogo3() {
  orvex::DownloadLogo3(session_);
}
void TForm1::SetPrinterClock() {
  orvex::SetPrinterClock(session_);
}
void TForm1::SetDateFormatYYMMDD() {
  orvex::SetDateFormatYYMMDD(session_);
}
void TForm1::SetDateFormatDDMMYY() {
  orvex::SetDateFormatDDMMYY(session_);
}
void TForm1::SetDateFormatMMDDYY() {
  orvex::SetDateFormatMMDDYY(session_);
}
void TForm1::SetDateFormatYYDDMM() {
  orvex::SetDateFormatYYDDMM(session_);
}
void TForm1::EnableSerialNumberPrinting() {
  orvex::EnableSerialNumberPrinting(session_);
}
void TForm1::DisableSerialNumberPrinting() {
  orvex::DisableSerialNumberPrinting(session_);
}

void TForm1::ClearMessageWindow() {
  orvex::ClearMessageWindow(session_);
}
void TForm1::ClearLogo1() {
  orvex::ClearLogo1(session_);
}
void TForm1::ClearLogo2() {
  orvex::ClearLogo2(session_);
}
void TForm1::ClearLogo3() {
  orvex::ClearLogo3(session_);
}
void TForm1::ClearCoinFormat() {
  orvex::ClearCoinFormat(session_);
}
void TForm1::ClearNoteFormat() {
  orvex::ClearNoteFormat(session_);
}
void TForm1::ClearPayoutFormat() {
  orvex::ClearPayoutFormat(session_);
}
void TForm1::ClearAll() {
  orvex::ClearAll(session_);
}

void TForm1::PreviewCoinTicket() {
  orvex::PreviewCoinTicket(session_);
}
void TForm1::PreviewNoteTicket() {
  orvex::PreviewNoteTicket(session_);
}
void TForm1::PreviewPayoutTicket() {
  orvex::PreviewPayoutTicket(session_);
}

void TForm1::TestFullCut() {
  orvex::TestFullCut(session_);
}
void TForm1::TestPartCut() {
  orvex::TestPartCut(session_);
}
void TForm1::EraseRecords() {
  orvex::EraseRecords(session_);
}
void TForm1::SaveFormatFile() {
  orvex::SaveFormatFile(session_);
}
void TForm1::LoadFormatFile() {
  orvex::LoadFormatFile(session_);
}
void TForm1::PrintHistoryReport() {
  orvex::PrintHistoryReport(session_);
}

void TForm1::ReadWriteSerialnumber1Click() {
  // The serial-number tool is a program of its own; whether it starts or
  // not, this window closes.
  const QString path = QDir::currentPath() + QStringLiteral("/sn.exe");
  QProcess::startDetached(QStringLiteral("xdg-open"), {path});
  close();
}

void TForm1::N2Click() {
  if (aboutBox_ == nullptr) return;
  aboutBox_->show();
  aboutBox_->raise();
  aboutBox_->activateWindow();
}
