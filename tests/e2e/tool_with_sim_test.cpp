// orvex-tool's window against orvex-sim on a pseudo-terminal, in real time:
// picking the port, the printer's announcement and variant, one query, a
// period report saved in the documents folder, the simulator going away, and
// a port that cannot be opened.

#include <sys/resource.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app_fixture.h"
#include "sim_process.h"

namespace {

void PickCom3(TForm1& form) {
  form.ComboBox1->setCurrentIndex(2);
  emit form.ComboBox1->activated(2);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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
    QVERIFY(!f.form->ComboBox1->isEnabled());
    QCOMPARE(f.form->portName(), QStringLiteral("COM3"));
    QCOMPARE(f.Lines().mid(0, 2), (QStringList{QStringLiteral("COM3  open now"), QString()}));

    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Orvex is online .")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(f.session().state.identified, 5000);
    QVERIFY(!f.form->GroupBox4->isHidden());
    QVERIFY(f.form->GroupBox5->isHidden());
    QVERIFY(f.form->CheckBox4->isEnabled());

    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Firmware version :")), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!f.session().state.busy, 5000);
    QVERIFY(!f.form->Timer2->isActive());

    // The simulator goes away: no reading of a dead port, and a request
    // sent now runs into its reply timeout.
    sim.Stop();
    QTest::qWait(500);
    const double before = CpuSeconds();
    QTest::qWait(500);
    QVERIFY2(CpuSeconds() - before < 0.2, "the window spins after the port went away");
    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    QVERIFY(f.session().pending.awaitFirmware);
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Timeout Detect : 1 sec")), 3000);

    // Closing the window releases the port and ends the process.
    f.form->close();
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
    QSignalSpy saved(f.form.get(), &TForm1::workbookSaved);
    PickCom3(*f.form);
    QTRY_VERIFY_WITH_TIMEOUT(f.session().state.identified, 5000);
    f.form->DateTimePicker1->setDate(QDate(2005, 3, 1));
    f.form->DateTimePicker2->setDate(QDate(2005, 3, 3));
    f.form->Button4->click();
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Finish outputing EXCEL file.")),
                             10000);

    QCOMPARE(saved.count(), 1);
    const QFileInfo report(saved.at(0).at(0).toString());
    QCOMPARE(report.absolutePath(), documents);
    QVERIFY(report.fileName().endsWith(QStringLiteral("_Orvex_Report.xls")));
    QVERIFY(report.isFile());
    QCOMPARE(QDir(documents).entryList(reportPattern, QDir::Files), QStringList{report.fileName()});
    QCOMPARE(programFolder.entryList(reportPattern, QDir::Files), besideProgram);
  }

  void eighteenSymbolPrinterGetsTheNarrowChooser() {
    ConfigHome home;
    Simulator sim(home.path(), {QStringLiteral("--variant"), QStringLiteral("18")});
    QVERIFY(sim.WaitUntilServing());
    AppFixture f;
    PickCom3(*f.form);
    QTRY_VERIFY_WITH_TIMEOUT(f.session().state.identified, 5000);
    QVERIFY(!f.form->GroupBox5->isHidden());
    QVERIFY(f.form->GroupBox4->isHidden());
    QVERIFY(!f.session().state.wideSymbols);

    // Closing the window releases the port for the next program.
    f.form->close();
    QCOMPARE(f.processEnds, 1);
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
    QTRY_VERIFY_WITH_TIMEOUT(f.session().state.identified, 5000);
    {
      orvex::platform::SerialPort held;
      QVERIFY(!held.Open("COM3").ok);  // the window holds it for itself
    }
    f.form->menuAction(QStringLiteral("COM2"))->trigger();
    QCOMPARE(f.form->portName(), QStringLiteral("COM2"));
    QCOMPARE(f.Lines().mid(f.Lines().size() - 2),
             (QStringList{QStringLiteral("can't open  COM2"), QString()}));
    // COM3 was let go on the way.
    orvex::platform::SerialPort com3;
    QVERIFY(com3.Open("COM3").ok);
  }

  void portThatCannotOpenIsReported() {
    ConfigHome home;
    QVERIFY(QDir().mkpath(home.path() + QStringLiteral("/orvex-tool/ports")));
    QVERIFY(QFile::link(home.path() + QStringLiteral("/no-such-device"),
                        home.path() + QStringLiteral("/orvex-tool/ports/COM3")));
    AppFixture f;
    PickCom3(*f.form);
    QCOMPARE(f.Lines(), (QStringList{QStringLiteral("can't open  COM3"), QString()}));
    QVERIFY(!f.form->ComboBox1->isEnabled());
    QTest::qWait(200);
    QCOMPARE(f.form->Memo1->LineCount(), 2);
  }

  void waitingIdleOnAnOpenPortCostsNoProcessor() {
    ConfigHome home;
    Simulator sim(home.path(), {QStringLiteral("--variant"), QStringLiteral("silent")});
    QVERIFY(sim.WaitUntilServing());
    AppFixture f;
    PickCom3(*f.form);
    // Four ticks without a variant reply settle on the 18-symbol printer.
    QTRY_VERIFY_WITH_TIMEOUT(f.session().state.identified, 8000);
    QVERIFY(!f.form->GroupBox5->isHidden());
    const double before = CpuSeconds();
    QTest::qWait(1000);
    QVERIFY2(CpuSeconds() - before < 0.3, "the receive thread spins on an idle port");
  }
};

QTEST_MAIN(ToolWithSimTest)
#include "tool_with_sim_test.moc"
