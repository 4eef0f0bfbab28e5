// The settings group boxes: print status, record search, multipliers and
// decimals, and the download progress with its Cancel button.

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include "formats/settings.h"
#include "link/link_control.h"
#include "records/record_search.h"
#include "unit1.h"

namespace {

QGroupBox* MakeGroupBox(QWidget* parent, const char* name, const char* title, QRect geometry) {
  auto* box = new QGroupBox(QString::fromUtf8(title), parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setGeometry(geometry);
  return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(geometry);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

orvex::CalendarDate ToCalendar(const QDate& date) {
  return {date.year(), date.month(), date.day()};
}

}  // namespace

void TForm1::BuildPrintStatus(QWidget* client) {
  GroupBox3 = MakeGroupBox(client, "GroupBox3", "Print Status Setting", QRect(280, 352, 393, 209));
  struct Box {
    QCheckBox** member;
    const char* name;
    const char* caption;
    bool orvex::PrintStatus::*field;
  };
  // From the top, as the printer's manual lists them.
  const Box boxes[4] = {
      {&CheckBox5, "CheckBox5", "Print Record Search", &orvex::PrintStatus::recordSearch},
      {&CheckBox1, "CheckBox1", "Coin Ticket", &orvex::PrintStatus::coin},
      {&CheckBox3, "CheckBox3", "Payout Ticket", &orvex::PrintStatus::payout},
      {&CheckBox2, "CheckBox2", "Note Ticket", &orvex::PrintStatus::note}};
  int top = 24;
  for (const Box& box : boxes) {
    auto* check = new QCheckBox(QString::fromUtf8(box.caption), GroupBox3);
    check->setObjectName(QString::fromUtf8(box.name));
    check->move(5, top);
    check->adjustSize();
    check->setChecked(true);
    const auto field = box.field;
    connect(check, &QCheckBox::toggled, this,
            [this, field](bool checked) { session_.setup.printStatus.*field = checked; });
    *box.member = check;
    top += 32;
  }
  Button2 = MakeButton(GroupBox3, "Button2", "Save", QRect(8, 172, 75, 25));
  connect(Button2, &QPushButton::clicked, this, &TForm1::SendPrintStatus);
  BuildSymbolChoosers(GroupBox3);
}

void TForm1::BuildRecordSearch(QWidget* client) {
  GroupBox2 = MakeGroupBox(client, "GroupBox2", "Record Search", QRect(680, 352, 321, 73));
  Label12 = MakeLabel(GroupBox2, "Label12", "Beginning Date", 8, 20);
  Label13 = MakeLabel(GroupBox2, "Label13", "Ending Date", 112, 20);
  const QString shortFormat = QLocale().dateFormat(QLocale::ShortFormat);
  QDateEdit** pickers[2] = {&DateTimePicker1, &DateTimePicker2};
  for (int i = 0; i < 2; ++i) {
    auto* picker = new QDateEdit(GroupBox2);
    picker->setObjectName(QStringLiteral("DateTimePicker%1").arg(i + 1));
    picker->setGeometry(8 + 104 * i, 38, 97, 23);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(shortFormat);
    *pickers[i] = picker;
  }
  Button4 = MakeButton(GroupBox2, "Button4", "Search && Print", QRect(218, 26, 95, 24));
  connect(Button4, &QPushButton::clicked, this, &TForm1::SearchAndPrint);
}

void TForm1::BuildMultipliers(QWidget* client) {
  GroupBox1 = MakeGroupBox(client, "GroupBox1", "Data Multiplier  &&  Decimal Setting",
                           QRect(680, 432, 321, 65));
  struct Field {
    QLabel** label;
    const char* labelName;
    const char* caption;
    QLineEdit** edit;
    const char* editName;
    int maxLength;
  };
  const Field fields[4] = {{&Label24, "Label24", "Coin", &Edit11, "Edit11", 4},
                           {&Label25, "Label25", "Note", &Edit12, "Edit12", 4},
                           {&Label26, "Label26", "Payout", &Edit13, "Edit13", 4},
                           {&Label47, "Label47", "Decimal", &Edit14, "Edit14", 1}};
  for (int i = 0; i < 4; ++i) {
    const Field& f = fields[i];
    const int x = 8 + 56 * i;
    *f.label = MakeLabel(GroupBox1, f.labelName, f.caption, x, 17);
    auto* edit = new QLineEdit(GroupBox1);
    edit->setObjectName(QString::fromUtf8(f.editName));
    edit->setGeometry(x, 34, 49, 21);
    edit->setMaxLength(f.maxLength);
    *f.edit = edit;
  }
  orvex::MultiplierSettings& m = session_.setup.multipliers;
  Edit11->setText(QString::fromStdString(m.coin));
  Edit12->setText(QString::fromStdString(m.note));
  Edit13->setText(QString::fromStdString(m.payout));
  Edit14->setText(QString::fromStdString(m.decimals));
  connect(Edit11, &QLineEdit::textChanged, this,
          [this](const QString& t) { session_.setup.multipliers.coin = t.toStdString(); });
  connect(Edit12, &QLineEdit::textChanged, this,
          [this](const QString& t) { session_.setup.multipliers.note = t.toStdString(); });
  connect(Edit13, &QLineEdit::textChanged, this,
          [this](const QString& t) { session_.setup.multipliers.payout = t.toStdString(); });
  connect(Edit14, &QLineEdit::textChanged, this, [this](const QString& t) {
    session_.setup.multipliers.decimals = t.toStdString();
    CheckDecimalPlaces();
  });
  Button1 = MakeButton(GroupBox1, "Button1", "Save", QRect(238, 31, 75, 25));
  connect(Button1, &QPushButton::clicked, this, &TForm1::SendMultiplierSettings);
}

void TForm1::BuildDownloadBox(QWidget* client) {
  GroupBox6 = MakeGroupBox(client, "GroupBox6", "Download", QRect(680, 504, 321, 57));
  CGauge1 = new QProgressBar(GroupBox6);
  CGauge1->setObjectName(QStringLiteral("CGauge1"));
  CGauge1->setGeometry(8, 22, 217, 25);
  CGauge1->setRange(0, 100);
  CGauge1->setValue(0);
  CGauge1->setAlignment(Qt::AlignCenter);
  CGauge1->setStyleSheet(
      QStringLiteral("QProgressBar { border: 1px solid gray; background: white; color: black; }"
                     "QProgressBar::chunk { background: blue; }"));
  BitBtn2 = MakeButton(GroupBox6, "BitBtn2", "Cancel", QRect(238, 22, 75, 25));
  connect(BitBtn2, &QPushButton::clicked, this, &TForm1::CancelDownload);
}

void TForm1::SendMultiplierSettings() {
  orvex::SendMultiplierSettings(session_);
}
void TForm1::SendPrintStatus() {
  orvex::SendPrintStatus(session_);
}
void TForm1::SearchAndPrint() {
  orvex::SearchAndPrint(session_,
                        {ToCalendar(DateTimePicker1->date()), ToCalendar(DateTimePicker2->date())});
}
void TForm1::CancelDownload() {
  orvex::CancelDownload(session_);
}
void TForm1::CheckDecimalPlaces() {
  orvex::CheckDecimalPlaces(session_);
}
