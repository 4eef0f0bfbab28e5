// orvex-tool's window against orvex-sim on a pseudo-terminal, in real time:
// picking the port, the printer's announcement and variant, one query, a
// period report saved in the documents folder, Download All, the simulator
// going away and coming back, and a port that cannot be opened.

#include <sys/resource.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/status_bar.h"
#include "app_fixture.h"
#include "bitmaps.h"
#include "fake_device_tree.h"
#include "sim_process.h"

namespace {

void PickCom3(orvex::app::MainWindow& form) {
  Find<QComboBox>(form, "ComboBox1")->setCurrentIndex(2);
  emit Find<QComboBox>(form, "ComboBox1")->activated(2);
  form.sessionThread().runAndWait([](orvex::core::Session&) {});  // the port is open
}

int Count(const QStringList& lines, const QString& line) {
  return static_cast<int>(lines.count(line));
}

std::uint8_t Stripes(int row, int) {
  return (row / 4) % 2 ? 0xFF : 0x00;
}

}  // namespace

class ToolWithSimTest : public QObject {
  Q_OBJECT

 private slots:
  void printerAnnouncesItselfAndAnswers() {
    ConfigHome home;
    Simulator sim(home.path(), {});
    QVERIFY(sim.WaitUntilServing());
    AppFixture f;
    PickCom3(*f.form);
    QVERIFY(!f.Find<QComboBox>("ComboBox1")->isEnabled());
    QCOMPARE(f.form->portName(), QStringLiteral("COM3"));
    QCOMPARE(f.Lines().mid(0, 2), (QStringList{QStringLiteral("COM3  open now"), QString()}));

    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Orvex is online .")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    QVERIFY(!f.Find<QGroupBox>("GroupBox4")->isHidden());
    QVERIFY(f.Find<QGroupBox>("GroupBox5")->isHidden());
    QVERIFY(f.Find<QCheckBox>("CheckBox4")->isEnabled());

    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Firmware version :")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!f.State().busy, 5000);
    QVERIFY(!f.TimerOn(orvex::core::TimerId::ReplyTimeout));

    // The simulator goes away: no reading of a dead port, and a request
    // sent now runs into its reply timeout.
    sim.Stop();
    QTest::qWait(500);
    const double before = CpuSeconds();
    QTest::qWait(500);
    QVERIFY2(CpuSeconds() - before < 0.2, "the window spins after the port went away");
    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QVERIFY(f.Pending().Has(orvex::core::Request::Firmware));
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Timeout Detect : 1 sec")), 3000);

    // Closing asks first, since the request waits for its reply; closed
    // all the same, the window releases the port and ends the process.
    f.dialogs.closeAnswers << orvex::app::CloseAnswer::Close;
    f.form->close();
    QCOMPARE(f.dialogs.closeQuestions.size(), 1);
    QVERIFY(f.dialogs.closeQuestions.first().text.startsWith(
        QStringLiteral("A transfer to the printer is under way.")));
    QCOMPARE(f.processEnds, 1);
  }

  void periodReportGoesToTheDocumentsFolderAndIsAnnounced() {
    ConfigHome home;
    const QString documents = home.path() + QStringLiteral("/My Documents");
    QFile dirs(home.path() + QStringLiteral("/user-dirs.dirs"));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DOCUMENTS_DIR=\"" + documents.toLocal8Bit() + "/\"\n");
    dirs.close();
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QStringList reportPattern{QStringLiteral("*_Orvex_Report.xls")};
    const QStringList besideProgram = programFolder.entryList(reportPattern, QDir::Files);

