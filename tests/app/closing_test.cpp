// Closing the main window: at once, as designed, when nothing is at stake;
// otherwise after the tool's own question, while a transfer is under way or
// when the setup has changed since it was last loaded or saved.

#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app_fixture.h"
#include "core/formatfile/format_file.h"

namespace orvex::app {

using core::TicketKind;

namespace {

const QString kChanged = QStringLiteral(
    "The ticket setup has changed since it was last loaded or saved. Closing now loses the "
    "changes.");

void Type(AppFixture& f, const QString& text) {
  QTest::keyClicks(f.form->lineEditor(TicketKind::Coin, 0).textBox(), text);
  f.Settle();
}

}  // namespace

class ClosingTest : public QObject {
  Q_OBJECT

 private slots:
  void nothingAtStakeClosesAtOnceAsDesigned() {
    AppFixture f;
    f.form->show();
    // An edit undone is no change.
    Type(f, QStringLiteral("A"));
    QTest::keyClick(f.form->lineEditor(TicketKind::Coin, 0).textBox(), Qt::Key_Backspace);
    f.Settle();
    f.form->close();
    QVERIFY(f.dialogs.closeQuestions.isEmpty());
    QCOMPARE(f.processEnds, 1);
    QVERIFY(!f.form->isVisible());
  }

  void anEditedSetupAsksAndKeepOpenKeepsIt() {
    AppFixture f;
    f.form->show();
    Type(f, QStringLiteral("TOTAL"));
    f.form->close();
    QCOMPARE(f.dialogs.closeQuestions.size(), 1);
    const CloseQuestion& asked = f.dialogs.closeQuestions.first();
    QCOMPARE(asked.title, QStringLiteral("Close the Orvex Printer Tool"));
    QCOMPARE(asked.text, kChanged);
    QCOMPARE(asked.closeLabel, QStringLiteral("Close Without Saving"));
    QVERIFY(asked.canSave);
    QCOMPARE(f.processEnds, 0);  // kept open, with the edit
    QVERIFY(f.form->isVisible());
    QCOMPARE(f.Setup().tickets[0][0].text, std::string("TOTAL"));

    f.dialogs.closeAnswers << CloseAnswer::Close;
    f.form->close();
    QCOMPARE(f.processEnds, 1);
  }

  void anEditNotYetTakenInCountsAsAChange() {
    AppFixture f;
    f.form->show();
    // Typed and closed at once: the session thread's word on the edit
    // comes through the window's event loop, which has not run since.
    QTest::keyClicks(f.form->lineEditor(TicketKind::Coin, 1).textBox(), QStringLiteral("X"));
    f.form->close();
    QCOMPARE(f.dialogs.closeQuestions.size(), 1);
    QCOMPARE(f.dialogs.closeQuestions.first().text, kChanged);
  }

  void aSavedOrLoadedSetupClosesAtOnce() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shop.orx"));
    {
      AppFixture f;
      f.form->show();
      Type(f, QStringLiteral("SHOP"));
      f.dialogs.saveAnswers << file;
      f.form->saveFormatFile();
      f.Settle();
      QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Save finished.")});
      f.form->close();
      QVERIFY(f.dialogs.closeQuestions.isEmpty());
      QCOMPARE(f.processEnds, 1);
    }
    {
      AppFixture f;
      f.form->show();
      f.dialogs.openAnswers << file;
      f.form->loadFormatFile();
      f.Settle();
      QCOMPARE(f.Setup().tickets[0][0].text, std::string("SHOP"));
      f.form->close();
      QVERIFY(f.dialogs.closeQuestions.isEmpty());
      QCOMPARE(f.processEnds, 1);
    }
    {
      // Clear after the load changes it again.
      AppFixture f;
      f.form->show();
      f.dialogs.openAnswers << file;
      f.form->loadFormatFile();
      f.Identify();
      f.form->clearCoinFormat();
      f.Settle();
      f.form->close();
      QCOMPARE(f.dialogs.closeQuestions.size(), 1);
      QCOMPARE(f.processEnds, 0);
    }
  }

  void saveAsFirstClosesOnceTheSetupIsInAFile() {
    QTemporaryDir dir;
    AppFixture f;
    f.form->show();
    Type(f, QStringLiteral("KEEP"));
    // The save dialog is cancelled: the window stays.
    f.dialogs.closeAnswers << CloseAnswer::SaveFirst;
    f.form->close();
    f.Settle();
    QCOMPARE(f.dialogs.saveFilters.size(), 1);
    QCOMPARE(f.processEnds, 0);
    // Saved: the window closes.
    const QString file = dir.filePath(QStringLiteral("kept.orx"));
    f.dialogs.closeAnswers << CloseAnswer::SaveFirst;
    f.dialogs.saveAnswers << file;
    f.form->close();
    QTRY_COMPARE(f.processEnds, 1);
    QVERIFY(QFile::exists(file));
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Save finished.")});
  }

  void aTransferUnderWayAsksWithItsProgress() {
    AppFixture f;
    f.form->show();
    // A logo download at 7 %, as the session holds it between two rows.
    f.OnSession([](core::Session& s) {
      s.state.busy = true;
      s.pending.Set(core::Request::Logo1);
    });
    f.form->SetGauge(7);
    f.form->close();
    QCOMPARE(f.dialogs.closeQuestions.size(), 1);
    const CloseQuestion& asked = f.dialogs.closeQuestions.first();
    QCOMPARE(asked.text, QStringLiteral("A transfer to the printer is under way (7 %). Closing "
                                        "now stops it, and the printer may be left with only "
                                        "part of it."));
    QCOMPARE(asked.closeLabel, QStringLiteral("Stop and Close"));
    QVERIFY(!asked.canSave);
    QCOMPARE(f.processEnds, 0);

    // With an edit as well, both are said; still no saving in the middle
    // of a transfer.
    Type(f, QStringLiteral("Z"));
    f.form->close();
    QCOMPARE(f.dialogs.closeQuestions.size(), 2);
    QVERIFY(f.dialogs.closeQuestions.last().text.endsWith(kChanged));
    QVERIFY(!f.dialogs.closeQuestions.last().canSave);

    // Done: nothing pending, and the edit saved is stored.
    f.OnSession([](core::Session& s) {
      s.state.busy = false;
      s.pending.Clear(core::Request::Logo1);
    });
    QTemporaryDir dir;
    f.dialogs.saveAnswers << dir.filePath(QStringLiteral("z.orx"));
    f.form->saveFormatFile();
    f.Settle();
    f.form->close();
    QCOMPARE(f.dialogs.closeQuestions.size(), 2);
    QCOMPARE(f.processEnds, 1);
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::ClosingTest)
#include "closing_test.moc"
