// What the window shows is what the printer gets and the format file keeps,
// driven through the window against a printer played on a pseudo-terminal:
// settings boxes holding more than their typed length, and a logo of no
// rows.

#include <poll.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/image_box.h"
#include "app/start_file.h"
#include "app_fixture.h"
#include "bitmaps.h"
#include "pseudo_terminal.h"

namespace orvex::app {

namespace {

using Bytes = QByteArray;

// The printer's end of a pseudo-terminal that the tool knows as COM3.
class Printer {
 public:
  explicit Printer(const QString& configHome) {
    const QString ports = configHome + QStringLiteral("/orvex-tool/ports");
    QDir().mkpath(ports);
    QFile::link(QString::fromStdString(line_.path), ports + QStringLiteral("/COM3"));
  }

  void Send(std::uint8_t byte) const { QVERIFY(line_.Send(byte)); }

  // What the tool sent, up to `count` bytes or what came within `ms`, with
  // the window handling its events meanwhile.
  Bytes Receive(int count, int ms = 3000) const {
    Bytes got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < count && clock.elapsed() < ms) {
      pollfd in{line_.master, POLLIN, 0};
      if (poll(&in, 1, 10) > 0) {
        char buffer[256];
        const ssize_t n = read(line_.master, buffer, sizeof buffer);
        if (n > 0) got.append(buffer, n);
      }
      QCoreApplication::processEvents();
    }
    return got;
  }

  // The tool opens COM3; the printer announces itself as a 20-symbol one.
  void Connect(AppFixture& f) const {
    auto* port = f.Find<QComboBox>("ComboBox1");
    port->setCurrentIndex(2);
    emit port->activated(2);
    f.Settle();  // the port is open
    Send(0x26);
    QCOMPARE(Receive(2), Bytes("\x1B\xA0", 2));
    Send(0x0A);
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 3000);
  }

 private:
  test::PseudoTerminal line_;
};

QStringList FileLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.constLast().isEmpty()) lines.removeLast();
  return lines;
}

void WriteLines(const QString& path, const QStringList& lines) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  for (const QString& line : lines) file.write((line + QStringLiteral("\r\n")).toLatin1());
}

// The file "Save  Ticket  Format  As.." writes from a window just started.
QStringList StartUpLines(const QString& folder) {
  const QString path = folder + QStringLiteral("/start.orx");
  AppFixture f;
  f.dialogs.saveAnswers << path;
  f.form->menuAction(QStringLiteral("SaveTicketFormat1"))->trigger();
  f.Settle();
  return FileLines(path);
}

void Load(AppFixture& f, const QString& path) {
  f.dialogs.openAnswers << path;
  f.form->menuAction(QStringLiteral("LoadTicketFormat1"))->trigger();
  f.Settle();
}

bool AllWhite(const QImage& image) {
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
    }
  }
  return true;
}

// The classic layout of a 384 x 0 logo: headers and palette, no pixels.
std::string NoRowsLogo() {
  return test::MonoBmpBytes(384, 0, [](int, int) { return std::uint8_t{0}; });
}

}  // namespace

class ShownIsSentTest : public QObject {
  Q_OBJECT

 private slots:
  // Fault: a value longer than its box's typed length is cut on screen while
  // the whole value is sent and saved, and an edit then sends the cut one.
  void settingsBoxesShowSendAndSaveWhatTheFileHolds() {
    QTemporaryDir dir;
    QStringList lines = StartUpLines(dir.path());
    QCOMPARE(lines.size(), 132);
    lines[1] = QStringLiteral("12345");
    lines[2] = QStringLiteral("-9999");
    lines[4] = QStringLiteral("-1");
    const QString file = dir.filePath(QStringLiteral("long.orx"));
    WriteLines(file, lines);

    ConfigHome home;
    Printer printer(home.path());
    AppFixture f;
    f.form->show();
    printer.Connect(f);
    Load(f, file);
    QCOMPARE(f.dialogs.messages, (QStringList{QStringLiteral("The floating-point too large (0~3)."),
                                              QStringLiteral("Load finished.")}));
    QCOMPARE(f.Find<QLineEdit>("Edit11")->text(), QStringLiteral("12345"));
    QCOMPARE(f.Find<QLineEdit>("Edit12")->text(), QStringLiteral("-9999"));
    QCOMPARE(f.Find<QLineEdit>("Edit13")->text(), QStringLiteral("1"));
    QCOMPARE(f.Find<QLineEdit>("Edit14")->text(), QStringLiteral("-1"));
    // Within the box's designed width the whole value shows.
    for (const char* name : {"Edit11", "Edit12", "Edit14"}) {
      QLineEdit* box = f.Find<QLineEdit>(name);
      QCOMPARE(box->width(), 49);
      // Inside the frame and the box's 2-pixel margins.
      const int room =
          box->width() - 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 4;
      QVERIFY2(box->fontMetrics().horizontalAdvance(box->text()) <= room, name);
    }

    f.Find<QPushButton>("Button1")->click();
    QCOMPARE(printer.Receive(9), Bytes("\x1D\xF6\x39\x30\xF1\xD9\x01\x00\xFF", 9));

    const QString saved = dir.filePath(QStringLiteral("saved.orx"));
    f.dialogs.saveAnswers << saved;
    f.form->menuAction(QStringLiteral("SaveTicketFormat1"))->trigger();
    f.Settle();
    QCOMPARE(FileLines(saved).mid(1, 4),
             (QStringList{QStringLiteral("12345"), QStringLiteral("-9999"), QStringLiteral("1"),
                          QStringLiteral("-1")}));

    // One backspace takes one character off what is shown, and that is sent.
    QLineEdit* note = f.Find<QLineEdit>("Edit12");
    note->setFocus();
    note->end(false);
    QTest::keyClick(note, Qt::Key_Backspace);
    QCOMPARE(note->text(), QStringLiteral("-999"));
    f.Find<QPushButton>("Button1")->click();
    // -999: remainder -231 (0x19), quotient -3 (0xFD).
    QCOMPARE(printer.Receive(9), Bytes("\x1D\xF6\x39\x30\x19\xFD\x01\x00\xFF", 9));
  }