    Simulator sim(home.path(),
                  {QStringLiteral("--records"), QStringLiteral("2005-03-01:2005-03-31")});
    QVERIFY(sim.WaitUntilServing());
    AppFixture f;
    QSignalSpy saved(f.form.get(), &orvex::app::MainWindow::workbookSaved);
    PickCom3(*f.form);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    f.Find<QDateEdit>("DateTimePicker1")->setDate(QDate(2005, 3, 1));
    f.Find<QDateEdit>("DateTimePicker2")->setDate(QDate(2005, 3, 3));
    f.Find<QPushButton>("Button4")->click();
    f.Settle();
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Finish outputing EXCEL file.")),
                             10000);

    QCOMPARE(saved.count(), 1);
    const QFileInfo report(saved.at(0).at(0).toString());
    QCOMPARE(report.absolutePath(), documents);
    QVERIFY(report.fileName().endsWith(QStringLiteral("_Orvex_Report.xls")));
    QVERIFY(report.isFile());
    QCOMPARE(QDir(documents).entryList(reportPattern, QDir::Files), QStringList{report.fileName()});
    QCOMPARE(programFolder.entryList(reportPattern, QDir::Files), besideProgram);

    // The status bar says where it went; the message window only that it is done.
    orvex::app::StatusBar* bar = f.form->toolStatusBar();
    QCOMPARE(bar->savedFile(), report.absoluteFilePath());
    QCOMPARE(bar->notice(), QStringLiteral("Workbook saved: ") + report.absoluteFilePath());
    QVERIFY(!f.form->findChild<QWidget*>(QStringLiteral("SavedFileNotice"))->isHidden());
    for (const QString& line : f.Lines()) QVERIFY(!line.contains(documents));
  }

  void downloadAllRunsToItsEnd() {
    // The printer renews its records after the erase, while the batch sends
    // paced and does not handle events; its reports and the coin format's
    // acknowledgement arrive meanwhile. Each is taken as the reply it is.
    ConfigHome home;
    Simulator sim(home.path(), {});
    QVERIFY(sim.WaitUntilServing());
    AppFixture f;
    const auto logo = std::filesystem::path(home.path().toStdString()) / "logo.bmp";
    orvex::test::WriteFile(logo, orvex::test::MonoBmpBytes(384, 2, Stripes));
    f.OnSession([&logo](orvex::core::Session& s) {
      for (auto& slot : s.setup.logos) slot = {logo.string(), 2};
    });
    PickCom3(*f.form);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    const qsizetype mark = f.Lines().size();

    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(0, f.form.get(), [&f] { f.form->downloadAll(); });
    QTRY_VERIFY_WITH_TIMEOUT(!f.OnSession([](orvex::core::Session& s) { return s.batchRunning; }) &&
                                 clock.elapsed() > 100,
                             60000);
    qInfo("Download All took %lld ms", static_cast<long long>(clock.elapsed()));

    const QStringList lines = f.Lines().mid(mark);
    const QString shown = lines.join(QLatin1Char('\n'));
    QVERIFY2(lines.size() >= 2, qPrintable(shown));
    QCOMPARE(lines.first(), QStringLiteral("Download all part begin!!"));
    QCOMPARE(lines.mid(lines.size() - 2),
             (QStringList{QStringLiteral("Download all part finished!!"), QString()}));
    QStringList steps;
    for (const QString& line : lines) {
      if (line.startsWith(QStringLiteral("STEP "))) steps << line;
    }
    QCOMPARE(steps.size(), 10);
    QCOMPARE(steps.last(), QStringLiteral("STEP 10 : (Logo3)"));
    // Today's year may be one the printer does not take: step 1 then says so.
    const int year = QDate::currentDate().year();
    const QString clockLine = year >= 2002 && year <= 2021
                                  ? QStringLiteral("Set date & time finished .")
                                  : QStringLiteral("Year must be smaller than 2022.");
    for (const QString& done :
         {clockLine, QStringLiteral("Erase record finished ."),
          QStringLiteral("Renew records now :"), QStringLiteral("Renew records finished ."),
          QStringLiteral("Download coin format finished ."),
          QStringLiteral("Download note format finished ."),
          QStringLiteral("Download payout format finished ."),
          QStringLiteral("Download logo1 finished ."), QStringLiteral("Download logo2 finished ."),
          QStringLiteral("Download logo3 finished .")}) {
      QVERIFY2(Count(lines, done) == 1, qPrintable(done + QStringLiteral(" in\n") + shown));
    }
    // The renewal ended before the coin format's answer was taken.
    QVERIFY(lines.indexOf(QStringLiteral("Renew records finished .")) <
            lines.indexOf(QStringLiteral("Download coin format finished .")));
    // No step waited into its reply timeout, none was refused or cut off.
    for (const QString& fault : {QStringLiteral("Communication Error !!"),
                                 QStringLiteral("Can't detect printer, please check it ."),
                                 QStringLiteral("Printer is busy right now ."),
                                 QStringLiteral("Data transfer interrupt .")}) {
      QVERIFY2(!lines.contains(fault), qPrintable(fault + QStringLiteral(" in\n") + shown));
    }
    QVERIFY(!f.State().busy);
    QVERIFY(!f.Pending().Any());
  }

  void eighteenSymbolPrinterGetsTheNarrowChooser() {
    ConfigHome home;
    Simulator sim(home.path(), {QStringLiteral("--variant"), QStringLiteral("18")});
    QVERIFY(sim.WaitUntilServing());
    AppFixture f;
    PickCom3(*f.form);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    QVERIFY(!f.Find<QGroupBox>("GroupBox5")->isHidden());
    QVERIFY(f.Find<QGroupBox>("GroupBox4")->isHidden());
    QVERIFY(!f.State().wideSymbols);

    // Closing the window releases the port for the next program.
    f.form->close();
    QCOMPARE(f.processEnds, 1);
    orvex::platform::SerialPort again;
    QVERIFY(again.Open("COM3").ok);
  }

  void closingWhileAnExportRunsEndsTheProcess_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("window closed") << QStringLiteral("close");
    QTest::newRow("Read/Write Serial number") << QStringLiteral("serial-number");
  }

  void closingWhileAnExportRunsEndsTheProcess() {
    // The export handles events inside the dispatcher, so the window closes
    // while a reply is being handled; the process must still end, normally.
    QFETCH(QString, how);
    ConfigHome home;
    Simulator sim(home.path(),
                  {QStringLiteral("--records"), QStringLiteral("2002-01-01:2007-12-31")});
    QVERIFY(sim.WaitUntilServing());
    QTemporaryDir work;  // no sn.exe there
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tool.setProcessEnvironment(env);
    tool.setWorkingDirectory(work.path());
    tool.start(QStringLiteral(CLOSE_DURING_EXPORT_EXE), {how});
    QVERIFY(tool.waitForStarted(5000));
    const bool ended = tool.waitForFinished(60000);
    if (!ended) {
      tool.kill();
      tool.waitForFinished(5000);
    }
    const QString said = QString::fromLocal8Bit(tool.readAllStandardError());
    QVERIFY2(said.contains(QStringLiteral("closing during the export")), qPrintable(said));
    QVERIFY2(ended, "the process lived on after its window closed");
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 0);
    // The close returns, and the program then returns from main.
    QVERIFY(said.contains(QStringLiteral("the close returned")));
    // The port is free for the next program.
    orvex::platform::SerialPort again;
    QVERIFY(again.Open("COM3").ok);
  }

  void hiddenPortItemsCloseAndReopen() {
    ConfigHome home;
    Simulator sim(home.path(), {});
    QVERIFY(sim.WaitUntilServing());
    QVERIFY(QFile::link(home.path() + QStringLiteral("/no-such-device"),
                        home.path() + QStringLiteral("/orvex-tool/ports/COM2")));
    AppFixture f;
    PickCom3(*f.form);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    {
      orvex::platform::SerialPort held;
      QVERIFY(!held.Open("COM3").ok);  // the window holds it for itself
    }
    f.form->menuAction(QStringLiteral("COM2"))->trigger();
    f.Settle();
    QCOMPARE(f.form->portName(), QStringLiteral("COM2"));
    QCOMPARE(f.Lines().mid(f.Lines().size() - 2),
             (QStringList{QStringLiteral("can't open  COM2"), QString()}));
    // COM3 was let go on the way.
    orvex::platform::SerialPort com3;
    QVERIFY(com3.Open("COM3").ok);
  }

  void closingInTheMiddleOfALogoAsksFirstAndThenStopsIt() {
    ConfigHome home;
    Simulator sim(home.path(), {});
    QVERIFY(sim.WaitUntilServing());
    AppFixture f;
    f.form->show();
    PickCom3(*f.form);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    const auto logo = std::filesystem::path(home.path().toStdString()) / "logo.bmp";
    orvex::test::WriteFile(logo, orvex::test::MonoBmpBytes(384, 40, Stripes));
    f.OnSession([&logo](orvex::core::Session& s) { s.setup.logos[0] = {logo.string(), 40}; });
    f.form->downloadLogo1();
    auto* gauge = f.Find<QProgressBar>("CGauge1");
    QTRY_VERIFY_WITH_TIMEOUT(gauge->value() >= 7, 20000);

    // Alt+F4 at a few per cent: kept open and going on.
    f.form->close();
    QCOMPARE(f.dialogs.closeQuestions.size(), 1);
    const QString asked = f.dialogs.closeQuestions.first().text;
    QVERIFY2(asked.startsWith(QStringLiteral("A transfer to the printer is under way (")),
             qPrintable(asked));
    QVERIFY(asked.contains(QStringLiteral(" %). Closing now stops it")));
    QCOMPARE(f.processEnds, 0);
    const int before = gauge->value();
    QTRY_VERIFY_WITH_TIMEOUT(gauge->value() > before, 5000);
    // Closed all the same: the download stops and the port is let go.
    f.dialogs.closeAnswers << orvex::app::CloseAnswer::Close;
    f.form->close();
    QCOMPARE(f.processEnds, 1);
    QVERIFY(!f.Lines().contains(QStringLiteral("Download logo1 finished .")));
    orvex::platform::SerialPort again;
    QVERIFY(again.Open("COM3").ok);
  }

  void portThatCannotOpenIsReported() {
    ConfigHome home;
    QVERIFY(QDir().mkpath(home.path() + QStringLiteral("/orvex-tool/ports")));
    QVERIFY(QFile::link(home.path() + QStringLiteral("/no-such-device"),
                        home.path() + QStringLiteral("/orvex-tool/ports/COM3")));
    AppFixture f;
    PickCom3(*f.form);
    QCOMPARE(f.Lines(), (QStringList{QStringLiteral("can't open  COM3"), QString()}));
    QVERIFY(!f.Find<QComboBox>("ComboBox1")->isEnabled());
    QTest::qWait(200);
    QCOMPARE(f.form->messageWindow()->LineCount(), 2);
  }

  void simulatorHangUpIsSurvivedWithoutARestart() {
    // The line dies in the middle of a logo; orvex-sim serves the port anew
    // on a new pseudo-terminal and moves the link. The tool opens it again
    // by itself; Cancel ends the cut-off download; a query is answered.
    ConfigHome home;
    Simulator sim(home.path(), {QStringLiteral("--hang-up-after-logo-row"), QStringLiteral("1"),
                                QStringLiteral("--hang-up-ms"), QStringLiteral("300")});
    QVERIFY(sim.WaitUntilServing());
    const QString firstDevice = sim.device();
    AppFixture f;
    PickCom3(*f.form);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    QCOMPARE(PortStatus(f),
             QStringLiteral("COM3  ") + firstDevice + QStringLiteral("  38400 8N1  open"));

    const auto logo = std::filesystem::path(home.path().toStdString()) / "logo.bmp";
    orvex::test::WriteFile(logo, orvex::test::MonoBmpBytes(384, 8, Stripes));
    f.OnSession([&logo](orvex::core::Session& s) { s.setup.logos[0] = {logo.string(), 8}; });
    // The download waits in a nested event loop; what happens meanwhile is
    // watched from a timer.
    QStringList seen;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, [&] {
      if (seen.isEmpty() || seen.back() != PortStatus(f)) seen << PortStatus(f);
      if (PortStatus(f).endsWith(QStringLiteral("  38400 8N1  open")) && seen.size() > 2) {
        f.form->cancelDownload();
      }
    });
    watcher.start(10);
    QTimer::singleShot(0, f.form.get(), [&f] { f.form->downloadLogo1(); });
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Data transfer interrupt .")),
                             10000);
    watcher.stop();
    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen[1], QStringLiteral("COM3  ") + firstDevice +
                          QStringLiteral("  gone: unplugged or switched off. Plug it back in: the "
                                         "tool opens it again by itself."));
    const QString secondDevice = sim.device();
    QCOMPARE(seen[2],
             QStringLiteral("COM3  ") + secondDevice + QStringLiteral("  38400 8N1  open"));
    QCOMPARE(f.form->toolStatusBar()->notice(), QStringLiteral("COM3 is back: ") + secondDevice +
                                                    QStringLiteral(" opened again, 38400 8N1."));
    // Opened again for exclusive use, as the first time.
    {
      orvex::platform::SerialPort other;
      QVERIFY(!other.Open("COM3").ok);
    }

    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QTRY_COMPARE_WITH_TIMEOUT(Count(f.Lines(), QStringLiteral("Firmware version :")), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!f.State().busy, 5000);
    // The message window has only the printer's own reports.
    for (const QString& line : f.Lines()) {
      QVERIFY2(!line.contains(QStringLiteral("gone")) && !line.contains(QStringLiteral("back")),
               qPrintable(line));
    }
  }

  void linkRemovedAndMadeAgainToANewPseudoTerminal() {
    // One simulator ends (its link goes, its pseudo-terminal closes); another
    // starts on a new pseudo-terminal under the same name.
    ConfigHome home;
    auto first = std::make_unique<Simulator>(home.path(), QStringList{});
    QVERIFY(first->WaitUntilServing());
    AppFixture f;
    PickCom3(*f.form);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QTRY_COMPARE_WITH_TIMEOUT(Count(f.Lines(), QStringLiteral("Firmware version :")), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!f.State().busy, 5000);

    first.reset();
    QTRY_VERIFY_WITH_TIMEOUT(PortStatus(f).contains(QStringLiteral("  gone: ")), 3000);
    const double before = CpuSeconds();
    QTest::qWait(500);
    QVERIFY2(CpuSeconds() - before < 0.1, "the wait for the device spins");

    Simulator second(home.path(), {});
    QVERIFY(second.WaitUntilServing());
    QTRY_COMPARE_WITH_TIMEOUT(
        PortStatus(f),
        QStringLiteral("COM3  ") + second.device() + QStringLiteral("  38400 8N1  open"), 3000);
    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QTRY_COMPARE_WITH_TIMEOUT(Count(f.Lines(), QStringLiteral("Firmware version :")), 2, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!f.State().busy, 5000);
  }

  void aUsbAdapterIsComOneWithoutAnySetup() {
    // A fake device tree whose ttyUSB0 is the simulator's pseudo-terminal; the
    // simulator's own link lives in another configuration, so the tool finds
    // the printer by the automatic names alone.
    ConfigHome home;
    QTemporaryDir other;
    Simulator sim(other.path(), {}, QStringLiteral("COM9"));
    QVERIFY(sim.WaitUntilServing());
    QTemporaryDir rootDir;
    orvex::test::FakeDeviceTree tree(rootDir.path().toStdString());
    tree.PlugAdapter("ttyUSB0",
                     {"usb-FTDI_FT232R_USB_UART_PRN001-if00-port0", "FT232R USB UART", "FTDI",
                      "PRN001", "ftdi_sio", 1},
                     sim.device().toStdString());
    ScopedVariable root("ORVEX_DEVICE_ROOT", rootDir.path().toLocal8Bit());

    AppFixture f;
    QVERIFY(
        f.Find<QComboBox>("ComboBox1")
            ->itemData(0, Qt::ToolTipRole)
            .toString()
            .startsWith(QStringLiteral("/dev/ttyUSB0\nby-id: usb-FTDI_FT232R_USB_UART_PRN001")));
    f.Find<QComboBox>("ComboBox1")->setCurrentIndex(0);
    emit f.Find<QComboBox>("ComboBox1")->activated(0);
    f.Settle();
    QCOMPARE(f.Lines().mid(0, 2), (QStringList{QStringLiteral("COM1  open now"), QString()}));
    QCOMPARE(PortStatus(f), QStringLiteral("COM1  /dev/ttyUSB0  38400 8N1  open"));
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Firmware version :")), 5000);
  }

  void anAdapterPluggedInAfterTheChoiceOpensThen() {
    // COM1 stands for nothing when it is chosen; the adapter is plugged in
    // afterwards. The tool waits for it without spinning and opens it then.
    ConfigHome home;
    QTemporaryDir other;
    Simulator sim(other.path(), {}, QStringLiteral("COM9"));
    QVERIFY(sim.WaitUntilServing());
    QTemporaryDir rootDir;
    orvex::test::FakeDeviceTree tree(rootDir.path().toStdString());
    ScopedVariable root("ORVEX_DEVICE_ROOT", rootDir.path().toLocal8Bit());

    AppFixture f;
    f.Find<QComboBox>("ComboBox1")->setCurrentIndex(0);
    emit f.Find<QComboBox>("ComboBox1")->activated(0);
    f.Settle();
    QCOMPARE(f.Lines(), (QStringList{QStringLiteral("can't open  COM1"), QString()}));
    QCOMPARE(PortStatus(f),
             QStringLiteral("COM1  can't open: no device has this name. Plug the "
                            "adapter in: the tool opens it as soon as it is there. To choose "
                            "another port, restart the tool."));
    const double before = CpuSeconds();
    QTest::qWait(500);
    QVERIFY2(CpuSeconds() - before < 0.1, "the wait for the device spins");
    QCOMPARE(f.form->messageWindow()->LineCount(), 2);

    tree.PlugAdapter("ttyUSB0",
                     {"usb-FTDI_FT232R_USB_UART_PRN002-if00-port0", "FT232R USB UART", "FTDI",
                      "PRN002", "ftdi_sio", 1},
                     sim.device().toStdString());
    QTRY_COMPARE_WITH_TIMEOUT(PortStatus(f), QStringLiteral("COM1  /dev/ttyUSB0  38400 8N1  open"),
                              3000);
    QCOMPARE(f.Lines().mid(0, 4), (QStringList{QStringLiteral("can't open  COM1"), QString(),
                                               QStringLiteral("COM1  open now"), QString()}));
    QVERIFY(f.form->toolStatusBar()->notice().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Firmware version :")), 5000);
  }

  void waitingIdleOnAnOpenPortCostsNoProcessor() {
    ConfigHome home;
    Simulator sim(home.path(), {QStringLiteral("--variant"), QStringLiteral("silent")});
    QVERIFY(sim.WaitUntilServing());
    AppFixture f;
    PickCom3(*f.form);
    // Four ticks without a variant reply settle on the 18-symbol printer.
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 8000);
    QVERIFY(!f.Find<QGroupBox>("GroupBox5")->isHidden());
    const double before = CpuSeconds();
    QTest::qWait(1000);
    QVERIFY2(CpuSeconds() - before < 0.3, "the receive thread spins on an idle port");
  }
};

QTEST_MAIN(ToolWithSimTest)
#include "tool_with_sim_test.moc"
