// The main window as built: caption, size, control names and places, the
// menu tree with its exact captions, the start state and the about box.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/about_box.h"
#include "app/image_box.h"
#include "app_fixture.h"

namespace orvex::app {

namespace {

struct MenuNode {
  QString caption;
  bool visible = true;
  QList<MenuNode> children;  // a submenu when not empty
};

MenuNode Leaf(const char* caption, bool visible = true) {
  return {QString::fromUtf8(caption), visible, {}};
}
MenuNode Sub(const char* caption, QList<MenuNode> children) {
  return {QString::fromUtf8(caption), true, std::move(children)};
}
MenuNode Sep(bool visible = true) {
  return {QStringLiteral("-"), visible, {}};
}

QList<MenuNode> Actual(const QList<QAction*>& actions) {
  QList<MenuNode> nodes;
  for (QAction* a : actions) {
    MenuNode node{a->isSeparator() ? QStringLiteral("-") : a->text(), a->isVisible(), {}};
    if (a->menu() != nullptr) node.children = Actual(a->menu()->actions());
    nodes << node;
  }
  return nodes;
}

QString Describe(const QList<MenuNode>& nodes, int depth = 0) {
  QString out;
  for (const MenuNode& n : nodes) {
    out += QString(depth * 2, QLatin1Char(' ')) + QLatin1Char('[') + n.caption + QLatin1Char(']') +
           (n.visible ? QString() : QStringLiteral(" hidden")) + QLatin1Char('\n');
    out += Describe(n.children, depth + 1);
  }
  return out;
}

QRect ClientRect(QWidget* widget, MainWindow* form) {
  return QRect(widget->mapTo(form->centralWidget(), QPoint(0, 0)), widget->size());
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void captionSizeAndFonts() {
    AppFixture f;
    QCOMPARE(f.form->windowTitle(), QStringLiteral("Zelta Printer Tool (V2.0.7)"));
    QCOMPARE(f.form->pos(), QPoint(316, 103));
    QCOMPARE(f.form->centralWidget()->size(), QSize(1060, 572));
    QCOMPARE(f.form->font().family(), QStringLiteral("Times New Roman"));
    QCOMPARE(f.form->font().pixelSize(), 13);
    QVERIFY(f.form->font().bold());
    QCOMPARE(f.form->messageWindow()->font().family(), QStringLiteral("Arial"));
    QCOMPARE(f.form->messageWindow()->font().pixelSize(), 12);
    QVERIFY(f.form->messageWindow()->font().bold());
    QCOMPARE(f.form->messageWindow()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(!f.form->messageWindow()->isReadOnly());
  }

  void menuTreeHasTheExactCaptions() {
    AppFixture f;
    const QList<MenuNode> expected = {
        Sub("Test_Print", {Leaf("Coin  Ticket"), Leaf("Note  Ticket"), Leaf("Payout  Ticket"),
                           Leaf("Daily  Report")}),
        Sub("Read", {Leaf("Firmware  Version"), Leaf("Date  &&  Time"),
                     Leaf("Data Mutiplier && Floating-point"), Leaf("Print  status"),
                     Leaf("Summary Report")}),
        Sub("Download", {Leaf("All  Formats"), Leaf("Coin  Ticket  Format"),
                         Leaf("Note  Ticket  Format"), Leaf("Payout  Ticket  Format"),
                         Leaf("Logo  1"), Leaf("Logo  2"), Leaf("Logo  3"), Leaf("Date  &&  Time"),
                         Sub("Date  Format", {Leaf("YY/MM/DD"), Leaf("DD/MM/YY"), Leaf("MM/DD/YY"),
                                              Leaf("YY/DD/MM")}),
                         Sub("Print Serial  Number", {Leaf("&Enable"), Leaf("&Disable")})}),
        Sub("Clear", {Leaf("Message  Window"), Leaf("Logo  1"), Leaf("Logo  2"), Leaf("Logo  3"),
                      Leaf("Coin  Ticket  Format"), Leaf("Note  Ticket  Format"),
                      Leaf("Payout  Ticket  Format"), Leaf("All")}),
        Sub("Preview", {Leaf("Coin  Ticket"), Leaf("Note  Ticket"), Leaf("Payout  Ticket")}),
        Sub("Other_Functions",
            {Sub("Cutter  Test", {Leaf("Full  Cut"), Leaf("Part  Cut")}), Leaf("Erase  Record "),
             Leaf("Save  Ticket  Format  As.."), Leaf("Load  Ticket  Format"),
             Leaf("Print  History  Report"), Leaf("Read/Write Serial number"), Sep(),
             Leaf("COM  1", false), Leaf("COM  2", false), Sep(false), Leaf("About")}),
        // The tool's own menus, after the designed ones.
        Sub("View", {Leaf("Traffic Log")}),
        Sub("Help", {Leaf("Manual"), Leaf("README")}),
    };
    QCOMPARE(Describe(Actual(f.form->menuBar()->actions())), Describe(expected));
  }

  void menuItemsCarryTheirDesignerNames() {
    AppFixture f;
    const char* const names[] = {"PrintCoin",
                                 "PrintNote",
                                 "PrintPayout",
                                 "PrintDaily",
                                 "ReadFirmwareVersion",
                                 "ReadDateTime",
                                 "ReadTicketPoint",
                                 "ReadPrintTicket",
                                 "SummaryReport1",
                                 "ProgameAll1",
                                 "SetCoin",
                                 "SetNote",
                                 "SetPayout",
                                 "SetLogo1",
                                 "SetLogo2",
                                 "SetLogo3",
                                 "SetDateTime",
                                 "YYMMDD1",
                                 "DDMMYY1",
                                 "MMDDYY1",
                                 "YYDDMM1",
                                 "Enable1",
                                 "Disable1",
                                 "MessageWindow1",
                                 "Logo11",
                                 "Logo21",
                                 "Logo31",
                                 "CoinTicketFormat1",
                                 "NoteTicketFormat1",
                                 "PayoutTicketFormat1",
                                 "All1",
                                 "CoinTicket1",
                                 "NoteTicket1",
                                 "PayoutTicket1",
                                 "FullCut2",
                                 "PartCut2",
                                 "EraseSummary",
                                 "SaveTicketFormat1",
                                 "LoadTicketFormat1",
                                 "DailyHistoryReport1",
                                 "ReadWriteSerialnumber1",
                                 "COM1",
                                 "COM2",
                                 "N2"};
    for (const char* name : names) {
      QVERIFY2(f.form->menuAction(QString::fromUtf8(name)) != nullptr, name);
    }
    QCOMPARE(f.form->menuAction(QStringLiteral("ReadDateTime"))->text(),
             QStringLiteral("Date  &&  Time"));
    QCOMPARE(f.form->menuAction(QStringLiteral("SetDateTime"))->text(),
             QStringLiteral("Date  &&  Time"));
  }

  void everyDesignedControlExistsByName() {
    AppFixture f;
    QStringList missing;
    const auto need = [&](const QString& name) {
      if (f.form->findChild<QObject*>(name) == nullptr) missing << name;
    };
    for (int i = 1; i <= 34; ++i) need(QStringLiteral("Edit%1").arg(i));
    for (int i = 1; i <= 92; ++i) need(QStringLiteral("RadioGroup%1").arg(i));
    for (int i = 14; i <= 46; ++i) need(QStringLiteral("Label%1").arg(i));
    for (int i = 1; i <= 6; ++i) need(QStringLiteral("GroupBox%1").arg(i));
    for (int i = 1; i <= 5; ++i) need(QStringLiteral("CheckBox%1").arg(i));
    for (int i = 1; i <= 3; ++i) need(QStringLiteral("Image%1").arg(i));
    for (int i = 4; i <= 6; ++i) need(QStringLiteral("TabSheet%1").arg(i));
    for (const char* name :
         {"Memo1", "ComboBox1", "Label48", "PageControl1", "PageControl2", "Button1", "Button2",
          "Button4", "BitBtn2", "CGauge1", "DateTimePicker1", "DateTimePicker2"}) {
      need(QString::fromUtf8(name));
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char(' '))));
    // The line editors' controls carry the designed names, irregular ones included.
    using core::TicketKind;
    QCOMPARE(f.form->lineEditor(TicketKind::Coin, 0).kindGroup()->objectName(),
             QStringLiteral("RadioGroup20"));
    QCOMPARE(f.form->lineEditor(TicketKind::Coin, 9).heightGroup()->objectName(),
             QStringLiteral("RadioGroup21"));
    QCOMPARE(f.form->lineEditor(TicketKind::Payout, 9).textBox()->objectName(),
             QStringLiteral("Edit34"));
    QCOMPARE(f.form->lineEditor(TicketKind::Payout, 9).caption()->objectName(),
             QStringLiteral("Label46"));
  }

