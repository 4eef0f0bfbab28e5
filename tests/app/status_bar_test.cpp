// The status bar and the port: where it sits, the port list's tooltips, what
// a choice and a failure say, and an adapter unplugged and plugged back on a
// fake device tree (pseudo-terminals behind its nodes), in real time. And the
// saved workbook with its ways to open it.

#include "app/status_bar.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <iostream>
#include <optional>
#include <sstream>

#include "app_fixture.h"
#include "fake_desktop.h"
#include "fake_device_tree.h"
#include "platform/serial/port_names.h"
#include "pseudo_terminal.h"

namespace orvex::app {

namespace {

namespace fs = std::filesystem;

// The printer's end of a pseudo-terminal.
struct Printer : test::PseudoTerminal {
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
  test::FakeDeviceTree tree{(dir.path() + QStringLiteral("/root")).toStdString()};
};

using test::kPrinterAdapter;

// A port of 127.0.0.1 that nothing listens on (it was free a moment ago).
int UnusedTcpPort() {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(socket, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
  close(socket);
  return ntohs(address.sin_port);
}

void Pick(MainWindow& form, int index) {
  Find<QComboBox>(form, "ComboBox1")->setCurrentIndex(index);
  emit Find<QComboBox>(form, "ComboBox1")->activated(index);
  form.sessionThread().runAndWait([](core::Session&) {});  // the port is open
}

// What the program writes to std::cerr while it lives.
class CapturedStandardError {
 public:
  CapturedStandardError() : old_(std::cerr.rdbuf(buffer_.rdbuf())) {}
  ~CapturedStandardError() { std::cerr.rdbuf(old_); }
  QString text() const { return QString::fromStdString(buffer_.str()); }

 private:
  std::stringstream buffer_;
  std::streambuf* old_;
};

QString Tip(const MainWindow& form, int index) {
  return Find<QComboBox>(form, "ComboBox1")->itemData(index, Qt::ToolTipRole).toString();
}

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
    FakeDesktop desktop;
    QWidget* client = f.form->centralWidget();

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
    // Right of the port line, which keeps its text and its place, wrapped
    // in the room left to it; the window grows by the lines below the
    // client area; the message window keeps to the printer.
    QCoreApplication::processEvents();
    QVERIFY(portLine->isVisible());
    QCOMPARE(bar->portStatus(), portText);
    QCOMPARE(portLine->geometry().topLeft(), portPlace.topLeft());
    QVERIFY(portLine->width() > 300);
    QVERIFY(portLine->heightForWidth(portLine->width()) <= portLine->height());
    QVERIFY(notice->geometry().left() >= portLine->geometry().right());
    QVERIFY(notice->geometry().right() <= bar->width());
    QTRY_COMPARE(f.form->height(), f.form->menuBar()->height() + client->height() + bar->height());
    QVERIFY(f.form->height() >= windowHeight);
    QCOMPARE(f.form->messageWindow()->LineCount(), 0);

    QTest::mouseClick(openFile, Qt::LeftButton);
    QTRY_COMPARE(desktop.opened().size(), 1);
    QTest::mouseClick(openFolder, Qt::LeftButton);
    QTRY_COMPARE(desktop.opened(), (QStringList{path, QStringLiteral("/home/tech/My Documents")}));
    QVERIFY(notice->isVisible());  // it stays after being used
    QCOMPARE(bar->notice(), QStringLiteral("Workbook saved: ") + path);

    // The next export's workbook takes its place; a long path is shown
    // whole, broken into lines at its folders, and the window grows by
    // them below the designed client area.
    const QString deep = QStringLiteral("/srv/") +
                         QString(QStringLiteral("service-depot/")).repeated(12) +
                         QStringLiteral("20050301_20050331_Orvex_Report.xls");
    emit f.form->workbookSaved(deep);
    QCOMPARE(bar->savedFile(), deep);
    QCOMPARE(text->toolTip(), QStringLiteral("Workbook saved: ") + deep);
    const QStringList lines = text->text().split(QLatin1Char('\n'));
    QVERIFY(lines.size() > 1);
    QCOMPARE(lines.join(QString()), QStringLiteral("Workbook saved: ") + deep);
    for (const QString& line : lines) {
      QVERIFY(text->fontMetrics().horizontalAdvance(line) <= 520);
      QVERIFY(line.endsWith(QLatin1Char('/')) || line == lines.last());
    }
    QTRY_VERIFY(f.form->height() > windowHeight);
    QCOMPARE(client->size(), QSize(1060, 572));
    QCOMPARE(f.form->height(), f.form->menuBar()->height() + client->height() + bar->height());
    QVERIFY(text->geometry().bottom() < bar->height());  // not cut at the bottom
    QVERIFY(portLine->width() > 300);
    QTest::mouseClick(openFolder, Qt::LeftButton);
    QTRY_COMPARE(desktop.opened().size(), 3);
    QCOMPARE(desktop.opened().last(), QFileInfo(deep).absolutePath());

    // The next notice replaces it.
    bar->showNotice(QStringLiteral("COM1 is back: /dev/ttyUSB0 opened again, 38400 8N1."));
    QVERIFY(notice->isHidden());
    QCOMPARE(bar->savedFile(), QString());
    QCOMPARE(bar->notice(), QStringLiteral("COM1 is back: /dev/ttyUSB0 opened again, 38400 8N1."));
    bar->clearNotice();
    QCOMPARE(bar->notice(), QString());
    QCOMPARE(bar->portStatus(), portText);
    QTRY_COMPARE(f.form->height(), windowHeight);  // back to one line
  }

