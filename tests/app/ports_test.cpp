// The window's side of the core's ports: the message window, the timers,
// the gauge, the dialogs with their filters, and the logo image boxes.

#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>

#include "app/image_box.h"
#include "app_fixture.h"
#include "bitmaps.h"
#include "core/link/link_control.h"
#include "core/link/stuck_watch.h"
#include "core/session.h"
#include "platform/host/paced_link.h"

namespace orvex::app {

namespace {

std::uint8_t Stripes(int row, int) {
  return (row / 8) % 2 ? 0xFF : 0x00;
}

}  // namespace

class PortsTest : public QObject {
  Q_OBJECT

 private slots:
  void appendAndCount() {
    MessageMemo memo;
    QCOMPARE(memo.LineCount(), 0);
    memo.AppendLine("");
    QCOMPARE(memo.LineCount(), 1);
    QCOMPARE(memo.lineText(0), QString());
    memo.AppendLine("COM3  open now");
    memo.AppendLine("");
    QCOMPARE(memo.LineCount(), 3);
    QCOMPARE(memo.lineText(1), QStringLiteral("COM3  open now"));
    QCOMPARE(memo.toPlainText(), QStringLiteral("\nCOM3  open now\n\n"));
  }

  void replaceLineHasThreeCases() {
    MessageMemo memo;
    memo.AppendLine("a");
    memo.AppendLine("b");
    memo.ReplaceLine(0, "Timeout Detect : 1 sec");
    QCOMPARE(memo.lineText(0), QStringLiteral("Timeout Detect : 1 sec"));
    QCOMPARE(memo.lineText(1), QStringLiteral("b"));
    QCOMPARE(memo.LineCount(), 2);
    memo.ReplaceLine(2, "appended");  // index == count appends
    QCOMPARE(memo.LineCount(), 3);
    QCOMPARE(memo.lineText(2), QStringLiteral("appended"));
    memo.ReplaceLine(4, "lost");  // beyond the end: nothing
    memo.ReplaceLine(-1, "lost");
    QCOMPARE(memo.LineCount(), 3);
    QVERIFY(!memo.toPlainText().contains(QStringLiteral("lost")));
    memo.ReplaceLine(1, "");  // a line may become empty and stays a line
    QCOMPARE(memo.LineCount(), 3);
    QCOMPARE(memo.lineText(2), QStringLiteral("appended"));
  }

  void replaceAfterClearDoesNothing() {
    MessageMemo memo;
    for (int i = 0; i < 5; ++i) memo.AppendLine("x");
    memo.ClearLines();
    QCOMPARE(memo.LineCount(), 0);
    memo.ReplaceLine(3, "Timeout Detect : 7 sec");
    QCOMPARE(memo.LineCount(), 0);
  }

  void typedPartialLineCountsAndStaysWhole() {
    MessageMemo memo;
    memo.AppendLine("first");
    memo.show();
    memo.moveCursor(QTextCursor::End);
    QTest::keyClicks(&memo, QStringLiteral("typed"));
    QCOMPARE(memo.LineCount(), 2);
    memo.AppendLine("next");
    QCOMPARE(memo.LineCount(), 3);
    QCOMPARE(memo.lineText(1), QStringLiteral("typed"));
    QCOMPARE(memo.lineText(2), QStringLiteral("next"));
  }

  void textWithALineBreakStaysOneLine() {
    MessageMemo memo;
    memo.AppendLine("two\nparts");
    QCOMPARE(memo.LineCount(), 1);
    memo.ReplaceLine(0, "again\r\nsplit");
    QCOMPARE(memo.LineCount(), 1);
  }

  void replacingOneLineLeavesTheOthersAlone() {
    MessageMemo memo;
    for (int i = 0; i < 2000; ++i) memo.AppendLine(std::to_string(i));
    for (int s = 1; s <= 300; ++s)
      memo.ReplaceLine(1000, "Timeout Detect : " + std::to_string(s) + " sec");
    QCOMPARE(memo.LineCount(), 2000);
    QCOMPARE(memo.lineText(999), QStringLiteral("999"));
    QCOMPARE(memo.lineText(1000), QStringLiteral("Timeout Detect : 300 sec"));
    QCOMPARE(memo.lineText(1001), QStringLiteral("1001"));
  }

  void keepsItsLastTwentyThousandLines() {
    MessageMemo memo;
    for (int i = 0; i < 20005; ++i) memo.AppendLine("line " + std::to_string(i));
    // Lines keep their numbers: the count goes on while the oldest go.
    QCOMPARE(memo.LineCount(), 20005);
    QCOMPARE(memo.document()->blockCount(), 20001);  // and the empty block after the last
    QCOMPARE(memo.document()->firstBlock().text(), QStringLiteral("line 5"));
    QCOMPARE(memo.lineText(4), QString());
    QCOMPARE(memo.lineText(5), QStringLiteral("line 5"));
    QCOMPARE(memo.lineText(20004), QStringLiteral("line 20004"));
    for (int i = 0; i < 1000; ++i) memo.AppendLine("more");
    QCOMPARE(memo.document()->blockCount(), 20001);
    QCOMPARE(memo.LineCount(), 21005);
  }