  void controlsStandWhereDesigned() {
    AppFixture f;
    MainWindow* w = f.form.get();
    QCOMPARE(ClientRect(w->messageWindow(), w), QRect(3, 40, 274, 521));
    QCOMPARE(ClientRect(f.Find<QTabWidget>("PageControl2"), w), QRect(277, 34, 364, 311));
    QCOMPARE(ClientRect(f.Find<QTabWidget>("PageControl1"), w), QRect(648, 14, 350, 330));
    QCOMPARE(ClientRect(f.Find<QGroupBox>("GroupBox3"), w), QRect(280, 352, 393, 209));
    QCOMPARE(ClientRect(f.Find<QGroupBox>("GroupBox2"), w), QRect(680, 352, 321, 73));
    QCOMPARE(ClientRect(f.Find<QGroupBox>("GroupBox1"), w), QRect(680, 432, 321, 65));
    QCOMPARE(ClientRect(f.Find<QGroupBox>("GroupBox6"), w), QRect(680, 504, 321, 57));
    QCOMPARE(ClientRect(f.Find<QCheckBox>("CheckBox4"), w).topLeft(), QPoint(384, 408));
    QCOMPARE(ClientRect(f.Find<QGroupBox>("GroupBox4"), w).topLeft(), QPoint(384, 424));
    QCOMPARE(ClientRect(f.Find<QGroupBox>("GroupBox5"), w).topLeft(), QPoint(384, 424));
    QCOMPARE(ClientRect(f.Find<QComboBox>("ComboBox1"), w).topLeft(), QPoint(89, 8));
    QCOMPARE(ClientRect(f.Find<QLabel>("Label48"), w).topLeft(), QPoint(16, 11));
    QCOMPARE(f.Find<QDateEdit>("DateTimePicker1")->geometry(), QRect(8, 38, 97, 23));
    QCOMPARE(f.Find<QDateEdit>("DateTimePicker2")->geometry(), QRect(112, 38, 97, 23));
    QCOMPARE(f.Find<QPushButton>("Button4")->geometry(), QRect(218, 26, 95, 24));
    QCOMPARE(f.Find<ImageBox>("Image1")->size(), QSize(340, 300));
    // Ten rows 28 pixels apart on each page.
    for (const auto kind : {core::TicketKind::Coin, core::TicketKind::Payout}) {
      for (int line = 1; line < 10; ++line) {
        const auto& above = w->lineEditor(kind, line - 1);
        const auto& row = w->lineEditor(kind, line);
        QCOMPARE(row.textBox()->y() - above.textBox()->y(), 28);
        QCOMPARE(row.kindGroup()->y() - above.kindGroup()->y(), 28);
        QCOMPARE(row.caption()->geometry().intersects(row.textBox()->geometry()), true);
      }
    }
  }

