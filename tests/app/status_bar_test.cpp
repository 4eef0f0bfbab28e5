// The status bar and the port: where it sits, the port list's tooltips, what
// a choice and a failure say, and an adapter unplugged and plugged back on a
// fake device tree (pseudo-terminals behind its nodes), in real time. And the
// saved workbook with its ways to open it.

#include "status_bar.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <optional>

#include "app_fixture.h"
#include "fake_device_tree.h"
#include "pseudo_terminal.h"
#include "serial/port_names.h"

namespace {

namespace fs = std::filesystem;

// The printer's end of a pseudo-terminal.
struct Printer : orvex::test::PseudoTerminal {
  void Send(std::uint8_t byte) const { QVERIFY(PseudoTerminal::Send(byte)); }
  // What the tool sent, up to `count` bytes or what came within `ms`.
  QByteArray Receive(int count, int ms = 2000) const {
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < count && clock.elapsed() < ms) {
      pollfd in{master, POLLIN, 0};
      if (poll(&in, 1, 20) <= 0) {
        QCoreApplication::processEvents();
        continue;
      }
      char byte = 0;
      if (read(master, &byte, 1) == 1) got.append(byte);
    }
    return got;
  }
  // Announces itself and answers the variant query: a 20-symbol printer.
  void Announce() const {
    Send(0x26);
    QCOMPARE(Receive(2), QByteArray("\x1B\xA0", 2));
    Send(0x0A);
  }
};

// A fake device tree and an empty configuration for one test.
struct Bench {
  QTemporaryDir dir;
  ScopedVariable config{"XDG_CONFIG_HOME", (dir.path() + QStringLiteral("/config")).toLocal8Bit()};
  ScopedVariable root{"ORVEX_DEVICE_ROOT", (dir.path() + QStringLiteral("/root")).toLocal8Bit()};
  orvex::test::FakeDeviceTree tree{(dir.path() + QStringLiteral("/root")).toStdString()};
};

const orvex::test::UsbFacts kPrinterAdapter{"usb-FTDI_FT232R_USB_UART_PRN001-if00-port0",
                                            "FT232R USB UART",
                                            "FTDI",
                                            "PRN001",
                                            "ftdi_sio",
                                            1};

void Pick(MainWindow& form, int index) {
  Find<QComboBox>(form, "ComboBox1")->setCurrentIndex(index);
  emit Find<QComboBox>(form, "ComboBox1")->activated(index);
  form.sessionThread().runAndWait([](orvex::Session&) {});  // the port is open
}

QString Tip(const MainWindow& form, int index) {
  return Find<QComboBox>(form, "ComboBox1")->itemData(index, Qt::ToolTipRole).toString();
}

// Takes the desktop's part for file URLs while it lives: what would have
// been opened is recorded, and nothing is launched.
class OpenedUrls : public QObject {
  Q_OBJECT

 public:
  explicit OpenedUrls(const char* method = "open") {
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, method);
  }
  ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  QList<QUrl> urls;

 public slots:
  void open(const QUrl& url) { urls << url; }
};

}  // namespace

class StatusBarTest : public QObject {
  Q_OBJECT

 private slots:
  void sitsBelowTheDesignedClientAreaAndChangesNothingAbove() {
    AppFixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    StatusBar* bar = f.form->toolStatusBar();
    QVERIFY(bar != nullptr);
    QCOMPARE(f.form->statusBar(), bar);
    QWidget* client = f.form->centralWidget();
    QCOMPARE(client->size(), QSize(1060, 572));
    QVERIFY(bar->geometry().top() >= client->geometry().bottom());
    QCOMPARE(f.form->height(), f.form->menuBar()->height() + client->height() + bar->height());
    // Before a choice it says what to do; the message window stays empty.
    QVERIFY(bar->portStatus().startsWith(QStringLiteral("No port open")));
    QCOMPARE(f.form->messageWindow()->LineCount(), 0);

    // A notice covers the port line for a while; the port line stays.
    bar->showNotice(QStringLiteral("saved"), 0);
    QCOMPARE(bar->notice(), QStringLiteral("saved"));
    bar->clearNotice();
    QCOMPARE(bar->notice(), QString());
    QVERIFY(bar->portStatus().startsWith(QStringLiteral("No port open")));
  }

