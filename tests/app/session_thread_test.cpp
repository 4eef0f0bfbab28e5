// The window as a view of the session on its own thread: a copy of the
// setup that is behind the window's own edits is not shown, and closing the
// window during a transfer (once the operator has said so) ends it at once,
// sends nothing more and lets go of the port.

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QtTest>

#include "app_fixture.h"
#include "bitmaps.h"
#include "platform/serial/serial_port.h"
#include "pty_printer.h"

namespace orvex::app {

class SessionThreadTest : public QObject {
  Q_OBJECT

 private slots:
  void aSetupCopyBehindTheWindowsEditsIsNotShownButAskedForAgain() {
    AppFixture f;
    f.form->show();
    // The session holds a coin multiplier the window has not been shown.
    f.OnSession([](core::Session& s) { s.setup.multipliers.coin.assign(1, '7'); });
    const core::TicketSetup before = f.Setup();
    QLineEdit* line1 = f.Find<QLineEdit>("Edit1");
    QTest::keyClicks(line1, QStringLiteral("X"));
    // A copy made before the typed X reached the session arrives now.
    f.form->showSetup(before, f.form->sessionThread().editsPosted() - 1);
    QCOMPARE(line1->text(), QStringLiteral("X"));
    QCOMPARE(f.Find<QLineEdit>("Edit11")->text(), QStringLiteral("1"));
    // The one asked for instead has both.
    f.Settle();
    QCOMPARE(line1->text(), QStringLiteral("X"));
    QCOMPARE(f.Find<QLineEdit>("Edit11")->text(), QStringLiteral("7"));
    QVERIFY(f.Setup().Ticket(core::TicketKind::Coin)[0].text == "X");
  }

  void closingDuringALogoDownloadEndsItAndLetsGoOfThePort() {
    ConfigHome home;
    PtyPrinter printer(home.path());
    QTemporaryDir dir;
    const std::string logo = dir.filePath(QStringLiteral("logo.bmp")).toStdString();
    test::WriteFile(logo, test::MonoBmpBytes(384, 4, [](int, int) { return std::uint8_t{0x0F}; }));
    AppFixture f;
    f.form->show();
    auto* port = f.Find<QComboBox>("ComboBox1");
    port->setCurrentIndex(2);
    emit port->activated(2);
    f.Settle();
    printer.Write({0x26});
    QCOMPARE(printer.Read(2), (std::vector<std::uint8_t>{0x1B, 0xA0}));
    printer.Write({0x0A});
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 3000);
    f.OnSession([&logo](core::Session& s) { s.setup.logos[0] = {logo, 4}; });

    f.form->menuAction(QStringLiteral("SetLogo1"))->trigger();
    QCOMPARE(printer.Read(4).size(), std::size_t{4});  // the header
    printer.Write({0x42});
    QCOMPARE(printer.Read(48).size(), std::size_t{48});  // the first row; its ack never comes

    // Closing asks first; "Stop and Close" ends the download.
    f.dialogs.closeAnswers << CloseAnswer::Close;
    QElapsedTimer clock;
    clock.start();
    f.form->close();
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(f.dialogs.closeQuestions.size(), 1);
    QCOMPARE(f.dialogs.closeQuestions.first().closeLabel, QStringLiteral("Stop and Close"));
    QCOMPARE(f.processEnds, 1);
    QVERIFY(!f.form->isVisible());
    QVERIFY(!f.form->sessionThread().running());
    printer.Write({0x42});  // too late: nobody sends the next row
    QVERIFY(printer.Read(1, 300).empty());
    // The download ended as a reply timeout ends it; the port is free again.
    QVERIFY(!f.form->sessionThread().session().pending.Has(core::Request::Logo1));
    platform::SerialPort again;
    QVERIFY(again.Open("COM3").ok);
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::SessionThreadTest)
#include "session_thread_test.moc"