  void captionsOfTheEditorsAndBoxes() {
    AppFixture f;
    QCOMPARE(f.Find<QLabel>("Label48")->text(), QStringLiteral("COM Port : "));
    QCOMPARE(f.Find<QTabWidget>("PageControl2")->tabText(0), QStringLiteral("Coin"));
    QCOMPARE(f.Find<QTabWidget>("PageControl2")->tabText(1), QStringLiteral("Note"));
    QCOMPARE(f.Find<QTabWidget>("PageControl2")->tabText(2), QStringLiteral("Payout"));
    QCOMPARE(f.Find<QTabWidget>("PageControl2")->currentIndex(), 0);
    QCOMPARE(f.Find<QTabWidget>("PageControl1")->tabText(2), QStringLiteral("Logo3"));
    QCOMPARE(f.Find<QGroupBox>("GroupBox1")->title(),
             QStringLiteral("Data Multiplier  &&  Decimal Setting"));
    QCOMPARE(f.Find<QGroupBox>("GroupBox2")->title(), QStringLiteral("Record Search"));
    QCOMPARE(f.Find<QGroupBox>("GroupBox3")->title(), QStringLiteral("Print Status Setting"));
    QCOMPARE(f.Find<QGroupBox>("GroupBox6")->title(), QStringLiteral("Download"));
    QCOMPARE(f.Find<QPushButton>("Button4")->text(), QStringLiteral("Search && Print"));
    QCOMPARE(f.Find<QPushButton>("BitBtn2")->text(), QStringLiteral("Cancel"));
    QCOMPARE(f.Find<QLabel>("Label12")->text(), QStringLiteral("Beginning Date"));
    QCOMPARE(f.Find<QLabel>("Label13")->text(), QStringLiteral("Ending Date"));
    QCOMPARE(f.Find<QLabel>("Label1")->text(), QStringLiteral("T:text ; D:data "));
    QCOMPARE(f.Find<QLabel>("Label2")->text(), QStringLiteral("N:not used ; S:security"));
    // The print-status boxes from the top.
    const QList<QCheckBox*> order = {f.Find<QCheckBox>("CheckBox5"), f.Find<QCheckBox>("CheckBox1"),
                                     f.Find<QCheckBox>("CheckBox3"),
                                     f.Find<QCheckBox>("CheckBox2")};
    const QStringList captions = {QStringLiteral("Print Record Search"),
                                  QStringLiteral("Coin Ticket"), QStringLiteral("Payout Ticket"),
                                  QStringLiteral("Note Ticket")};
    for (int i = 0; i < order.size(); ++i) {
      QCOMPARE(order[i]->text(), captions[i]);
      if (i > 0) QVERIFY(order[i]->y() > order[i - 1]->y());
    }
    QVERIFY(f.Find<QPushButton>("Button2")->y() > f.Find<QCheckBox>("CheckBox2")->y());
    // The typed lengths: four characters for a multiplier, one for the decimals.
    QTest::keyClicks(f.Find<QLineEdit>("Edit11"), QStringLiteral("23456"));
    QCOMPARE(f.Find<QLineEdit>("Edit11")->text(), QStringLiteral("1234"));
    QTest::keyClicks(f.Find<QLineEdit>("Edit14"), QStringLiteral("1"));
    QCOMPARE(f.Find<QLineEdit>("Edit14")->text(), QStringLiteral("0"));
  }