  // Fault: the typed length no longer holds what is typed, pasted or set by
  // a screen reader once a box may show more; or an edit of a longer value
  // cannot shorten it, or undo cannot bring it back.
  void typedLengthHoldsEditsOnly() {
    using Field = std::string core::MultiplierSettings::*;
    const Field coin = &core::MultiplierSettings::coin;
    const Field note = &core::MultiplierSettings::note;
    const Field payout = &core::MultiplierSettings::payout;
    const Field decimals = &core::MultiplierSettings::decimals;
    using Edit = std::function<void(QLineEdit*)>;
    const auto type = [](const char* keys) -> Edit {
      return [keys](QLineEdit* box) { QTest::keyClicks(box, QString::fromLatin1(keys)); };
    };
    const auto paste = [](const char* text) -> Edit {
      return [text](QLineEdit* box) {
        QApplication::clipboard()->setText(QString::fromLatin1(text));
        box->paste();
      };
    };
    const auto backspace = [](QLineEdit* box) { QTest::keyClick(box, Qt::Key_Backspace); };
    const auto then = [](Edit first, Edit second) -> Edit {
      return [first, second](QLineEdit* box) {
        first(box);
        second(box);
      };
    };
    const Edit undo = [](QLineEdit* box) { box->undo(); };
    const Edit selectAll = [](QLineEdit* box) { box->selectAll(); };
    const Edit selectLast = [](QLineEdit* box) {
      box->setSelection(static_cast<int>(box->text().size()) - 1, 1);
    };
    const Edit screenReaderInsert = [](QLineEdit* box) {
      QAccessible::queryAccessibleInterface(box)->editableTextInterface()->insertText(
          1, QStringLiteral("23456"));
    };
    struct Case {
      const char* name;
      const char* box;
      Field field;
      const char* start;  // set from the setup, as a format file sets it
      Edit edit;          // at the end of the text
      const char* shown;
    };
    const Case cases[] = {
        {"typing stops at four", "Edit11", coin, "", type("123456"), "1234"},
        {"typing stops at one", "Edit14", decimals, "", type("12"), "1"},
        {"nothing added to a longer value", "Edit11", coin, "12345", type("6"), "12345"},
        {"nothing added to the decimal places", "Edit14", decimals, "-1", type("2"), "-1"},
        {"backspace takes one off", "Edit13", payout, "12345", backspace, "1234"},
        {"then typing stops at four again", "Edit13", payout, "12345", then(backspace, type("6")),
         "1234"},
        {"a longer value may be typed over", "Edit12", note, "-9999", then(selectAll, type("250")),
         "250"},
        {"a character of a longer value replaced", "Edit12", note, "-9999",
         then(selectLast, type("8")), "-9998"},
        {"undo brings back what the box held", "Edit11", coin, "12345", then(backspace, undo),
         "12345"},
        {"and typing after the undo adds nothing", "Edit11", coin, "12345",
         then(then(backspace, undo), type("6")), "12345"},
        {"a paste that fits", "Edit11", coin, "1", paste("23"), "123"},
        {"a paste past four is refused, not cut", "Edit11", coin, "1", paste("2345"), "1"},
        {"a screen reader's insert is cut to four", "Edit11", coin, "1", screenReaderInsert,
         "1234"},
    };
    for (const Case& c : cases) {
      AppFixture f;
      f.form->show();
      QLineEdit* box = f.Find<QLineEdit>(c.box);
      const auto field = c.field;
      const std::string start = c.start;
      f.OnSession([field, start](core::Session& s) {
        s.setup.multipliers.*field = start;
        s.io.view.RefreshSetup();
      });
      QCOMPARE(box->text(), QString::fromLatin1(c.start));
      box->setFocus();
      box->end(false);
      c.edit(box);
      QVERIFY2(box->text() == QString::fromLatin1(c.shown),
               qPrintable(QString::fromLatin1(c.name) + QStringLiteral(": shows ") + box->text()));
      // The setup holds what the box shows.
      QVERIFY2(f.Setup().multipliers.*c.field == c.shown, c.name);
    }
  }

