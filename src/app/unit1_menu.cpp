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
  AddItem(this, testPrint, {"PrintCoin", "Coin  Ticket", &TForm1::PrintCoinClick});
  AddItem(this, testPrint, {"PrintNote", "Note  Ticket", &TForm1::PrintNoteClick});
  AddItem(this, testPrint, {"PrintPayout", "Payout  Ticket", &TForm1::PrintPayoutClick});
  AddItem(this, testPrint, {"PrintDaily", "Daily  Report", &TForm1::PrintDailyClick});

  QMenu* read = AddMenu(bar, "Read1", "Read");
  AddItem(this, read,
          {"ReadFirmwareVersion", "Firmware  Version", &TForm1::ReadFirmwareVersionClick});
  AddItem(this, read, {"ReadDateTime", "Date  &&  Time", &TForm1::ReadDateTimeClick});
  AddItem(this, read,
          {"ReadTicketPoint", "Data Mutiplier && Floating-point", &TForm1::ReadTicketPointClick});
  AddItem(this, read, {"ReadPrintTicket", "Print  status", &TForm1::ReadPrintTicketClick});
  AddItem(this, read, {"SummaryReport1", "Summary Report", &TForm1::SummaryReport1Click});

  QMenu* download = AddMenu(bar, "Download1", "Download");
  AddItem(this, download, {"ProgameAll1", "All  Formats", &TForm1::ProgameAll1Click});
  AddItem(this, download, {"SetCoin", "Coin  Ticket  Format", &TForm1::SetCoinClick});
  AddItem(this, download, {"SetNote", "Note  Ticket  Format", &TForm1::SetNoteClick});
  AddItem(this, download, {"SetPayout", "Payout  Ticket  Format", &TForm1::SetPayoutClick});
  AddItem(this, download, {"SetLogo1", "Logo  1", &TForm1::SetLogo1Click});
  AddItem(this, download, {"SetLogo2", "Logo  2", &TForm1::SetLogo2Click});
  AddItem(this, download, {"SetLogo3", "Logo  3", &TForm1::SetLogo3Click});
  AddItem(this, download, {"SetDateTime", "Date  &&  Time", &TForm1::SetDateTimeClick});
  QMenu* dateFormat = AddSubmenu(download, "DateFormat1", "Date  Format");
  AddItem(this, dateFormat, {"YYMMDD1", "YY/MM/DD", &TForm1::YYMMDD1Click});
  AddItem(this, dateFormat, {"DDMMYY1", "DD/MM/YY", &TForm1::DDMMYY1Click});
  AddItem(this, dateFormat, {"MMDDYY1", "MM/DD/YY", &TForm1::MMDDYY1Click});
  AddItem(this, dateFormat, {"YYDDMM1", "YY/DD/MM", &TForm1::YYDDMM1Click});
  QMenu* serial = AddSubmenu(download, "PrintSerialNumber1", "Print Serial  Number");
  AddItem(this, serial, {"Enable1", "&Enable", &TForm1::Enable1Click});
  AddItem(this, serial, {"Disable1", "&Disable", &TForm1::Disable1Click});

  QMenu* clear = AddMenu(bar, "Clear1", "Clear");
  AddItem(this, clear, {"MessageWindow1", "Message  Window", &TForm1::MessageWindow1Click});
  AddItem(this, clear, {"Logo11", "Logo  1", &TForm1::Logo11Click});
  AddItem(this, clear, {"Logo21", "Logo  2", &TForm1::Logo21Click});
  AddItem(this, clear, {"Logo31", "Logo  3", &TForm1::Logo31Click});
  AddItem(this, clear,
          {"CoinTicketFormat1", "Coin  Ticket  Format", &TForm1::CoinTicketFormat1Click});
  AddItem(this, clear,
          {"NoteTicketFormat1", "Note  Ticket  Format", &TForm1::NoteTicketFormat1Click});
  AddItem(this, clear,
          {"PayoutTicketFormat1", "Payout  Ticket  Format", &TForm1::PayoutTicketFormat1Click});
  AddItem(this, clear, {"All1", "All", &TForm1::All1Click});

  QMenu* preview = AddMenu(bar, "Preview1", "Preview");
  AddItem(this, preview, {"CoinTicket1", "Coin  Ticket", &TForm1::CoinTicket1Click});
  AddItem(this, preview, {"NoteTicket1", "Note  Ticket", &TForm1::NoteTicket1Click});
  AddItem(this, preview, {"PayoutTicket1", "Payout  Ticket", &TForm1::PayoutTicket1Click});

  QMenu* other = AddMenu(bar, "OtherFunctions1", "Other_Functions");
  QMenu* cutter = AddSubmenu(other, "CutterTest1", "Cutter  Test");
  AddItem(this, cutter, {"FullCut2", "Full  Cut", &TForm1::FullCut2Click});
  AddItem(this, cutter, {"PartCut2", "Part  Cut", &TForm1::PartCut2Click});
  AddItem(this, other, {"EraseSummary", "Erase  Record ", &TForm1::EraseSummaryClick});
  AddItem(this, other,
          {"SaveTicketFormat1", "Save  Ticket  Format  As..", &TForm1::SaveTicketFormat1Click});
  AddItem(this, other,
          {"LoadTicketFormat1", "Load  Ticket  Format", &TForm1::LoadTicketFormat1Click});
  AddItem(this, other,
          {"DailyHistoryReport1", "Print  History  Report", &TForm1::DailyHistoryReport1Click});
  AddItem(
      this, other,
      {"ReadWriteSerialnumber1", "Read/Write Serial number", &TForm1::ReadWriteSerialnumber1Click});
  AddSeparator(other, "N1", false);
  AddItem(this, other, {"COM1", "COM  1", &TForm1::COM1Click, true});
  AddItem(this, other, {"COM2", "COM  2", &TForm1::COM2Click, true});
  AddSeparator(other, "N3", true);
  AddItem(this, other, {"N2", "About", &TForm1::N2Click});
}