  void startState() {
    AppFixture f;
    MainWindow* w = f.form.get();
    QVERIFY(f.Find<QGroupBox>("GroupBox4")->isHidden());
    QVERIFY(f.Find<QGroupBox>("GroupBox5")->isHidden());
    QVERIFY(!f.Find<QCheckBox>("CheckBox4")->isEnabled());
    QVERIFY(f.Find<QCheckBox>("CheckBox4")->isChecked());
    QCOMPARE(f.Find<QComboBox>("ComboBox1")->count(), 9);
    QCOMPARE(f.Find<QComboBox>("ComboBox1")->itemText(0), QStringLiteral("COM 1"));
    QCOMPARE(f.Find<QComboBox>("ComboBox1")->itemText(8), QStringLiteral("COM 9"));
    QCOMPARE(f.Find<QComboBox>("ComboBox1")->currentIndex(), -1);
    QCOMPARE(f.Find<QComboBox>("ComboBox1")->placeholderText(), QStringLiteral("Select"));
    QVERIFY(f.Find<QComboBox>("ComboBox1")->isEnabled());
    // The link's timers run in the session's host; all stopped at start.
    for (const auto timer : {core::TimerId::OfflineCount, core::TimerId::ReplyTimeout,
                             core::TimerId::VariantWait, core::TimerId::StuckWatch}) {
      QVERIFY(!f.TimerOn(timer));
    }
    QCOMPARE(f.Find<QDateEdit>("DateTimePicker1")->date(), QDate::currentDate());
    QCOMPARE(f.Find<QDateEdit>("DateTimePicker2")->date(), QDate::currentDate());
    QVERIFY(f.Find<QDateEdit>("DateTimePicker1")->calendarPopup());
    QCOMPARE(f.Find<QProgressBar>("CGauge1")->minimum(), 0);
    QCOMPARE(f.Find<QProgressBar>("CGauge1")->maximum(), 100);
    QCOMPARE(f.Find<QProgressBar>("CGauge1")->value(), 0);
    QCOMPARE(w->messageWindow()->LineCount(), 0);
    QCOMPARE(w->portName(), QStringLiteral("COM1"));
    QVERIFY(!f.State().identified);
    QCOMPARE(f.State().linkState, core::LinkState::NotSeen);
  }

