// A tool process that closes its window while a period report export runs:
// run by tool_with_sim_test against orvex-sim serving COM3. The window ends
// the process as in the real program; the test checks that it ends.
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
#include <cstdio>
#include <cstdlib>

#include "unit1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QString how = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("close");

  TForm1 form;  // ends the process when it closes, as in the program
  form.show();
  form.ComboBox1->setCurrentIndex(2);
  emit form.ComboBox1->activated(2);

  bool searched = false;
  QTimer watch;
  watch.setInterval(5);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    orvex::Session& s = form.session();
    if (!searched) {
      if (!s.state.identified) return;
      // 2000 days: the export writes 20000 cells, handling events each day.
      form.DateTimePicker1->setDate(QDate(2002, 1, 1));
      form.DateTimePicker2->setDate(QDate(2007, 6, 23));
      form.SearchAndPrint();
      searched = true;
      return;
    }
    if (s.pending.awaitRecordSearch &&
        form.Memo1->lineText(s.progressLine).startsWith(QStringLiteral("Output EXCEL file"))) {
      std::fprintf(stderr, "closing during the export\n");
      std::fflush(stderr);
      if (how == QStringLiteral("serial-number")) {
        form.menuAction(QStringLiteral("ReadWriteSerialnumber1"))->trigger();
      } else {
        form.close();
      }
      std::fprintf(stderr, "the close returned\n");
      return;
    }
    if (!s.state.busy) {
      std::fprintf(stderr, "the search ended before the window closed\n");
      std::exit(2);
    }
  });
  watch.start();
  return QApplication::exec();
}