QAction* TForm1::menuAction(const QString& objectName) const {
  return menuBar()->findChild<QAction*>(objectName);
}

void TForm1::PrintCoinClick() {
  orvex::PrintCoinClick(session_);
}
void TForm1::PrintNoteClick() {
  orvex::PrintNoteClick(session_);
}
void TForm1::PrintPayoutClick() {
  orvex::PrintPayoutClick(session_);
}
void TForm1::PrintDailyClick() {
  orvex::PrintDailyClick(session_);
}

void TForm1::ReadFirmwareVersionClick() {
  orvex::ReadFirmwareVersionClick(session_);
}
void TForm1::ReadDateTimeClick() {
  orvex::ReadDateTimeClick(session_);
}
void TForm1::ReadTicketPointClick() {
  orvex::ReadTicketPointClick(session_);
}
void TForm1::ReadPrintTicketClick() {
  orvex::ReadPrintTicketClick(session_);
}
void TForm1::SummaryReport1Click() {
  orvex::SummaryReport1Click(session_);
}

void TForm1::ProgameAll1Click() {
  orvex::ProgameAll1Click(session_);
}
void TForm1::SetCoinClick() {
  orvex::SetCoinClick(session_);
}
void TForm1::SetNoteClick() {
  orvex::SetNoteClick(session_);
}
void TForm1::SetPayoutClick() {
  orvex::SetPayoutClick(session_);
}
void TForm1::SetLogo1Click() {
  orvex::SetLogo1Click(session_);
}
void TForm1::SetLogo2Click() {
  orvex::SetLogo2Click(session_);
}
void TForm1::SetLogo3Click() {
  orvex::SetLogo3Click(session_);
}
void TForm1::SetDateTimeClick() {
  orvex::SetDateTimeClick(session_);
}
void TForm1::YYMMDD1Click() {
  orvex::YYMMDD1Click(session_);
}
void TForm1::DDMMYY1Click() {
  orvex::DDMMYY1Click(session_);
}
void TForm1::MMDDYY1Click() {
  orvex::MMDDYY1Click(session_);
}
void TForm1::YYDDMM1Click() {
  orvex::YYDDMM1Click(session_);
}
void TForm1::Enable1Click() {
  orvex::Enable1Click(session_);
}
void TForm1::Disable1Click() {
  orvex::Disable1Click(session_);
}

void TForm1::MessageWindow1Click() {
  orvex::MessageWindow1Click(session_);
}
void TForm1::Logo11Click() {
  orvex::Logo11Click(session_);
}
void TForm1::Logo21Click() {
  orvex::Logo21Click(session_);
}
void TForm1::Logo31Click() {
  orvex::Logo31Click(session_);
}
void TForm1::CoinTicketFormat1Click() {
  orvex::CoinTicketFormat1Click(session_);
}
void TForm1::NoteTicketFormat1Click() {
  orvex::NoteTicketFormat1Click(session_);
}
void TForm1::PayoutTicketFormat1Click() {
  orvex::PayoutTicketFormat1Click(session_);
}
void TForm1::All1Click() {
  orvex::All1Click(session_);
}

void TForm1::CoinTicket1Click() {
  orvex::CoinTicket1Click(session_);
}
void TForm1::NoteTicket1Click() {
  orvex::NoteTicket1Click(session_);
}
void TForm1::PayoutTicket1Click() {
  orvex::PayoutTicket1Click(session_);
}

void TForm1::FullCut2Click() {
  orvex::FullCut2Click(session_);
}
void TForm1::PartCut2Click() {
  orvex::PartCut2Click(session_);
}
void TForm1::EraseSummaryClick() {
  orvex::EraseSummaryClick(session_);
}
void TForm1::SaveTicketFormat1Click() {
  orvex::SaveTicketFormat1Click(session_);
}
void TForm1::LoadTicketFormat1Click() {
  orvex::LoadTicketFormat1Click(session_);
}
void TForm1::DailyHistoryReport1Click() {
  orvex::DailyHistoryReport1Click(session_);
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
