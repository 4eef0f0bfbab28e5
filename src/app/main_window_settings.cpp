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

#include "app/main_window.h"
#include "app/typed_length_validator.h"
#include "core/formats/settings.h"
#include "core/link/link_control.h"
#include "core/records/record_search.h"

namespace orvex::app {

namespace {

QGroupBox* makeGroupBox(QWidget* parent, const char* name, const char* title, QRect geometry) {
  auto* box = new QGroupBox(QString::fromUtf8(title), parent);
  box->setObjectName(QString::fromUtf8(name));
  box->setGeometry(geometry);
  return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, QRect geometry) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setGeometry(geometry);
  return button;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* text, int x, int y) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

core::CalendarDate toCalendar(const QDate& date) {
  return {date.year(), date.month(), date.day()};
}

}  // namespace

void MainWindow::buildPrintStatus(QWidget* client) {
  printStatusGroup_ =
      makeGroupBox(client, "GroupBox3", "Print Status Setting", QRect(280, 352, 393, 209));
  struct Box {
    QCheckBox** member;
    const char* name;
    const char* caption;
    bool core::PrintStatus::*field;
  };
  // From the top, as the printer's manual lists them.
  const Box boxes[4] = {
      {&printRecordSearchBox_, "CheckBox5", "Print Record Search",
       &core::PrintStatus::recordSearch},
      {&printCoinBox_, "CheckBox1", "Coin Ticket", &core::PrintStatus::coin},
      {&printPayoutBox_, "CheckBox3", "Payout Ticket", &core::PrintStatus::payout},
      {&printNoteBox_, "CheckBox2", "Note Ticket", &core::PrintStatus::note}};
  int top = 24;
  for (const Box& box : boxes) {
    auto* check = new QCheckBox(QString::fromUtf8(box.caption), printStatusGroup_);
    check->setObjectName(QString::fromUtf8(box.name));
    check->move(5, top);
    check->adjustSize();
    check->setChecked(true);
    const auto field = box.field;
    connect(check, &QCheckBox::toggled, this, [this, field](bool checked) {
      postEdit([field, checked](core::TicketSetup& s) { s.printStatus.*field = checked; });
    });
    *box.member = check;
    top += 32;
  }
  buildSymbolChoosers(printStatusGroup_);
  // After the symbol boxes, so that Tab reaches the button last.
  savePrintStatusButton_ = makeButton(printStatusGroup_, "Button2", "Save", QRect(8, 172, 75, 25));
  savePrintStatusButton_->setAccessibleName(QStringLiteral("Save print status"));
  connect(savePrintStatusButton_, &QPushButton::clicked, this, &MainWindow::sendPrintStatus);
}

void MainWindow::buildRecordSearch(QWidget* client) {
  recordSearchGroup_ = makeGroupBox(client, "GroupBox2", "Record Search", QRect(680, 352, 321, 73));
  QLabel* labels[2] = {makeLabel(recordSearchGroup_, "Label12", "Beginning Date", 8, 20),
                       makeLabel(recordSearchGroup_, "Label13", "Ending Date", 112, 20)};
  const QString shortFormat = QLocale().dateFormat(QLocale::ShortFormat);
  QDateEdit** pickers[2] = {&beginningDatePicker_, &endingDatePicker_};
  for (int i = 0; i < 2; ++i) {
    auto* picker = new QDateEdit(recordSearchGroup_);
    picker->setObjectName(QStringLiteral("DateTimePicker%1").arg(i + 1));
    picker->setAccessibleName(labels[i]->text());
    picker->setGeometry(8 + 104 * i, 38, 97, 23);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(shortFormat);
    labels[i]->setBuddy(picker);
    *pickers[i] = picker;
  }
  searchAndPrintButton_ =
      makeButton(recordSearchGroup_, "Button4", "Search && Print", QRect(218, 26, 95, 24));
  connect(searchAndPrintButton_, &QPushButton::clicked, this, &MainWindow::searchAndPrint);
}

