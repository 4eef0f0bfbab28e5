// The traffic log of orvex-tool's window against orvex-sim on a
// pseudo-terminal, in real time: every command of the menus that talks to
// the printer leaves its named lines in the day's file and in the window.

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/traffic_log_window.h"
#include "app_fixture.h"
#include "bitmaps.h"
#include "sim_process.h"

namespace {

std::uint8_t Diagonal(int row, int column) {
  return static_cast<std::uint8_t>(1u << ((row + column) % 8));
}

QStringList DayFileLines(const QString& folder) {
  QFile file(folder + QDate::currentDate().toString(QStringLiteral("/yyyy-MM-dd.log")));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The meaning of a log line: what follows " | ".
QStringList Meanings(const QStringList& lines) {
  QStringList meanings;
  for (const QString& line : lines) {
    const auto at = line.indexOf(QStringLiteral(" | "));
    if (at >= 0) meanings << line.mid(at + 3);
  }
  return meanings;
}

// Triggers a menu item (or clicks a button) of that object name, waits
// until the printer has answered and the line has been quiet for a while,
// and checks that the day's file and the window got the same new lines and
// that they hold every one of `names`.
void RunCase(AppFixture& f, const QString& folder, const char* objectName, const QStringList& names,
             int waitMs = 60000) {
  // What came before is in the file and in the window (its lines come from
  // the session's thread, and it takes them in every 100 ms).
  f.Settle();
  QVERIFY(f.form->trafficLog().writer().Flush(5000));
  QTRY_COMPARE_WITH_TIMEOUT(f.form->trafficLogWindow()->shownLines().size(),
                            DayFileLines(folder).size(), 2000);
  const qsizetype fileMark = DayFileLines(folder).size();
  const qsizetype windowMark = f.form->trafficLogWindow()->shownLines().size();
  const QString item = QString::fromLatin1(objectName);
  if (QAction* action = f.form->menuAction(item)) {
    action->trigger();
  } else {
    auto* button = f.form->findChild<QPushButton*>(item);
    QVERIFY2(button != nullptr, objectName);
    button->click();
  }
  QTRY_VERIFY_WITH_TIMEOUT(
      !f.State().busy && !f.OnSession([](orvex::core::Session& s) { return s.batchRunning; }),
      waitMs);
  // Quiet: no new line in the window for 800 ms (a record renewal's reports
  // follow the erase result 100 ms apart; the window takes lines in every
  // 100 ms), and nothing outstanding.
  QElapsedTimer quiet;
  QElapsedTimer overall;
  quiet.start();
  overall.start();
  qsizetype seen = f.form->trafficLogWindow()->shownLines().size();
  while (quiet.elapsed() < 800 || f.State().busy ||
         f.OnSession([](orvex::core::Session& s) { return s.batchRunning; })) {
    QVERIFY2(overall.elapsed() < waitMs, objectName);
    QTest::qWait(100);
    const qsizetype now = f.form->trafficLogWindow()->shownLines().size();
    if (now != seen || f.State().busy) quiet.restart();
    seen = now;
  }
  QVERIFY(f.form->trafficLog().writer().Flush(5000));
  QTRY_VERIFY_WITH_TIMEOUT(f.form->trafficLogWindow()->shownLines().size() >=
                               DayFileLines(folder).size() - fileMark + windowMark,
                           2000);

  const QStringList fileLines = DayFileLines(folder).mid(fileMark);
  const QStringList windowLines = f.form->trafficLogWindow()->shownLines().mid(windowMark);
  QCOMPARE(windowLines, fileLines);
  const QStringList meanings = Meanings(fileLines);
  for (const QString& name : names) {
    QVERIFY2(meanings.contains(name),
             qPrintable(QStringLiteral("%1: no line \"%2\" among\n%3")
                            .arg(item, name, meanings.join(QLatin1Char('\n')))));
  }
  QVERIFY2(!meanings.contains(QStringLiteral("unnamed byte")), objectName);
}

// The printer on COM3 identified, the day files in a folder of their own,
// a 2-row logo in every slot.
struct Connected {
  Connected() : sim(home.path(), {}) {
    folder = state.path() + QStringLiteral("/orvex-tool/traffic");
    if (!sim.WaitUntilServing()) return;
    f.form->startTrafficLog(folder, false);
    const QString logoPath = state.path() + QStringLiteral("/logo.bmp");
    orvex::test::WriteFile(logoPath.toStdString(), orvex::test::MonoBmpBytes(384, 2, Diagonal));
    f.OnSession([&logoPath](orvex::core::Session& s) {
      for (auto& slot : s.setup.logos) slot = {logoPath.toStdString(), 2};
    });
    f.Find<QComboBox>("ComboBox1")->setCurrentIndex(2);
    emit f.Find<QComboBox>("ComboBox1")->activated(2);
    f.Settle();
  }
  ConfigHome home;
  QTemporaryDir state;
  QString folder;
  Simulator sim;
  AppFixture f;
};

}  // namespace

class TrafficLogWithSimTest : public QObject {
  Q_OBJECT

 private slots:
  void everyMenuCommandLeavesNamedLines() {
    Connected c;
    AppFixture& f = c.f;
    const QString& folder = c.folder;
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 5000);