  // Fault: a logo of no rows passes the logo test but choosing it leaves its
  // slot empty ("Can't display this bitmap ...").
  void chosenLogoOfNoRowsFillsItsSlot() {
    QTemporaryDir dir;
    const QString logo = dir.filePath(QStringLiteral("empty.bmp"));
    test::WriteFile(logo.toStdString(), NoRowsLogo());
    AppFixture f;
    f.form->show();
    f.dialogs.openAnswers << logo;
    QTest::mouseClick(f.Find<ImageBox>("Image3"), Qt::LeftButton);
    f.Settle();
    QCOMPARE(f.dialogs.messages.join(QLatin1Char('|')), QString());
    QCOMPARE(f.Setup().logos[2].path, logo.toStdString());
    QCOMPARE(f.Setup().logos[2].height, 0);
    auto* box = f.Find<ImageBox>("Image3");
    QVERIFY(box->hasPicture());
    const QImage shown = box->pixmap().toImage();
    QCOMPARE(shown.size(), QSize(340, 300));
    QVERIFY(AllWhite(shown));  // no prompt: an empty picture
  }

  // Fault: a format file naming a logo of no rows says "Logo3 cannot be
  // displayed ." and keeps the slot as it was, so the logo's download (the
  // header alone, one acknowledgement) cannot happen.
  void formatFileLogoOfNoRowsFillsItsSlotAndDownloads() {
    QTemporaryDir dir;
    const QString logo = dir.filePath(QStringLiteral("empty.bmp"));
    test::WriteFile(logo.toStdString(), NoRowsLogo());
    QStringList lines = StartUpLines(dir.path());
    lines[11] = logo;
    const QString file = dir.filePath(QStringLiteral("logo3.orx"));
    WriteLines(file, lines);

    ConfigHome home;
    Printer printer(home.path());
    AppFixture f;
    f.form->show();
    printer.Connect(f);
    Load(f, file);
    QCOMPARE(f.dialogs.messages.join(QLatin1Char('|')), QStringLiteral("Load finished."));
    QCOMPARE(f.Setup().logos[2].path, logo.toStdString());
    QVERIFY(f.Find<ImageBox>("Image3")->hasPicture());
    QVERIFY(AllWhite(f.Find<ImageBox>("Image3")->pixmap().toImage()));

    f.form->messageWindow()->ClearLines();
    f.form->menuAction(QStringLiteral("SetLogo3"))->trigger();
    QCOMPARE(printer.Receive(4), Bytes("\x1D\xFA\x00\x00", 4));
    printer.Send(0x42);  // the header's acknowledgement
    QVERIFY(f.Pending().Has(core::Request::Logo3));
    QCOMPARE(printer.Receive(1, 100), Bytes());  // no row follows
    printer.Send(0xAB);
    // After the reply timeout's count, when a second passed meanwhile.
    const QStringList finished = {QStringLiteral("Download logo3 finished ."), QString(),
                                  QString()};
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().mid(f.Lines().size() - 3) == finished, 3000);
    QVERIFY(!f.State().busy);
    QCOMPARE(f.dialogs.messages.size(), 1);
  }

  // Fault: the format file the tool is started with (`orvex-tool FILE.orx`,
  // a double click on it) is ignored, loaded other than by "Load  Ticket
  // Format", or named in its message by a path relative to somewhere else.
  void aFileGivenAtTheStartIsLoadedAsTheMenuLoadsIt() {
    QTemporaryDir dir;
    QStringList lines = StartUpLines(dir.path());
    QCOMPARE(lines.size(), 132);
    const QStringList startValues = lines.mid(1, 4);
    lines[1] = QStringLiteral("250");
    lines[2] = QStringLiteral("-75");
    lines[4] = QStringLiteral("3");
    WriteLines(dir.filePath(QStringLiteral("shop.orx")), lines);
    const QString here = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const struct {
      const char* argument;
      QString message;
      QStringList boxes;  // Edit11, Edit12, Edit13, Edit14
    } cases[] = {
        {"shop.orx",
         QStringLiteral("Load finished."),
         {QStringLiteral("250"), QStringLiteral("-75"), startValues[2], QStringLiteral("3")}},
        {"gone.orx", QStringLiteral("Cannot open file ") + dir.filePath(QStringLiteral("gone.orx")),
         startValues},
    };
    for (const auto& c : cases) {
      AppFixture f;
      f.form->show();
      LoadStartFile(*f.form, QString::fromUtf8(c.argument));
      f.Settle();
      QCoreApplication::processEvents();
      QCOMPARE(f.dialogs.messages, QStringList{c.message});
      QStringList shown;
      for (const char* name : {"Edit11", "Edit12", "Edit13", "Edit14"})
        shown << f.Find<QLineEdit>(name)->text();
      QCOMPARE(shown, c.boxes);
    }
    QDir::setCurrent(here);
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::ShownIsSentTest)
#include "shown_is_sent_test.moc"