void MainWindow::buildMultipliers(QWidget* client) {
  multiplierGroup_ = makeGroupBox(client, "GroupBox1", "Data Multiplier  &&  Decimal Setting",
                                  QRect(680, 432, 321, 65));
  struct Field {
    const char* labelName;
    const char* caption;
    QLineEdit** edit;
    const char* editName;
    const char* accessibleName;
    int typedLength;
    std::string core::MultiplierSettings::*value;
  };
  using core::MultiplierSettings;
  const Field fields[4] = {{"Label24", "Coin", &coinMultiplierBox_, "Edit11", "Coin multiplier", 4,
                            &MultiplierSettings::coin},
                           {"Label25", "Note", &noteMultiplierBox_, "Edit12", "Note multiplier", 4,
                            &MultiplierSettings::note},
                           {"Label26", "Payout", &payoutMultiplierBox_, "Edit13",
                            "Payout multiplier", 4, &MultiplierSettings::payout},
                           {"Label47", "Decimal", &decimalPlacesBox_, "Edit14", "Decimal places", 1,
                            &MultiplierSettings::decimals}};
  for (int i = 0; i < 4; ++i) {
    const Field& f = fields[i];
    const int x = 8 + 56 * i;
    QLabel* label = makeLabel(multiplierGroup_, f.labelName, f.caption, x, 17);
    auto* edit = new QLineEdit(multiplierGroup_);
    edit->setObjectName(QString::fromUtf8(f.editName));
    edit->setAccessibleName(QString::fromUtf8(f.accessibleName));
    edit->setGeometry(x, 34, 49, 21);
    // Not maxLength: that would cut a longer value of a format file on
    // screen while the whole value is sent and saved.
    const auto value = f.value;
    edit->setValidator(new TypedLengthValidator(f.typedLength, edit, [this, value] {
      return QString::fromStdString(viewSetup_.multipliers.*value);
    }));
    label->setBuddy(edit);
    *f.edit = edit;
  }
  const core::MultiplierSettings& m = viewSetup_.multipliers;
  coinMultiplierBox_->setText(QString::fromStdString(m.coin));
  noteMultiplierBox_->setText(QString::fromStdString(m.note));
  payoutMultiplierBox_->setText(QString::fromStdString(m.payout));
  decimalPlacesBox_->setText(QString::fromStdString(m.decimals));
  // textChanged, not textEdited: a change from anywhere (typing, paste,
  // undo, a screen reader) reaches the model.
  const auto follow = [this](QLineEdit* box, std::string core::MultiplierSettings::*field) {
    connect(box, &QLineEdit::textChanged, this, [this, field](const QString& t) {
      postEdit(
          [field, text = t.toStdString()](core::TicketSetup& s) { s.multipliers.*field = text; });
    });
  };
  follow(coinMultiplierBox_, &core::MultiplierSettings::coin);
  follow(noteMultiplierBox_, &core::MultiplierSettings::note);
  follow(payoutMultiplierBox_, &core::MultiplierSettings::payout);
  follow(decimalPlacesBox_, &core::MultiplierSettings::decimals);
  // After the edit, which it checks on the session thread.
  connect(decimalPlacesBox_, &QLineEdit::textChanged, this, &MainWindow::checkDecimalPlaces);
  saveMultipliersButton_ = makeButton(multiplierGroup_, "Button1", "Save", QRect(238, 31, 75, 25));
  saveMultipliersButton_->setAccessibleName(QStringLiteral("Save multipliers and decimal places"));
  connect(saveMultipliersButton_, &QPushButton::clicked, this, &MainWindow::sendMultiplierSettings);
}

void MainWindow::buildDownloadBox(QWidget* client) {
  downloadGroup_ = makeGroupBox(client, "GroupBox6", "Download", QRect(680, 504, 321, 57));
  downloadGauge_ = new QProgressBar(downloadGroup_);
  downloadGauge_->setObjectName(QStringLiteral("CGauge1"));
  downloadGauge_->setAccessibleName(QStringLiteral("Download progress"));
  downloadGauge_->setGeometry(8, 22, 217, 25);
  downloadGauge_->setRange(0, 100);
  downloadGauge_->setValue(0);
  downloadGauge_->setAlignment(Qt::AlignCenter);
  downloadGauge_->setStyleSheet(
      QStringLiteral("QProgressBar { border: 1px solid gray; background: white; color: black; }"
                     "QProgressBar::chunk { background: blue; }"));
  cancelDownloadButton_ = makeButton(downloadGroup_, "BitBtn2", "Cancel", QRect(238, 22, 75, 25));
  cancelDownloadButton_->setAccessibleName(QStringLiteral("Cancel download"));
  connect(cancelDownloadButton_, &QPushButton::clicked, this, &MainWindow::cancelDownload);
}

void MainWindow::sendMultiplierSettings() {
  post(core::SendMultiplierSettings);
}
void MainWindow::sendPrintStatus() {
  post(core::SendPrintStatus);
}
void MainWindow::searchAndPrint() {
  // The dates as the pickers show them when the button is pressed.
  const core::SearchPeriod period{toCalendar(beginningDatePicker_->date()),
                                  toCalendar(endingDatePicker_->date())};
  session_->post([period](core::Session& s) { core::SearchAndPrint(s, period); });
}
void MainWindow::cancelDownload() {
  post(core::CancelDownload);
}
void MainWindow::checkDecimalPlaces() {
  post(core::CheckDecimalPlaces);
}

}  // namespace orvex::app
