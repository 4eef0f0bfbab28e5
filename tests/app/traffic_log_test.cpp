// The "View" menu and the "Traffic Log" window: opening it, following the
// lines live, pausing, filtering, copying, the folder of the day files, and
// the status note when the files cannot be written.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QtTest>

#include "app/status_bar.h"
#include "app/traffic_log_window.h"
#include "app_fixture.h"
#include "fake_desktop.h"

namespace orvex::app {

class TrafficLogTest : public QObject {
  Q_OBJECT

 private slots:
  void viewMenuComesAfterTheDesignedMenus() {
    AppFixture f;
    const QList<QAction*> menus = f.form->menuBar()->actions();
    QVERIFY(menus.size() >= 3);  // then "Help"
    QCOMPARE(menus[menus.size() - 2]->text(), QStringLiteral("View"));
    QCOMPARE(menus[menus.size() - 3]->text(), QStringLiteral("Other_Functions"));
    QAction* item = f.form->menuAction(QStringLiteral("TrafficLogItem"));
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(), QStringLiteral("Traffic Log"));
    QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));

    TrafficLogWindow* window = f.form->trafficLogWindow();
    QVERIFY(!window->isVisible());
    item->trigger();
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Traffic Log"));
    // Without day files the folder cannot be opened.
    QVERIFY(!window->openFolderButton()->isEnabled());
  }

  void windowFollowsTheSessionsTraffic() {
    AppFixture f;
    f.Identify();
    TrafficLogWindow* window = f.form->trafficLogWindow();
    // No port is open: the bytes go nowhere, but they are still the request.
    f.form->readFirmwareVersion();
    f.Settle();
    QTRY_COMPARE(window->shownLines().size(), 1);
    QVERIFY(window->shownLines()[0].endsWith(QStringLiteral(" TX 1D F9 | firmware query")));
    f.OnSession([](core::Session& s) {
      s.state.busy = false;
      s.pending = {};
    });

    // Paused: new lines wait, and come when it goes on.
    window->pauseButton()->click();
    QCOMPARE(window->pauseButton()->text(), QStringLiteral("Resume"));
    f.form->testFullCut();
    f.form->sendPrintStatus();
    f.Settle();
    QTest::qWait(300);
    QCOMPARE(window->shownLines().size(), 1);
    QVERIFY(window->statusLabel()->text().startsWith(QStringLiteral("Paused, 2 new lines")));
    window->pauseButton()->click();
    QCOMPARE(window->shownLines().size(), 3);
    QVERIFY(window->shownLines()[1].endsWith(QStringLiteral("TX 1B F5 | full cut test")));
    QVERIFY(window->shownLines()[2].endsWith(QStringLiteral("TX 1B F7 67 | print status setting")));

    // The filter shows the matching lines, whatever their case; empty, all.
    window->filterBox()->setText(QStringLiteral("CUT"));
    QCOMPARE(window->shownLines().size(), 1);
    QVERIFY(window->shownLines()[0].endsWith(QStringLiteral("full cut test")));
    f.form->testPartCut();
    f.form->sendMultiplierSettings();
    f.Settle();
    QTRY_COMPARE(window->shownLines().size(), 2);
    QVERIFY(window->shownLines()[1].endsWith(QStringLiteral("part cut test")));
    window->filterBox()->clear();
    QCOMPARE(window->shownLines().size(), 5);

    // Copy takes the selection.
    QVERIFY(!window->copyButton()->isEnabled());
    QTextCursor cursor = window->view()->textCursor();
    cursor.movePosition(QTextCursor::Start);
    cursor.movePosition(QTextCursor::Down, QTextCursor::KeepAnchor, 2);
    window->view()->setTextCursor(cursor);
    QVERIFY(window->copyButton()->isEnabled());
    window->copyButton()->click();
    QCOMPARE(QApplication::clipboard()->text(),
             window->shownLines().mid(0, 2).join(QLatin1Char('\n')) + QLatin1Char('\n'));
  }

  void windowOpensAtTheLeftClosesOnEscapeAndNamesThePort() {
    AppFixture f;
    auto* ports = f.Find<QComboBox>("ComboBox1");
    ports->setCurrentIndex(2);
    emit ports->activated(2);
    f.form->sessionThread().runAndWait([](core::Session&) {});
    f.Identify();
    f.form->readFirmwareVersion();
    f.Settle();
    TrafficLogWindow* window = f.form->trafficLogWindow();
    QTRY_VERIFY(!window->shownLines().isEmpty());
    // Two runs of the tool write into one day file: each line says whose.
    static const QRegularExpression request(QStringLiteral(
        R"(^\d\d:\d\d:\d\d\.\d{3}-\d\d:\d\d:\d\d\.\d{3} COM3 TX 1D F9 \| firmware query$)"));
    QVERIFY2(request.match(window->shownLines()[0]).hasMatch(),
             qPrintable(window->shownLines()[0]));

    // The lines of the exchange may still be on their way: count from
    // when they have stopped coming.
    qsizetype before = -1;
    while (before != window->shownLines().size()) {
      before = window->shownLines().size();
      QTest::qWait(300);
    }

    // Lines far wider than the window, before it is shown and while it is:
    // the times and TX/RX stay in sight.
    const QString wide = QStringLiteral("12:00:00.000              COM3 RX ") +
                         QStringLiteral("00 ").repeated(300) + QStringLiteral("| not taken");
    for (int i = 0; i < 50; ++i) window->addLine(wide);
    f.form->menuAction(QStringLiteral("TrafficLogItem"))->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_COMPARE(window->shownLines().size(), before + 50);
    QVERIFY(window->view()->horizontalScrollBar()->maximum() > 0);
    QCOMPARE(window->view()->horizontalScrollBar()->value(), 0);
    QTRY_COMPARE(window->view()->verticalScrollBar()->value(),
                 window->view()->verticalScrollBar()->maximum());  // the newest in sight
    for (int i = 0; i < 50; ++i) window->addLine(wide);
    QTRY_COMPARE(window->shownLines().size(), before + 100);
    QCOMPARE(window->view()->horizontalScrollBar()->value(), 0);
    QTRY_COMPARE(window->view()->verticalScrollBar()->value(),
                 window->view()->verticalScrollBar()->maximum());  // still following

    // Scrolled up to look: it stays there.
    window->view()->verticalScrollBar()->setValue(10);
    for (int i = 0; i < 5; ++i) window->addLine(wide);
    QTRY_COMPARE(window->shownLines().size(), before + 105);
    QCOMPARE(window->view()->verticalScrollBar()->value(), 10);

    // Escape closes it, from the lines or from the filter box.
    window->view()->setFocus();
    QTest::keyClick(window->view(), Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    f.form->menuAction(QStringLiteral("TrafficLogItem"))->trigger();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    window->filterBox()->setFocus();
    QTest::keyClick(window->filterBox(), Qt::Key_Escape);
    QVERIFY(!window->isVisible());
  }

  void dayFilesAndTheFolderButton() {
    QTemporaryDir state;
    const QString folder = state.path() + QStringLiteral("/orvex-tool/traffic");
    AppFixture f;
    f.form->startTrafficLog(folder, false);
    f.Identify();
    f.form->testFullCut();
    f.Settle();
    QVERIFY(f.form->trafficLog().writer().Flush(5000));
    QFile file(folder + QDate::currentDate().toString(QStringLiteral("/yyyy-MM-dd.log")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.endsWith(QStringLiteral(" TX 1B F5 | full cut test\n")));
    QVERIFY(f.form->trafficLogWindow()->openFolderButton()->isEnabled());
    QVERIFY(f.form->trafficLogWindow()->statusLabel()->text().contains(folder));
    QVERIFY(f.form->toolStatusBar()->notice().isEmpty());

    // "Open Folder" hands the folder to the desktop; with no program to
    // open it, the window's status line says so, and a try that works
    // takes the words back.
    TrafficLogWindow* window = f.form->trafficLogWindow();
    const QString nothing =
        QStringLiteral("Could not open %1: no program on this desktop opens it.").arg(folder);
    {
      FakeDesktop nobody(3);
      window->openFolderButton()->click();
      QTRY_VERIFY(window->statusLabel()->text().startsWith(nothing));
      QCOMPARE(nobody.opened(), QStringList{folder});
      f.form->testPartCut();  // new lines do not wipe it out
      f.Settle();
      QTest::qWait(300);
      QVERIFY(window->statusLabel()->text().startsWith(nothing));
    }
    FakeDesktop desktop;
    window->openFolderButton()->click();
    QTRY_COMPARE(desktop.opened(), QStringList{folder});
    QVERIFY(!window->statusLabel()->text().contains(nothing));
  }

  void traceCopiesTheLinesToStandardError() {
    // Standard error is a pipe for the time of the test.
    int pipeFds[2];
    QVERIFY(pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) == 0);
    const int savedError = dup(2);
    QVERIFY(dup2(pipeFds[1], 2) == 2);
    QString traced;
    {
      AppFixture f;
      f.form->startTrafficLog(QString(), true);
      f.Identify();
      f.form->testFullCut();
      f.Settle();
      QVERIFY(f.form->trafficLog().writer().Flush(5000));
      char buffer[256] = {};
      const ssize_t n = read(pipeFds[0], buffer, sizeof buffer - 1);
      traced = QString::fromUtf8(buffer, n > 0 ? static_cast<int>(n) : 0);
    }
    dup2(savedError, 2);
    close(savedError);
    close(pipeFds[0]);
    close(pipeFds[1]);
    QVERIFY2(traced.endsWith(QStringLiteral(" TX 1B F5 | full cut test\n")), qPrintable(traced));
    QCOMPARE(traced.count(QLatin1Char('\n')), 1);
  }

  void failingFilesGiveOneStatusNoteAndTheWorkGoesOn() {
    QTemporaryDir state;
    // A file where the folder should be: the log cannot be written.
    QFile blocker(state.path() + QStringLiteral("/orvex-tool"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AppFixture f;
    f.form->startTrafficLog(state.path() + QStringLiteral("/orvex-tool/traffic"), false);
    f.Identify();
    f.form->testFullCut();
    f.form->testPartCut();
    f.Settle();
    StatusBar* bar = f.form->toolStatusBar();
    QTRY_VERIFY(bar->notice().startsWith(QStringLiteral("Traffic log stopped: ")));
    QVERIFY(bar->notice().contains(QStringLiteral("Not a directory")));
    // It stays said on the right, once, with the reason as its tip.
    QTest::qWait(200);
    const auto stopped = bar->findChildren<QLabel*>(QStringLiteral("TrafficLogStopped"));
    QCOMPARE(stopped.size(), 1);
    QVERIFY(stopped[0]->toolTip().contains(QStringLiteral("Not a directory")));
    QVERIFY(!f.form->trafficLogWindow()->openFolderButton()->isEnabled());
    // The commands did their work, and the window still shows the lines.
    QCOMPARE(f.Lines(), (QStringList{QStringLiteral("Test full cut finished ."), QString(),
                                     QStringLiteral("Test part cut finished ."), QString()}));
    QTRY_COMPARE(f.form->trafficLogWindow()->shownLines().size(), 2);
    QVERIFY(f.form->trafficLog().writer().FilesFailed());
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::TrafficLogTest)
#include "traffic_log_test.moc"