  void logoBoxesStartWhiteWithThePrompt() {
    AppFixture f;
    const QImage image = f.Find<ImageBox>("Image2")->pixmap().toImage();
    QCOMPARE(image.size(), QSize(340, 300));
    int dark = 0;
    int darkOutside = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) >= 128) continue;
        const bool inPrompt = x >= 110 && y >= 140 && y < 160;
        (inPrompt ? dark : darkOutside) += 1;
      }
    }
    QVERIFY(dark > 50);  // the text is there, to the right of and below (110, 140)
    QCOMPARE(darkOutside, 0);
  }

  void missingCommIniIsNoReasonToStop() {
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    AppFixture f;
    QDir::setCurrent(old);
    QVERIFY(f.Find<QGroupBox>("GroupBox4")->isHidden());
    QVERIFY(!f.Find<QCheckBox>("CheckBox4")->isEnabled());
    QVERIFY(f.dialogs.messages.isEmpty());
  }

  void aboutBoxShowsBesideTheWindowAndOkHidesIt() {
    AppFixture f;
    AboutBox about;
    f.form->setAboutBox(&about);
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(about.size(), QSize(298, 213));
    QCOMPARE(Find<QLabel>(about, "ProductName")->text(), QStringLiteral("Orvex Printer Series"));
    QCOMPARE(Find<QLabel>(about, "Version")->text(), QStringLiteral("Version : 2.0.4"));
    QCOMPARE(Find<QLabel>(about, "ProgramIcon")->size(), QSize(65, 57));
    QVERIFY(Find<QPushButton>(about, "OKButton")->isDefault());
    QVERIFY(!about.isModal());
    f.form->menuAction(QStringLiteral("N2"))->trigger();
    f.Settle();
    QVERIFY(about.isVisible());
    QTest::mouseClick(Find<QPushButton>(about, "OKButton"), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    f.form->menuAction(QStringLiteral("N2"))->trigger();
    f.Settle();
    QVERIFY(about.isVisible());
  }

  void serialNumberToolClosesTheWindowEvenWhenMissing() {
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    AppFixture f;
    f.form->show();
    f.form->menuAction(QStringLiteral("ReadWriteSerialnumber1"))->trigger();
    f.Settle();
    QDir::setCurrent(old);
    QCOMPARE(f.processEnds, 1);
    QVERIFY(!f.form->isVisible());
  }

  void clearMessageWindowWaitsForTheIdentifiedPrinter() {
    AppFixture f;
    f.form->messageWindow()->AppendLine("kept");
    f.form->menuAction(QStringLiteral("MessageWindow1"))->trigger();
    f.Settle();
    QCOMPARE(f.Lines(), QStringList{QStringLiteral("kept")});
    f.Identify();
    f.form->menuAction(QStringLiteral("MessageWindow1"))->trigger();
    f.Settle();
    QCOMPARE(f.form->messageWindow()->LineCount(), 0);
  }

  void printerCommandsAreInertBeforeIdentification() {
    AppFixture f;
    for (const char* name : {"PrintCoin", "ReadFirmwareVersion", "SetCoin", "SetLogo1",
                             "EraseSummary", "ProgameAll1", "CoinTicket1", "All1"}) {
      f.form->menuAction(QString::fromUtf8(name))->trigger();
    }
    f.Find<QPushButton>("Button4")->click();
    f.Find<QPushButton>("Button1")->click();
    f.Settle();
    QCOMPARE(f.form->messageWindow()->LineCount(), 0);
    QVERIFY(!f.TimerOn(core::TimerId::ReplyTimeout));
    QVERIFY(f.dialogs.messages.isEmpty());
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::MainWindowTest)
#include "main_window_test.moc"
