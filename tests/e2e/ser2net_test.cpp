// orvex-tool's window against orvex-sim behind ser2net (Debian's), on
// 127.0.0.1, in real time: COM5 names the device server's address. Through
// telnet with RFC 2217: the announcement, a query, a format download whose
// bytes arrive in order and paced (one of them 0xFF), Download All, and
// ser2net stopped and started again with the tool back by itself. Through
// raw TCP: a query and the same format. Skipped where ser2net is missing.

#include <sys/resource.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "app/status_bar.h"
#include "app_fixture.h"
#include "bitmaps.h"
#include "ser2net_process.h"
#include "sim_process.h"

namespace {

using orvex::test::Ser2net;

int Count(const QStringList& lines, const QString& line) {
  return static_cast<int>(lines.count(line));
}

std::vector<long long> ByteTimes(const QString& path) {
  std::vector<long long> times;
  std::istringstream in(orvex::test::ReadFile(path.toStdString()));
  for (long long ns = 0; in >> ns;) times.push_back(ns);
  return times;
}

// The printer at the far end of COM5: orvex-sim on a pseudo-terminal of its
// own (linked as COM9), served by ser2net, whose address COM5 names.
struct Venue {
  explicit Venue(bool rfc2217)
      : sim(home.path(),
            {QStringLiteral("--byte-times"), times(), QStringLiteral("--state-file"), state()},
            QStringLiteral("COM9")) {
    if (!sim.WaitUntilServing()) return;
    std::filesystem::create_directories(home.path().toStdString() + "/ser2net");
    server = std::make_unique<Ser2net>(
        home.path().toStdString() + "/ser2net",
        std::vector<Ser2net::Served>{{sim.device().toStdString(), rfc2217}});
    address = QString::fromStdString(server->Address(0));
    QFile::link(address, home.path() + QStringLiteral("/orvex-tool/ports/COM5"));
  }
  bool Start() { return server != nullptr && server->Start(); }
  QString times() const { return home.path() + QStringLiteral("/sim.times"); }
  QString state() const { return home.path() + QStringLiteral("/sim.state"); }

  ConfigHome home;
  Simulator sim;
  std::unique_ptr<Ser2net> server;
  QString address;
};

void PickCom5(AppFixture& f) {
  f.Find<QComboBox>("ComboBox1")->setCurrentIndex(4);
  emit f.Find<QComboBox>("ComboBox1")->activated(4);
  f.Settle();
}

// Downloads the coin format with a text holding 0xFF ("ÿ" in Windows-1252)
// and checks what reached the printer: every byte in order (the printer
// stored the text as sent) and paced.
void DownloadFormatAndCheckTheLine(AppFixture& f, const Venue& venue) {
  f.OnSession([](orvex::core::Session& s) {
    s.setup.Ticket(orvex::core::TicketKind::Coin)[0].text = "PRIX \xFF 12";
  });
  const std::size_t before = ByteTimes(venue.times()).size();
  QTimer::singleShot(0, f.form.get(), [&f] { f.form->downloadCoinFormat(); });
  QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Download coin format finished .")),
                           15000);
  QTRY_VERIFY_WITH_TIMEOUT(
      QString::fromStdString(orvex::test::ReadFile(venue.state().toStdString()))
          .contains(QStringLiteral("ticket.coin.line1=text")),
      3000);
  const QString state = QString::fromStdString(orvex::test::ReadFile(venue.state().toStdString()));
  QVERIFY2(state.contains(QStringLiteral("text=\"PRIX \\xFF 12\"")), qPrintable(state));
  QVERIFY2(!state.contains(QStringLiteral("problem=")), qPrintable(state));

  const std::vector<long long> all = ByteTimes(venue.times());
  QCOMPARE(all.size() - before, std::size_t{268});
  std::vector<long long> gaps;
  for (std::size_t i = before + 1; i < all.size(); ++i) gaps.push_back(all[i] - all[i - 1]);
  const long long span = all.back() - all[before];
  std::sort(gaps.begin(), gaps.end());
  const long long median = gaps[gaps.size() / 2];
  const auto close = static_cast<std::size_t>(
      std::count_if(gaps.begin(), gaps.end(), [](long long g) { return g < 5'000'000; }));
  qInfo("format at the printer: median gap %.3f ms, %zu of %zu below 5 ms, %.3f s in all",
        static_cast<double>(median) / 1e6, close, gaps.size(), static_cast<double>(span) / 1e9);
  // One byte a send, each 10 ms after the last: bytes sent together would
  // arrive together.
  QVERIFY(median >= 9'500'000);
  QVERIFY(close < gaps.size() / 20);
  QVERIFY(span >= 2'640'000'000LL);
}

}  // namespace