  void aWorkbookThatCannotBeOpenedIsSaidAndStaysShown() {
    const QString path = QStringLiteral("/home/tech/Documents/20050301_20050303_Orvex_Report.xls");
    const QString said = QStringLiteral("Could not open %1: no program on this desktop opens it.");
    AppFixture f;
    StatusBar* bar = f.form->toolStatusBar();
    {
      // xdg-open runs but nothing opens the file: it says so by its status.
      FakeDesktop nobody(3);
      emit f.form->workbookSaved(path);
      Find<QToolButton>(*bar, "OpenSavedFile")->click();
      QTRY_COMPARE(bar->notice(), said.arg(path));
      QCOMPARE(nobody.opened(), QStringList{path});
      QCOMPARE(bar->savedFile(), path);  // "Open folder" can still be tried
      QVERIFY(!Find<QWidget>(*bar, "SavedFileNotice")->isHidden());
    }
    {
      // No xdg-open at all.
      ScopedVariable noPath("PATH", "/nonexistent");
      emit f.form->workbookSaved(path);
      Find<QToolButton>(*bar, "OpenSavedFileFolder")->click();
      QTRY_COMPARE(bar->notice(), said.arg(QStringLiteral("/home/tech/Documents")));
      QCOMPARE(bar->savedFile(), path);
    }
  }

  void longTextsWrapWholeAndTheWindowFollows() {
    AppFixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    StatusBar* bar = f.form->toolStatusBar();
    auto* portLine = Find<QLabel>(*bar, "PortStatus");
    QWidget* client = f.form->centralWidget();
    const int oneLine = f.form->height();
    // The longest of the port texts: a fix with a command in it.
    const QString text = QStringLiteral(
        "COM3  can't open: permission denied on /dev/serial/by-id/"
        "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0 (linked as COM3) (group uucp). Join the "
        "group: sudo usermod -aG uucp technician, then log in again and restart the tool.");
    bar->setPortStatus(text);
    QTRY_VERIFY(f.form->height() > oneLine);
    QCOMPARE(bar->portStatus(), text);
    QVERIFY(portLine->wordWrap());
    // The whole text fits the line's box at its width: nothing is cut.
    QVERIFY(portLine->heightForWidth(portLine->width()) <= portLine->height());
    QVERIFY(portLine->geometry().bottom() < bar->height());
    QCOMPARE(client->size(), QSize(1060, 572));
    QCOMPARE(f.form->width(), 1060);
    QCOMPARE(f.form->height(), f.form->menuBar()->height() + client->height() + bar->height());

    // A notice wraps in the port line's place the same way, then gives it back.
    bar->showNotice(text + QStringLiteral(" ") + text, 0);
    auto* notice = Find<QLabel>(*bar, "Notice");
    QTRY_VERIFY(notice->height() > portLine->height());
    QVERIFY(notice->heightForWidth(notice->width()) <= notice->height());
    QVERIFY(portLine->isHidden());
    bar->clearNotice();
    QVERIFY(!portLine->isHidden());

    bar->setPortStatus(QStringLiteral("COM3  /dev/ttyUSB0  38400 8N1  open"));
    QTRY_COMPARE(f.form->height(), oneLine);
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
      CapturedStandardError stderrLines;
      AppFixture f;
      Pick(*f.form, 2);
      QCOMPARE(f.Lines(), (QStringList{QStringLiteral("can't open  COM3"), QString()}));
      QCOMPARE(f.form->toolStatusBar()->portStatus(),
               QStringLiteral("COM3  can't open: no device has this name. Plug the adapter "
                              "in: the tool opens it as soon as it is there. To choose another "
                              "port, restart the tool."));
      QVERIFY(f.form->toolStatusBar()->portDetails().contains(
          QStringLiteral("ln -s /dev/ttyUSB0 ") + b.dir.path() +
          QStringLiteral("/config/orvex-tool/ports/COM3")));
      // Standard error says the same, word for word.
      QCOMPARE(stderrLines.text(),
               QStringLiteral("orvex-tool: ") + f.form->toolStatusBar()->portStatus() + '\n');
      // The list is locked for the run, and its tooltip says how to choose again.
      QVERIFY(!f.Find<QComboBox>("ComboBox1")->isEnabled());
      QCOMPARE(f.Find<QComboBox>("ComboBox1")->toolTip(),
               QStringLiteral("COM3 is chosen for this run. To choose another port, restart "
                              "the tool."));
    }
    {
      // Held by another open of this very program.
      Printer printer;
      b.tree.PlugAdapter("ttyUSB0", kPrinterAdapter, printer.path);
      platform::SerialPort holder;
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
    {
      // A device server's address where nothing listens: the tool keeps
      // trying, and the locked list's way out is said as for a device.
      QVERIFY(QDir().mkpath(b.dir.path() + QStringLiteral("/config/orvex-tool/ports")));
      QVERIFY(QFile::link(QStringLiteral("rfc2217://127.0.0.1:%1").arg(UnusedTcpPort()),
                          b.dir.path() + QStringLiteral("/config/orvex-tool/ports/COM5")));
      AppFixture f;
      Pick(*f.form, 4);
      QTRY_VERIFY_WITH_TIMEOUT(
          f.form->toolStatusBar()->portStatus().startsWith(QStringLiteral("COM5  can't connect: ")),
          3000);
      QVERIFY2(f.form->toolStatusBar()->portStatus().endsWith(
                   QStringLiteral("s. To choose another port, restart the tool.")),
               qPrintable(f.form->toolStatusBar()->portStatus()));
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

}  // namespace orvex::app

QTEST_MAIN(orvex::app::StatusBarTest)
#include "status_bar_test.moc"