  void rewrittenLinesStayOnTheirLineWhenOlderOnesGo() {
    AppFixture f;
    MessageMemo& memo = *f.form->messageWindow();
    for (int i = 0; i < 19990; ++i) memo.AppendLine(std::to_string(i));
    f.OnSession([](core::Session& s) { s.StartReplyTimeout(); });  // counts on line 19990
    const int timeoutLine = f.State().timeoutLine;
    QCOMPARE(timeoutLine, 19990);
    // The first of these is the line the count then rewrites, as a search's
    // "The begining date you selected" line is.
    for (int i = 0; i < 100; ++i) memo.AppendLine("later " + std::to_string(i));
    f.OnSession([](core::Session& s) {
      core::ReplyTimeoutTick(s);
      core::ReplyTimeoutTick(s);
    });
    // 90 lines went; the count lands on its own line, not 90 further on.
    QCOMPARE(memo.document()->firstBlock().text(), QStringLiteral("90"));
    QCOMPARE(memo.lineText(timeoutLine), QStringLiteral("Timeout Detect : 2 sec"));
    QCOMPARE(memo.document()->findBlockByNumber(timeoutLine - 90).text(),
             QStringLiteral("Timeout Detect : 2 sec"));
    QCOMPARE(memo.lineText(timeoutLine + 1), QStringLiteral("later 1"));
    QCOMPARE(memo.lineText(timeoutLine - 1), QStringLiteral("19989"));
    QCOMPARE(memo.LineCount(), 20090);

    // A line that is gone is not rewritten, nor is any other in its place.
    memo.ReplaceLine(10, "gone");
    QVERIFY(!memo.toPlainText().contains(QStringLiteral("gone")));
    QCOMPARE(memo.LineCount(), 20090);
    // The next line number still appends.
    memo.ReplaceLine(20090, "appended");
    QCOMPARE(memo.lineText(20090), QStringLiteral("appended"));
    QCOMPARE(memo.document()->blockCount(), 20001);

    // Cleared, the window counts from 0 again: the old line is past the end.
    memo.ClearLines();
    QCOMPARE(memo.LineCount(), 0);
    f.OnSession([](core::Session& s) { core::ReplyTimeoutTick(s); });
    QCOMPARE(memo.LineCount(), 0);
  }

  void timeoutLineIsRewrittenInPlace() {
    AppFixture f;
    f.form->messageWindow()->AppendLine("before");
    f.OnSession([](core::Session& s) { s.StartReplyTimeout(); });
    QVERIFY(f.TimerOn(core::TimerId::ReplyTimeout));
    f.OnSession([](core::Session& s) {
      core::ReplyTimeoutTick(s);
      core::ReplyTimeoutTick(s);
    });
    QCOMPARE(f.Lines(),
             (QStringList{QStringLiteral("before"), QStringLiteral("Timeout Detect : 2 sec")}));
  }

  void timerTicksReachTheCore() {
    AppFixture f;
    f.OnSession([](core::Session& s) {
      s.state.linkState = core::LinkState::Online;
      s.SetTimer(core::TimerId::OfflineCount, true);
    });
    // Three real one-second ticks of the offline count.
    QTRY_VERIFY_WITH_TIMEOUT(f.State().linkState == core::LinkState::Lost, 5000);
    QCOMPARE(f.Lines(), (QStringList{QStringLiteral("Printer not online ."), QString()}));
  }

