// The ticket editor, the settings boxes and the symbol choosers as views of
// the ticket setup: edits write through, the kind rule shows and hides, and
// a model change (Clear, a refresh) comes back into the widgets.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "app_fixture.h"
#include "core/formats/clear_formats.h"
#include "core/link/link_control.h"
#include "core/link/reply_dispatcher.h"

namespace orvex::app {

using core::TicketKind;

namespace {

core::FormatLine Model(AppFixture& f, TicketKind kind, int line) {
  return f.Setup().Ticket(kind)[static_cast<std::size_t>(line)];
}

// A key that has no ASCII name, typed as its text.
void TypeCharacter(QWidget* widget, const QString& text) {
  QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, text, Qt::NoModifier);
  QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, text, Qt::NoModifier);
}

}  // namespace

class TicketEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithTenEmptyTextLinesPerTicket() {
    AppFixture f;
    for (int t = 0; t < 3; ++t) {
      for (int line = 0; line < 10; ++line) {
        const auto& c = f.form->lineEditor(static_cast<TicketKind>(t), line);
        QCOMPARE(c.kindGroup()->itemCount(), 7);
        QCOMPARE(c.sizeGroup()->itemCount(), 3);
        QCOMPARE(c.heightGroup()->itemCount(), 2);
        QCOMPARE(c.kindGroup()->itemIndex(), 0);
        QCOMPARE(c.sizeGroup()->itemIndex(), 0);
        QCOMPARE(c.heightGroup()->itemIndex(), 0);
        QVERIFY(!c.textBox()->isHidden());
        QVERIFY(c.caption()->isHidden());
        QVERIFY(c.textBox()->text().isEmpty());
      }
    }
    // The irregular names of the Coin page.
    QCOMPARE(f.form->lineEditor(TicketKind::Coin, 0).kindGroup(),
             f.Find<RadioGroup>("RadioGroup20"));
    QCOMPARE(f.form->lineEditor(TicketKind::Coin, 9).heightGroup(),
             f.Find<RadioGroup>("RadioGroup21"));
    QCOMPARE(f.form->lineEditor(TicketKind::Note, 0).textBox(), f.Find<QLineEdit>("Edit15"));
    QCOMPARE(f.form->lineEditor(TicketKind::Payout, 9).caption(), f.Find<QLabel>("Label46"));
  }

  void logoKindHidesTheTextAndBringsItBack() {
    AppFixture f;
    f.form->show();
    const auto& c = f.form->lineEditor(TicketKind::Coin, 0);
    QTest::keyClicks(c.textBox(), QStringLiteral("ABC"));
    QCOMPARE(Model(f, TicketKind::Coin, 0).text, std::string("ABC"));

    ClickItem(c.kindGroup(), 2);
    QCOMPARE(Model(f, TicketKind::Coin, 0).kindItem, 2);
    QVERIFY(c.textBox()->isHidden());
    QVERIFY(!c.caption()->isHidden());
    QCOMPARE(c.caption()->text(), QStringLiteral("Print Logo2"));
    QVERIFY(!c.sizeGroup()->isEnabled());
    QVERIFY(c.heightGroup()->isEnabled());
    QCOMPARE(Model(f, TicketKind::Coin, 0).text, std::string("ABC"));

    ClickItem(c.kindGroup(), 0);
    QVERIFY(!c.textBox()->isHidden());
    QVERIFY(c.caption()->isHidden());
    QCOMPARE(c.textBox()->text(), QStringLiteral("ABC"));
    QVERIFY(c.sizeGroup()->isEnabled());
  }

  void everyKindGetsItsCaptionAndGroups() {
    AppFixture f;
    f.form->show();
    const auto& c = f.form->lineEditor(TicketKind::Note, 4);
    struct Expect {
      int item;
      const char* caption;
      bool size, height;
    };
    const Expect expects[] = {{1, "Print Logo1", false, true},
                              {3, "Print Logo3", false, true},
                              {4, "Print Data", true, true},
                              {5, "Not used", false, false},
                              {6, "Security", true, true}};
    for (const Expect& e : expects) {
      ClickItem(c.kindGroup(), e.item);
      QCOMPARE(c.caption()->text(), QString::fromUtf8(e.caption));
      QVERIFY(c.textBox()->isHidden());
      QCOMPARE(c.sizeGroup()->isEnabled(), e.size);
      QCOMPARE(c.heightGroup()->isEnabled(), e.height);
    }
  }

  void notUsedDisablesBothGroupsKeepingTheirItems() {
    AppFixture f;
    f.form->show();
    const auto& c = f.form->lineEditor(TicketKind::Payout, 7);
    ClickItem(c.sizeGroup(), 2);
    ClickItem(c.heightGroup(), 1);
    QCOMPARE(Model(f, TicketKind::Payout, 7).sizeItem, 2);
    QCOMPARE(Model(f, TicketKind::Payout, 7).heightItem, 1);
    ClickItem(c.kindGroup(), 5);
    QVERIFY(!c.sizeGroup()->isEnabled());
    QVERIFY(!c.heightGroup()->isEnabled());
    QCOMPARE(c.sizeGroup()->itemIndex(), 2);
    QCOMPARE(c.heightGroup()->itemIndex(), 1);
    // Clicks on a disabled group change nothing.
    ClickItem(c.sizeGroup(), 0);
    QCOMPARE(c.sizeGroup()->itemIndex(), 2);
    QCOMPARE(Model(f, TicketKind::Payout, 7).sizeItem, 2);
  }

  void clickOnTheSelectedItemChangesNothing() {
    AppFixture f;
    f.form->show();
    RadioGroup* group = f.Find<RadioGroup>("RadioGroup23");
    QSignalSpy spy(group, &RadioGroup::itemChosen);
    ClickItem(group, 0);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(group->itemIndex(), 0);
    QVERIFY(group->item(0)->isChecked());
    ClickItem(group, 4);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 4);
    for (int i = 0; i < 7; ++i) QCOMPARE(group->item(i)->isChecked(), i == 4);
  }

  void radioGroupCanShowNoSelection() {
    RadioGroup group(7, 7);
    group.setItemIndex(3);
    group.setItemIndex(-1);
    QCOMPARE(group.itemIndex(), -1);
    for (int i = 0; i < 7; ++i) QVERIFY(!group.item(i)->isChecked());
    group.setItemIndex(9);  // out of range reads as none
    QCOMPARE(group.itemIndex(), -1);
  }

  void textBoxTakesAtMost24Windows1252Bytes() {
    AppFixture f;
    f.form->show();
    QLineEdit* edit = f.Find<QLineEdit>("Edit25");
    QTest::keyClicks(edit, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWX"));
    QCOMPARE(edit->text().size(), 24);
    QTest::keyClicks(edit, QStringLiteral("Y"));
    QCOMPARE(edit->text(), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWX"));
    QCOMPARE(Model(f, TicketKind::Payout, 0).text, std::string("ABCDEFGHIJKLMNOPQRSTUVWX"));

    QLineEdit* other = f.Find<QLineEdit>("Edit26");
    QTest::keyClicks(other, QStringLiteral("5 "));
    TypeCharacter(other, QString::fromUtf8("\xE2\x82\xAC"));  // the euro sign is 0x80
    QCOMPARE(Model(f, TicketKind::Payout, 1).text, std::string("5 \x80"));
    TypeCharacter(other, QString::fromUtf8("\xCE\xA9"));  // Greek omega: not in the code page
    QCOMPARE(other->text(), QString::fromUtf8("5 \xE2\x82\xAC"));
    QCOMPARE(Model(f, TicketKind::Payout, 1).text, std::string("5 \x80"));
  }

  void clearResetsOneTicketAndRefreshesItsWidgets() {
    AppFixture f;
    f.form->show();
    f.Identify();
    for (const auto kind : {TicketKind::Coin, TicketKind::Note}) {
      const auto& c = f.form->lineEditor(kind, 3);
      QTest::keyClicks(c.textBox(), QStringLiteral("TOTAL"));
      ClickItem(c.sizeGroup(), 2);
      ClickItem(c.heightGroup(), 1);
      ClickItem(c.kindGroup(), 5);
    }
    f.form->menuAction(QStringLiteral("CoinTicketFormat1"))->trigger();
    f.Settle();
    for (int line = 0; line < 10; ++line) {
      const auto& c = f.form->lineEditor(TicketKind::Coin, line);
      QCOMPARE(c.kindGroup()->itemIndex(), 0);
      QCOMPARE(c.sizeGroup()->itemIndex(), 0);
      QCOMPARE(c.heightGroup()->itemIndex(), 0);
      QVERIFY(c.textBox()->text().isEmpty());
      QVERIFY(!c.textBox()->isHidden());
      QVERIFY(c.sizeGroup()->isEnabled());
      QVERIFY(c.heightGroup()->isEnabled());
    }
    const auto& note = f.form->lineEditor(TicketKind::Note, 3);
    QCOMPARE(note.kindGroup()->itemIndex(), 5);
    QCOMPARE(note.textBox()->text(), QStringLiteral("TOTAL"));
    QCOMPARE(Model(f, TicketKind::Note, 3).sizeItem, 2);
  }

  void clearBeforeIdentificationChangesNothing() {
    AppFixture f;
    f.form->show();
    const auto& c = f.form->lineEditor(TicketKind::Payout, 0);
    QTest::keyClicks(c.textBox(), QStringLiteral("X"));
    ClickItem(c.kindGroup(), 4);
    f.form->menuAction(QStringLiteral("PayoutTicketFormat1"))->trigger();
    f.form->menuAction(QStringLiteral("All1"))->trigger();
    f.Settle();
    QCOMPARE(c.kindGroup()->itemIndex(), 4);
    QCOMPARE(c.caption()->text(), QStringLiteral("Print Data"));
    QCOMPARE(Model(f, TicketKind::Payout, 0).text, std::string("X"));
  }

  void refreshReadsEveryControlFromTheModel() {
    AppFixture f;
    f.OnSession([](core::Session& s) {
      core::TicketSetup& setup = s.setup;
      auto& line = setup.Ticket(TicketKind::Note)[2];
      line.text = "Caf\xE9";  // Windows-1252 e acute
      line.kindItem = 6;
      line.sizeItem = 1;
      line.heightItem = 1;
      setup.Ticket(TicketKind::Coin)[9].kindItem = -1;
      setup.symbolItemWide = 17;
      setup.symbolItemNarrow = 5;
      setup.multipliers.coin = "1000";
      setup.multipliers.decimals = "2";
      setup.printStatus.note = false;
      setup.printStatus.recordSearch = false;
      s.io.view.RefreshSetup();
    });

    const auto& c = f.form->lineEditor(TicketKind::Note, 2);
    QCOMPARE(c.textBox()->text(), QString::fromUtf8("Caf\xC3\xA9"));
    QCOMPARE(c.kindGroup()->itemIndex(), 6);
    QCOMPARE(c.caption()->text(), QStringLiteral("Security"));
    QVERIFY(c.textBox()->isHidden());
    QCOMPARE(c.sizeGroup()->itemIndex(), 1);
    QCOMPARE(f.Find<RadioGroup>("RadioGroup30")->itemIndex(), -1);
    QCOMPARE(f.Find<RadioGroup>("RadioGroup91")->itemIndex(), 17);
    QCOMPARE(f.Find<RadioGroup>("RadioGroup92")->itemIndex(), 5);
    QCOMPARE(f.Find<QLineEdit>("Edit11")->text(), QStringLiteral("1000"));
    QCOMPARE(f.Find<QLineEdit>("Edit14")->text(), QStringLiteral("2"));
    QVERIFY(!f.Find<QCheckBox>("CheckBox2")->isChecked());
    QVERIFY(!f.Find<QCheckBox>("CheckBox5")->isChecked());
    QVERIFY(f.Find<QCheckBox>("CheckBox1")->isChecked());
    QVERIFY(f.dialogs.messages.isEmpty());
  }

  void settingsBoxesWriteThrough() {
    AppFixture f;
    f.form->show();
    f.Find<QLineEdit>("Edit12")->selectAll();
    QTest::keyClicks(f.Find<QLineEdit>("Edit12"), QStringLiteral("250"));
    QCOMPARE(f.Setup().multipliers.note, std::string("250"));
    QTest::mouseClick(f.Find<QCheckBox>("CheckBox3"), Qt::LeftButton);
    QTest::mouseClick(f.Find<QCheckBox>("CheckBox5"), Qt::LeftButton);
    QCOMPARE(f.Setup().printStatus.Byte(), std::uint8_t{0x23});
  }

  void decimalBoxChecksItsRangeOnEveryChange() {
    AppFixture f;
    f.form->show();
    f.Find<QLineEdit>("Edit14")->selectAll();
    QTest::keyClicks(f.Find<QLineEdit>("Edit14"), QStringLiteral("7"));
    QCOMPARE(f.Setup().multipliers.decimals, std::string("7"));
    QCOMPARE(f.dialogs.messages,
             QStringList{QStringLiteral("The floating-point too large (0~3).")});
    f.Find<QLineEdit>("Edit14")->clear();  // an empty box says nothing
    f.Settle();
    QCOMPARE(f.dialogs.messages.size(), 1);
    QTest::keyClicks(f.Find<QLineEdit>("Edit14"), QStringLiteral("3"));
    f.Settle();
    QCOMPARE(f.dialogs.messages.size(), 1);
  }

  void symbolChoosersCarryTheirItemsAndPictures() {
    AppFixture f;
    QCOMPARE(f.Find<RadioGroup>("RadioGroup91")->itemCount(), 20);
    QCOMPARE(f.Find<RadioGroup>("RadioGroup92")->itemCount(), 18);
    QCOMPARE(f.Find<RadioGroup>("RadioGroup91")->itemIndex(), 0);
    QCOMPARE(f.Find<RadioGroup>("RadioGroup92")->itemIndex(), 0);
    // Ten columns of two: item 2 is right of item 0, item 1 below it.
    const QRect i0 = f.Find<RadioGroup>("RadioGroup91")->itemRect(0);
    QVERIFY(f.Find<RadioGroup>("RadioGroup91")->itemRect(1).top() > i0.top());
    QCOMPARE(f.Find<RadioGroup>("RadioGroup91")->itemRect(1).left(), i0.left());
    QVERIFY(f.Find<RadioGroup>("RadioGroup91")->itemRect(2).left() > i0.left());
    QCOMPARE(f.Find<RadioGroup>("RadioGroup91")->itemRect(2).top(), i0.top());
    const QList<QLabel*> glyphs =
        f.Find<QGroupBox>("GroupBox4")
            ->findChildren<QLabel*>(QRegularExpression(QStringLiteral("Glyph")));
    QCOMPARE(glyphs.size(), 20);
    for (QLabel* glyph : glyphs) {
      const bool wide =
          glyph->toolTip() == QStringLiteral("%") || glyph->toolTip() == QStringLiteral("@");
      QCOMPARE(glyph->size(), QSize(wide ? 10 : 8, 13));
      // Monochrome: black and white only, and the character is drawn.
      const QImage image = glyph->pixmap().toImage();
      int black = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          const QRgb p = image.pixel(x, y);
          QVERIFY(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255));
          black += p == qRgb(0, 0, 0) ? 1 : 0;
        }
      }
      QVERIFY2(black > 0, qPrintable(glyph->toolTip()));
    }
    QLabel* euro =
        f.Find<QGroupBox>("GroupBox4")->findChild<QLabel*>(QStringLiteral("GroupBox4Glyph19"));
    QCOMPARE(euro->toolTip(), QString::fromUtf8("\xE2\x82\xAC"));
    // Upper row pictures above their item, lower row below.
    const QRect item0 = f.Find<RadioGroup>("RadioGroup91")
                            ->itemRect(0)
                            .translated(f.Find<RadioGroup>("RadioGroup91")->pos());
    const QRect item1 = f.Find<RadioGroup>("RadioGroup91")
                            ->itemRect(1)
                            .translated(f.Find<RadioGroup>("RadioGroup91")->pos());
    QVERIFY(f.Find<QGroupBox>("GroupBox4")
                ->findChild<QLabel*>(QStringLiteral("GroupBox4Glyph0"))
                ->geometry()
                .bottom() < item0.top());
    QVERIFY(f.Find<QGroupBox>("GroupBox4")
                ->findChild<QLabel*>(QStringLiteral("GroupBox4Glyph1"))
                ->geometry()
                .top() > item1.bottom());
    QCOMPARE(f.Find<QGroupBox>("GroupBox5")
                 ->findChildren<QLabel*>(QRegularExpression(QStringLiteral("Glyph")))
                 .size(),
             18);
  }

  void symbolChoiceWritesThroughAndCheckBoxEnablesTheGroupInUse() {
    AppFixture f;
    f.form->show();
    f.Identify(true);
    ClickItem(f.Find<RadioGroup>("RadioGroup91"), 17);
    QCOMPARE(f.Setup().symbolItemWide, 17);
    QCOMPARE(core::SymbolCode(f.Setup(), true), std::uint8_t{131});
    QTest::mouseClick(f.Find<QCheckBox>("CheckBox4"), Qt::LeftButton);
    QVERIFY(!f.Setup().printStatus.symbol);
    QVERIFY(!f.Find<RadioGroup>("RadioGroup91")->isEnabled());
    QVERIFY(f.Find<RadioGroup>("RadioGroup92")->isEnabled());
    QTest::mouseClick(f.Find<QCheckBox>("CheckBox4"), Qt::LeftButton);
    QVERIFY(f.Find<RadioGroup>("RadioGroup91")->isEnabled());
  }

  void variantReplyShowsTheMatchingChooser() {
    AppFixture f;
    const auto dispatch = [&f](std::vector<std::uint8_t> read) {
      f.OnSession([&read](core::Session& s) { core::ReplyDispatcher(s, read); });
    };
    dispatch({0x26});
    QCOMPARE(f.form->messageWindow()->lineText(0), QStringLiteral("Orvex is online ."));
    QVERIFY(f.TimerOn(core::TimerId::VariantWait));
    QVERIFY(f.Find<QGroupBox>("GroupBox4")->isHidden());
    dispatch({0x0A});
    QVERIFY(!f.Find<QGroupBox>("GroupBox4")->isHidden());
    QVERIFY(f.Find<QGroupBox>("GroupBox5")->isHidden());
    QVERIFY(f.Find<QCheckBox>("CheckBox4")->isEnabled());
    QVERIFY(!f.TimerOn(core::TimerId::VariantWait));
    QVERIFY(f.State().identified);
    QCOMPARE(f.form->messageWindow()->LineCount(), 1);
  }

  void silentPrinterGetsThe18SymbolChooserAfterFourTicks() {
    AppFixture f;
    const auto onSession = [&f](void (*what)(core::Session&)) { f.OnSession(what); };
    onSession([](core::Session& s) {
      const std::uint8_t announce[] = {0x26};
      core::ReplyDispatcher(s, announce);
      for (int tick = 0; tick < 3; ++tick) core::VariantWaitTick(s);
    });
    QVERIFY(f.Find<QGroupBox>("GroupBox5")->isHidden());
    onSession(core::VariantWaitTick);
    QVERIFY(!f.Find<QGroupBox>("GroupBox5")->isHidden());
    QVERIFY(f.Find<QGroupBox>("GroupBox4")->isHidden());
    QVERIFY(f.Find<QCheckBox>("CheckBox4")->isEnabled());
    QVERIFY(f.State().identified);
  }

  void formatFileRoundTripsThroughTheWidgets() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shop.orx"));
    AppFixture f;
    f.form->show();
    f.Identify(true);
    QTest::keyClicks(f.Find<QLineEdit>("Edit3"), QStringLiteral("OPEN 24H"));
    ClickItem(f.Find<RadioGroup>("RadioGroup55"), 4);
    ClickItem(f.Find<RadioGroup>("RadioGroup91"), 6);
    f.Find<QLineEdit>("Edit11")->selectAll();
    QTest::keyClicks(f.Find<QLineEdit>("Edit11"), QStringLiteral("250"));
    QTest::mouseClick(f.Find<QCheckBox>("CheckBox2"), Qt::LeftButton);
    f.OnSession([](core::Session& s) {
      s.setup.multipliers.decimals = "7";
      s.io.view.RefreshSetup();
    });
    QCOMPARE(f.Find<QLineEdit>("Edit14")->text(), QStringLiteral("7"));
    QVERIFY(f.dialogs.messages.isEmpty());  // a refresh runs no check

    f.dialogs.saveAnswers << path;
    f.form->menuAction(QStringLiteral("SaveTicketFormat1"))->trigger();
    f.Settle();
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Save finished.")});
    QVERIFY(QFile::exists(path));

    f.form->menuAction(QStringLiteral("CoinTicketFormat1"))->trigger();
    f.form->menuAction(QStringLiteral("NoteTicketFormat1"))->trigger();
    f.Settle();
    ClickItem(f.Find<RadioGroup>("RadioGroup91"), 0);
    f.Find<QLineEdit>("Edit11")->setText(QStringLiteral("1"));
    f.Find<QLineEdit>("Edit14")->setText(QStringLiteral("1"));
    QTest::mouseClick(f.Find<QCheckBox>("CheckBox2"), Qt::LeftButton);
    f.Settle();
    QVERIFY(f.Find<QLineEdit>("Edit3")->text().isEmpty());
    f.dialogs.messages.clear();

    f.dialogs.openAnswers << path;
    f.form->menuAction(QStringLiteral("LoadTicketFormat1"))->trigger();
    f.Settle();
    // The decimal check runs once, as for a typed 7, then the load ends.
    QCOMPARE(f.dialogs.messages, (QStringList{QStringLiteral("The floating-point too large (0~3)."),
                                              QStringLiteral("Load finished.")}));
    QCOMPARE(f.Find<QLineEdit>("Edit3")->text(), QStringLiteral("OPEN 24H"));
    QCOMPARE(f.Find<RadioGroup>("RadioGroup55")->itemIndex(), 4);
    QCOMPARE(f.Find<QLabel>("Label31")->text(), QStringLiteral("Print Data"));
    QVERIFY(f.Find<QLineEdit>("Edit19")->isHidden());
    QCOMPARE(f.Find<RadioGroup>("RadioGroup91")->itemIndex(), 6);
    QCOMPARE(f.Find<QLineEdit>("Edit11")->text(), QStringLiteral("250"));
    QCOMPARE(f.Find<QLineEdit>("Edit14")->text(), QStringLiteral("7"));
    QVERIFY(!f.Find<QCheckBox>("CheckBox2")->isChecked());
    QCOMPARE(f.dialogs.openFilters, QStringList{QStringLiteral("Orvex Files(*.orx)")});
    QCOMPARE(f.dialogs.saveSuffixes, QStringList{QStringLiteral("orx")});
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::TicketEditorTest)
#include "ticket_editor_test.moc"