  void aSavedWorkbookIsNamedWithWaysToOpenItAndItsFolder() {
    AppFixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    StatusBar* bar = f.form->toolStatusBar();
    auto* portLine = Find<QLabel>(*bar, "PortStatus");
    auto* notice = Find<QWidget>(*bar, "SavedFileNotice");
    auto* text = Find<QLabel>(*bar, "SavedFile");
    auto* openFile = Find<QToolButton>(*bar, "OpenSavedFile");
    auto* openFolder = Find<QToolButton>(*bar, "OpenSavedFileFolder");
    const QString portText = bar->portStatus();
    const QRect portPlace = portLine->geometry();
    const int windowHeight = f.form->height();
    QVERIFY(notice->isHidden());
    QCOMPARE(bar->savedFile(), QString());
    OpenedUrls opened;

    const QString path =
        QStringLiteral("/home/tech/My Documents/20050301_20050303_Orvex_Report.xls");
    emit f.form->workbookSaved(path);
    QVERIFY(notice->isVisible());
    QCOMPARE(bar->savedFile(), path);
    QCOMPARE(bar->notice(), QStringLiteral("Workbook saved: ") + path);
    QCOMPARE(text->text(), QStringLiteral("Workbook saved: ") + path);
    QCOMPARE(openFile->text(), QStringLiteral("Open"));
    QCOMPARE(openFolder->text(), QStringLiteral("Open folder"));
    QVERIFY(openFile->isVisible() && openFolder->isVisible());
    // Right of the port line, which keeps its text and its place; the
    // window keeps its height; the message window keeps to the printer.
    QCoreApplication::processEvents();
    QVERIFY(portLine->isVisible());
    QCOMPARE(bar->portStatus(), portText);
    QCOMPARE(portLine->geometry().topLeft(), portPlace.topLeft());
    QVERIFY(portLine->width() > 300);
    QVERIFY(notice->geometry().left() >= portLine->geometry().right());
    QVERIFY(notice->geometry().right() <= bar->width());
    QCOMPARE(f.form->height(), windowHeight);
    QCOMPARE(f.form->messageWindow()->LineCount(), 0);

    QTest::mouseClick(openFile, Qt::LeftButton);
    QTest::mouseClick(openFolder, Qt::LeftButton);
    QCOMPARE(opened.urls,
             (QList<QUrl>{QUrl::fromLocalFile(path),
                          QUrl::fromLocalFile(QStringLiteral("/home/tech/My Documents"))}));
    QCOMPARE(opened.urls.at(0).toString(),
             QStringLiteral("file:///home/tech/My Documents/20050301_20050303_Orvex_Report.xls"));
    QVERIFY(notice->isVisible());  // it stays after being used

    // The next export's workbook takes its place; a long path is cut in
    // its middle, its tooltip has it whole.
    const QString deep = QStringLiteral("/srv/") +
                         QString(QStringLiteral("service-depot/")).repeated(12) +
                         QStringLiteral("20050301_20050331_Orvex_Report.xls");
    emit f.form->workbookSaved(deep);
    QCOMPARE(bar->savedFile(), deep);
    QCOMPARE(text->toolTip(), QStringLiteral("Workbook saved: ") + deep);
    QVERIFY(text->text().startsWith(QStringLiteral("Workbook saved: /srv/")));
    QVERIFY(text->text().endsWith(QStringLiteral("_Orvex_Report.xls")));
    QVERIFY(text->text().contains(QChar(0x2026)));
    QCoreApplication::processEvents();
    QVERIFY(portLine->width() > 300);
    QCOMPARE(f.form->height(), windowHeight);
    opened.urls.clear();
    QTest::mouseClick(openFolder, Qt::LeftButton);
    QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(deep).absolutePath())});

    // The next notice replaces it.
    bar->showNotice(QStringLiteral("COM1 is back: /dev/ttyUSB0 opened again, 38400 8N1."));
    QVERIFY(notice->isHidden());
    QCOMPARE(bar->savedFile(), QString());
    QCOMPARE(bar->notice(), QStringLiteral("COM1 is back: /dev/ttyUSB0 opened again, 38400 8N1."));
    bar->clearNotice();
    QCOMPARE(bar->notice(), QString());
    QCOMPARE(bar->portStatus(), portText);
  }

  void aWorkbookThatCannotBeOpenedIsSaidAndStaysShown() {
    AppFixture f;
    StatusBar* bar = f.form->toolStatusBar();
    OpenedUrls nobody("noSuchHandler");  // the desktop has nothing for it
    const QString path = QStringLiteral("/home/tech/Documents/20050301_20050303_Orvex_Report.xls");
    emit f.form->workbookSaved(path);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("noSuchHandler")));
    Find<QToolButton>(*bar, "OpenSavedFile")->click();
    QCOMPARE(bar->notice(), QStringLiteral("Could not open ") + path +
                                QStringLiteral(": no program on this desktop opens it."));
    QCOMPARE(bar->savedFile(), path);  // "Open folder" can still be tried
    QVERIFY(!Find<QWidget>(*bar, "SavedFileNotice")->isHidden());
  }

  void portListItemsTellTheirDevice() {
    Bench b;
    b.tree.AddUart(0, 4);
    b.tree.PlugAdapter("ttyUSB0", kPrinterAdapter);
    AppFixture f;
    QCOMPARE(f.Find<QComboBox>("ComboBox1")->count(), 9);
    QCOMPARE(f.Find<QComboBox>("ComboBox1")->itemText(0), QStringLiteral("COM 1"));
    QCOMPARE(Tip(*f.form, 0),
             QStringLiteral("/dev/ttyS0\nbuilt-in UART 16550A\ndriver serial8250"));
    QCOMPARE(Tip(*f.form, 1),
             QStringLiteral("/dev/ttyUSB0\nby-id: usb-FTDI_FT232R_USB_UART_PRN001-if00-port0\n"
                            "FT232R USB UART, serial PRN001 (FTDI)\ndriver ftdi_sio"));
    for (int i = 2; i < 9; ++i) QCOMPARE(Tip(*f.form, i), QStringLiteral("no device"));

    // An adapter plugged in later shows when the list is opened.
    b.tree.PlugAdapter(
        "ttyACM0", {"usb-Arduino_Uno_7563331-if00", "Arduino Uno", "", "7563331", "cdc_acm", 2});
    QCOMPARE(Tip(*f.form, 2), QStringLiteral("no device"));
    f.form->show();
    QTest::mousePress(f.Find<QComboBox>("ComboBox1"), Qt::LeftButton);
    QCOMPARE(Tip(*f.form, 1).section(QLatin1Char('\n'), 0, 0), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(Tip(*f.form, 2).section(QLatin1Char('\n'), 0, 0), QStringLiteral("/dev/ttyUSB0"));
    f.Find<QComboBox>("ComboBox1")->hidePopup();
    // The items themselves stay as designed.
    QCOMPARE(f.Find<QComboBox>("ComboBox1")->itemText(1), QStringLiteral("COM 2"));
  }

  void aChoiceShowsTheDeviceAndTheLineSettings() {
    Bench b;
    Printer printer;
    b.tree.PlugAdapter("ttyUSB0", kPrinterAdapter, printer.path);
    AppFixture f;
    Pick(*f.form, 0);
    QCOMPARE(f.form->toolStatusBar()->portStatus(),
             QStringLiteral("COM1  /dev/ttyUSB0  38400 8N1  open"));
    QVERIFY(f.form->toolStatusBar()->portDetails().contains(QStringLiteral("serial PRN001")));
    QCOMPARE(f.Lines(), (QStringList{QStringLiteral("COM1  open now"), QString()}));
    printer.Send(0x26);
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Orvex is online .")), 3000);
  }

  void failuresAreExplainedInTheStatusBarAndTheMessageWindowKeepsItsLine() {
    Bench b;
    {
      AppFixture f;
      Pick(*f.form, 2);
      QCOMPARE(f.Lines(), (QStringList{QStringLiteral("can't open  COM3"), QString()}));
      QCOMPARE(f.form->toolStatusBar()->portStatus(),
               QStringLiteral("COM3  can't open: no device has this name. Plug the adapter "
                              "in: the tool opens it as soon as it is there."));
      QVERIFY(f.form->toolStatusBar()->portDetails().contains(
          QStringLiteral("ln -s /dev/ttyUSB0 ") + b.dir.path() +
          QStringLiteral("/config/orvex-tool/ports/COM3")));
    }
    {
      // Held by another open of this very program.
      Printer printer;
      b.tree.PlugAdapter("ttyUSB0", kPrinterAdapter, printer.path);
      orvex::platform::SerialPort holder;
      QVERIFY(holder.Open("COM1").ok);
      AppFixture f;
      Pick(*f.form, 0);
      QCOMPARE(f.Lines(), (QStringList{QStringLiteral("can't open  COM1"), QString()}));
      QFile comm(QStringLiteral("/proc/self/comm"));
      QVERIFY(comm.open(QIODevice::ReadOnly));
      const QString name = QString::fromUtf8(comm.readAll()).trimmed();  // cut at 15 characters
      QCOMPARE(f.form->toolStatusBar()->portStatus(),
               QStringLiteral("COM1  can't open: /dev/ttyUSB0 is in use by %1 (pid %2, this "
                              "program). Close that program (kill %2), then restart the tool.")
                   .arg(name, QString::number(getpid())));
    }
  }

  void anUnpluggedAdapterIsReopenedWhenItComesBack() {
    Bench b;
    auto first = std::make_unique<Printer>();
    b.tree.PlugAdapter("ttyUSB0", kPrinterAdapter, first->path);
    AppFixture f;
    Pick(*f.form, 0);
    first->Announce();
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 3000);
    const QStringList before = f.Lines();
    StatusBar* bar = f.form->toolStatusBar();

    first.reset();  // unplugged: the line hangs up
    QTRY_COMPARE_WITH_TIMEOUT(bar->portStatus(),
                              QStringLiteral("COM1  /dev/ttyUSB0  gone: unplugged or switched off. "
                                             "Plug it back in: the tool opens it again by itself."),
                              2000);
    b.tree.UnplugAdapter("ttyUSB0");
    QTest::qWait(200);
    QCOMPARE(f.Lines(), before);  // the message window keeps to the printer's reports

    // Back with a node that is no terminal yet: said, and watched further.
    b.tree.PlugAdapter("ttyUSB0", kPrinterAdapter);
    QTRY_VERIFY_WITH_TIMEOUT(bar->portStatus().startsWith(QStringLiteral(
                                 "COM1  back, but can't open: /dev/ttyUSB0 is not a serial port.")),
                             2000);

    Printer second;
    b.tree.MakeNode("ttyUSB0", second.path);
    QTRY_COMPARE_WITH_TIMEOUT(bar->portStatus(),
                              QStringLiteral("COM1  /dev/ttyUSB0  38400 8N1  open"), 2000);
    QCOMPARE(bar->notice(), QStringLiteral("COM1 is back: /dev/ttyUSB0 opened again, 38400 8N1."));
    QCOMPARE(f.Lines(), before);

    // The receive thread runs again: a query goes out and its answer is shown.
    f.form->readPrintStatus();
    f.Settle();
    QCOMPARE(second.Receive(2), QByteArray("\x1D\xF7", 2));
    second.Send(0x07);  // coin, note and payout tickets printed
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Print payout ticket .")), 3000);
    QVERIFY(!f.State().busy);
  }
};

QTEST_MAIN(StatusBarTest)
#include "status_bar_test.moc"