  void stuckWatchIsATimerOfItsOwnAndReachesTheCore() {
    AppFixture f;
    // A renewal's busy whose end has not come for 88 seconds.
    f.OnSession([](core::Session& s) {
      s.state.busy = true;
      s.watch.silentSeconds = 88;
      s.SetTimer(core::TimerId::StuckWatch, true);
    });
    QVERIFY(f.TimerOn(core::TimerId::StuckWatch));
    QVERIFY(!f.TimerOn(core::TimerId::OfflineCount) && !f.TimerOn(core::TimerId::ReplyTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(!f.State().busy, 5000);
    QCOMPARE(f.Lines(), (QStringList{QString::fromUtf8(core::kRenewalUnfinished), QString()}));
    QVERIFY(!f.TimerOn(core::TimerId::StuckWatch));
  }

  void gaugeAndCommunicationReset() {
    AppFixture f;
    f.form->SetGauge(40);
    QCOMPARE(f.Find<QProgressBar>("CGauge1")->value(), 40);
    f.form->SetGauge(250);
    QCOMPARE(f.Find<QProgressBar>("CGauge1")->value(), 100);
    f.OnSession([](core::Session& s) { core::CommunicationReset(s); });
    QCOMPARE(f.Find<QProgressBar>("CGauge1")->value(), 0);
    QVERIFY(f.TimerOn(core::TimerId::OfflineCount));
  }

  void filtersAreGivenInQtSyntax() {
    QCOMPARE(toQtFilter(QStringLiteral("Orvex Files(*.orx)|*.orx")),
             QStringLiteral("Orvex Files(*.orx)"));
    QCOMPARE(toQtFilter(QStringLiteral("Bitmaps(*.bmp)|*.bmp")), QStringLiteral("Bitmaps(*.bmp)"));
    QCOMPARE(toQtFilter(QStringLiteral("All|*.*|Text|*.txt;*.log")),
             QStringLiteral("All (*.*);;Text (*.txt *.log)"));
    AppFixture f;
    f.dialogs.saveAnswers.append(QStringLiteral("/tmp/x.orx"));
    const auto chosen = f.form->ChooseSaveFile("Orvex Files(*.orx)|*.orx", "orx");
    QCOMPARE(chosen.value_or(""), std::string("/tmp/x.orx"));
    QCOMPARE(f.dialogs.saveFilters, QStringList{QStringLiteral("Orvex Files(*.orx)")});
    QCOMPARE(f.dialogs.saveSuffixes, QStringList{QStringLiteral("orx")});
    QVERIFY(!f.form->ChooseOpenFile("Bitmaps(*.bmp)|*.bmp").has_value());  // cancelled
  }

  void choosingALogoShowsItAndARejectedOneBlanksTheBox() {
    QTemporaryDir dir;
    const std::string good = dir.filePath(QStringLiteral("good.bmp")).toStdString();
    const std::string narrow = dir.filePath(QStringLiteral("narrow.bmp")).toStdString();
    test::WriteFile(good, test::MonoBmpBytes(384, 64, Stripes));
    test::WriteFile(narrow, test::MonoBmpBytes(383, 64, Stripes));

    AppFixture f;
    f.form->show();
    f.dialogs.openAnswers.append(QString::fromStdString(good));
    QTest::mouseClick(f.Find<ImageBox>("Image2"), Qt::LeftButton);
    f.Settle();
    QCOMPARE(f.dialogs.openFilters, QStringList{QStringLiteral("Bitmaps(*.bmp)")});
    QCOMPARE(f.Setup().logos[1].path, good);
    QCOMPARE(f.Setup().logos[1].height, 64);
    QVERIFY(f.Find<ImageBox>("Image2")->hasPicture());
    QVERIFY(f.dialogs.messages.isEmpty());
    // The stripes show stretched over the box: both colours are there.
    const QImage shown = f.Find<ImageBox>("Image2")->grab().toImage();
    QVERIFY(qGray(shown.pixel(170, 2)) != qGray(shown.pixel(170, 40)));

    f.dialogs.openAnswers.append(QString::fromStdString(narrow));
    QTest::mouseClick(f.Find<ImageBox>("Image2"), Qt::LeftButton);
    QVERIFY(f.Setup().logos[1].path.empty());
    QVERIFY(!f.Find<ImageBox>("Image2")->hasPicture());
    QCOMPARE(f.dialogs.messages,
             QStringList{QStringLiteral("BMP width not 384 pixel ! Please try again!")});
    const QImage blank = f.Find<ImageBox>("Image2")->pixmap().toImage();
    QCOMPARE(blank.pixelColor(120, 145), QColor(Qt::white));  // no prompt any more

    // A cancelled dialog changes nothing.
    QTest::mouseClick(f.Find<ImageBox>("Image3"), Qt::LeftButton);
    QVERIFY(f.Setup().logos[2].path.empty());
    QCOMPARE(f.dialogs.messages.size(), 1);
  }

  void showLogoFailsForAFileItCannotDecode() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.bmp"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("BM not really a bitmap");
    file.close();
    AppFixture f;
    const auto shows = [&f](const QString& bitmap, int slot) {
      return f.OnSession([bitmap, slot](core::Session& s) {
        s.setup.logos[0].path = bitmap.toStdString();
        return s.io.view.ShowLogo(slot);
      });
    };
    QVERIFY(!shows(path, 1));
    QVERIFY(!shows(dir.path() + QStringLiteral("/missing.bmp"), 1));
    QVERIFY(!shows(path, 4));
  }

  void clearLogoNeedsTheIdentifiedPrinter() {
    QTemporaryDir dir;
    const std::string good = dir.filePath(QStringLiteral("good.bmp")).toStdString();
    test::WriteFile(good, test::MonoBmpBytes(384, 32, Stripes));
    AppFixture f;
    f.dialogs.openAnswers.append(QString::fromStdString(good));
    f.form->chooseLogo1();
    f.Settle();
    QVERIFY(f.Find<ImageBox>("Image1")->hasPicture());
    f.form->menuAction(QStringLiteral("Logo11"))->trigger();
    f.Settle();
    QVERIFY(f.Find<ImageBox>("Image1")->hasPicture());
    f.Identify();
    f.form->menuAction(QStringLiteral("Logo11"))->trigger();
    f.Settle();
    QVERIFY(!f.Find<ImageBox>("Image1")->hasPicture());
    QVERIFY(f.Setup().logos[0].path.empty());
  }

  void pauseBlocksForItsLength() {
    platform::PacedLink link;  // no line
    QElapsedTimer clock;
    clock.start();
    link.Pause(30);
    QVERIFY(clock.elapsed() >= 29);
    QVERIFY(link.SendByte(0x1B));  // no line takes the byte silently
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::PortsTest)
#include "ports_test.moc"
