// A tool process that closes its window while a period report export runs:
// run by tool_with_sim_test against orvex-sim serving COM3. The close ends
// the session and the event loop as in the real program, and main returns;
// the test checks that it ends, and ends well.
//
//   close_during_export close            closes the window
//   close_during_export serial-number    "Read/Write Serial number"
//
// Writes "closing during the export" to standard error just before.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QString how = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("close");

  orvex::app::MainWindow form;  // ends the process when it closes, as in the program
  form.show();
  auto* portBox = form.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
  portBox->setCurrentIndex(2);
  emit portBox->activated(2);

  bool searched = false;
  QTimer watch;
  watch.setInterval(5);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    struct Seen {
      bool identified, busy, searching, exporting;
    } s{};
    form.sessionThread().runAndWait([&s](orvex::core::Session& session) {
      s = {session.state.identified, session.state.busy,
           session.pending.Has(orvex::core::Request::RecordSearch), session.exporting};
    });
    if (!searched) {
      if (!s.identified) return;
      // 2000 days: the export writes 20000 cells, handling events each day.
      form.findChild<QDateEdit*>(QStringLiteral("DateTimePicker1"))->setDate(QDate(2002, 1, 1));
      form.findChild<QDateEdit*>(QStringLiteral("DateTimePicker2"))->setDate(QDate(2007, 6, 23));
      form.searchAndPrint();
      searched = true;
      return;
    }
    if (s.searching && s.exporting) {
      // The export is over within milliseconds; a call posted now runs
      // between two of its days and holds it there while the window closes.
      form.sessionThread().post([](orvex::core::Session&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
      });
      std::fprintf(stderr, "closing during the export\n");
      std::fflush(stderr);
      if (how == QStringLiteral("serial-number")) {
        form.menuAction(QStringLiteral("ReadWriteSerialnumber1"))->trigger();
      } else {
        form.close();
      }
      std::fprintf(stderr, "the close returned\n");
      watch.stop();
      return;
    }
    if (!s.busy) {
      std::fprintf(stderr, "the search ended before the window closed\n");
      std::exit(2);
    }
  });
  watch.start();
  return QApplication::exec();
}