    // What each command sends and what the printer's answer is taken as.
    struct Case {
      const char* item;  // a menu item's object name, or a button's
      QStringList names;
    };
    const QList<Case> cases = {
        {"PrintCoin", {"coin test ticket", "coin test ticket reply"}},
        {"PrintNote", {"note test ticket", "note test ticket reply"}},
        {"PrintPayout", {"payout test ticket", "payout test ticket reply"}},
        {"PrintDaily", {"daily report", "daily report reply"}},
        {"ReadFirmwareVersion", {"firmware query", "firmware reply"}},
        {"ReadDateTime", {"date and time query", "date and time reply"}},
        {"ReadTicketPoint", {"multiplier query", "multiplier reply"}},
        {"ReadPrintTicket", {"print status query", "print status reply"}},
        {"SummaryReport1", {"summary query", "summary reply"}},
        {"SetCoin", {"coin format download", "coin format reply"}},
        {"SetNote", {"note format download", "note format reply"}},
        {"SetPayout", {"payout format download", "payout format reply"}},
        {"SetLogo1",
         {"logo 1 header, 2 rows", "acknowledgement", "logo 1 row 1/2", "logo 1 row 2/2",
          "logo 1 reply"}},
        {"SetLogo2", {"logo 2 header, 2 rows", "logo 2 row 2/2", "logo 2 reply"}},
        {"SetLogo3", {"logo 3 header, 2 rows", "logo 3 row 2/2", "logo 3 reply"}},
        {"YYMMDD1", {"date format YY/MM/DD"}},
        {"DDMMYY1", {"date format DD/MM/YY"}},
        {"MMDDYY1", {"date format MM/DD/YY"}},
        {"YYDDMM1", {"date format YY/DD/MM"}},
        {"Enable1", {"serial number printing on"}},
        {"Disable1", {"serial number printing off"}},
        {"FullCut2", {"full cut test"}},
        {"PartCut2", {"part cut test"}},
        {"EraseSummary",
         {"erase records", "erase reply", "record-maintenance report 0x11",
          "record-maintenance report 0x33"}},
        {"DailyHistoryReport1", {"history report", "history report reply"}},
        {"Button1", {"multiplier setting"}},
        {"Button2", {"print status setting"}},
        {"Button4", {"record search", "record search reply"}},
    };
    // A period without day records: the answer writes no workbook.
    f.Find<QDateEdit>("DateTimePicker1")->setDate(QDate(2010, 5, 1));
    f.Find<QDateEdit>("DateTimePicker2")->setDate(QDate(2010, 5, 3));

    for (const Case& one : cases) {
      RunCase(f, folder, one.item, one.names);
      if (QTest::currentTestFailed()) return;
    }

    // The clock setting goes out only while the PC's year is one the
    // printer takes (2002 to 2021); otherwise nothing is sent. Its bytes and
    // name are checked on the virtual clock.
    {
      const qsizetype fileMark = DayFileLines(folder).size();
      f.form->menuAction(QStringLiteral("SetDateTime"))->trigger();
      f.Settle();
      QTRY_VERIFY_WITH_TIMEOUT(!f.State().busy, 10000);
      QVERIFY(f.form->trafficLog().writer().Flush(5000));
      const QStringList meanings = Meanings(DayFileLines(folder).mid(fileMark));
      const int year = QDate::currentDate().year();
      if (year >= 2002 && year <= 2021) {
        QVERIFY(meanings.contains(QStringLiteral("clock setting")));
        QVERIFY(meanings.contains(QStringLiteral("clock setting reply")));
      } else {
        QVERIFY(meanings.isEmpty());
      }
    }

    // Download All. The simulated printer renews its records after the erase
    // result (no progress reports: the erase above left no records), while
    // the batch pauses and sends without handling events; each report, and the coin format's answer
    // after them, is read and named on its own, so the batch runs to its end.
    RunCase(f, folder, "ProgameAll1",
            {"erase records", "erase reply", "record-maintenance report 0x11",
             "record-maintenance report 0x33", "multiplier setting", "print status setting",
             "coin format download", "coin format reply", "note format download",
             "note format reply", "payout format download", "payout format reply",
             "logo 1 header, 2 rows", "logo 1 reply", "logo 2 header, 2 rows", "logo 2 reply",
             "logo 3 header, 2 rows", "logo 3 row 2/2", "logo 3 reply"},
            60000);
    if (QTest::currentTestFailed()) return;
    const QStringList shown = f.Lines();
    QCOMPARE(shown.mid(shown.size() - 2),
             (QStringList{QStringLiteral("Download all part finished!!"), QString()}));
    if (QTest::currentTestFailed()) return;

    // The whole run's file: the start, then only named lines.
    const QStringList all = DayFileLines(folder);
    const QStringList meanings = Meanings(all);
    QCOMPARE(meanings.mid(0, 3),
             (QStringList{QStringLiteral("announcement"), QStringLiteral("variant query"),
                          QStringLiteral("variant reply")}));
    QCOMPARE(meanings.size(), all.size());
  }
};

QTEST_MAIN(TrafficLogWithSimTest)
#include "traffic_log_with_sim_test.moc"