class Ser2netTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (Ser2net::Program().empty()) QSKIP("ser2net is not installed (scripts/install-deps)");
  }

  void aPrinterBehindRfc2217WorksAsALocalOneAndComesBackAfterARestart() {
    Venue venue(true);
    QVERIFY(venue.Start());
    AppFixture f;
    const QString tip = f.Find<QComboBox>("ComboBox1")->itemData(4, Qt::ToolTipRole).toString();
    QVERIFY2(tip.startsWith(venue.address + QStringLiteral("\nlinked by ")), qPrintable(tip));
    QVERIFY(tip.contains(QStringLiteral("no authentication or encryption")));

    PickCom5(f);
    QTRY_COMPARE_WITH_TIMEOUT(
        PortStatus(f),
        QStringLiteral("COM5  ") + venue.address + QStringLiteral("  38400 8N1  open"), 5000);
    QCOMPARE(f.Lines().mid(0, 2), (QStringList{QStringLiteral("COM5  open now"), QString()}));
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QTRY_COMPARE_WITH_TIMEOUT(Count(f.Lines(), QStringLiteral("Firmware version :")), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!f.State().busy, 5000);

    DownloadFormatAndCheckTheLine(f, venue);
    if (QTest::currentTestFailed()) return;

    const qsizetype mark = f.Lines().size();
    QTimer::singleShot(0, f.form.get(), [&f] { f.form->downloadAll(); });
    QTRY_VERIFY_WITH_TIMEOUT(
        f.Lines().mid(mark).contains(QStringLiteral("Download all part finished!!")), 60000);
    const QStringList batch = f.Lines().mid(mark);
    for (const QString& fault :
         {QStringLiteral("Communication Error !!"), QStringLiteral("Printer is busy right now ."),
          QStringLiteral("Data transfer interrupt .")}) {
      QVERIFY2(!batch.contains(fault), qPrintable(batch.join(QLatin1Char('\n'))));
    }

    // ser2net goes away: the connection is lost, the tool waits without
    // spinning, one try fails, and once ser2net serves again the tool is
    // back by itself.
    venue.server->Stop();
    QTRY_VERIFY_WITH_TIMEOUT(PortStatus(f).contains(QStringLiteral("  connection lost: ")), 3000);
    const double before = CpuSeconds();
    QTest::qWait(500);
    QVERIFY2(CpuSeconds() - before < 0.1, "the wait to connect again spins");
    QTRY_VERIFY_WITH_TIMEOUT(
        PortStatus(f).startsWith(QStringLiteral("COM5  can't connect again: ")), 3000);
    QVERIFY2(PortStatus(f).contains(QStringLiteral("refused the connection")),
             qPrintable(PortStatus(f)));
    QVERIFY2(PortStatus(f).endsWith(QStringLiteral("The tool tries again in 2 s.")),
             qPrintable(PortStatus(f)));
    QVERIFY(venue.Start());
    QTRY_COMPARE_WITH_TIMEOUT(
        PortStatus(f),
        QStringLiteral("COM5  ") + venue.address + QStringLiteral("  38400 8N1  open"), 8000);
    QCOMPARE(f.form->toolStatusBar()->notice(), QStringLiteral("COM5 is back: ") + venue.address +
                                                    QStringLiteral(" connected again, 38400 8N1."));
    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QTRY_COMPARE_WITH_TIMEOUT(Count(f.Lines(), QStringLiteral("Firmware version :")), 2, 5000);
    // The message window has only the printer's own reports.
    for (const QString& line : f.Lines()) {
      QVERIFY2(!line.contains(QStringLiteral("connect")), qPrintable(line));
    }
  }

  void aPrinterBehindRawTcpTakesTheSameBytes() {
    Venue venue(false);
    QVERIFY(venue.Start());
    AppFixture f;
    const QString tip = f.Find<QComboBox>("ComboBox1")->itemData(4, Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QStringLiteral("the server's own line settings apply")), qPrintable(tip));
    PickCom5(f);
    QTRY_COMPARE_WITH_TIMEOUT(PortStatus(f),
                              QStringLiteral("COM5  ") + venue.address +
                                  QStringLiteral("  device server's line settings  open"),
                              5000);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);
    f.form->menuAction(QStringLiteral("ReadFirmwareVersion"))->trigger();
    f.Settle();
    QTRY_COMPARE_WITH_TIMEOUT(Count(f.Lines(), QStringLiteral("Firmware version :")), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!f.State().busy, 5000);
    // 0xFF goes as it is: doubled, the printer would store another text.
    DownloadFormatAndCheckTheLine(f, venue);
  }
};

QTEST_MAIN(Ser2netTest)
#include "ser2net_test.moc"
