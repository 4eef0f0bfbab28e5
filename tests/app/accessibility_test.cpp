// The window through a screen reader's eyes and from the keyboard alone:
// radio items that are named radio buttons, changes made through the
// accessibility interfaces that reach the ticket setup and the bytes of the
// download, menus and the logo boxes reached by keys, and a tab order that
// follows the layout.

#include <poll.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <vector>

#include "app/about_box.h"
#include "app/image_box.h"
#include "app/preview_window.h"
#include "app_fixture.h"
#include "pty_printer.h"

namespace orvex::app {

using core::TicketKind;

namespace {

QAccessibleInterface* Accessible(QObject* object) {
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
  if (iface == nullptr) qFatal("no accessible interface for %s", qPrintable(object->objectName()));
  return iface;
}

// The first node under `root` with that role and name, as a screen reader
// walks the tree; nullptr when there is none.
QAccessibleInterface* FindInTree(QAccessibleInterface* root, QAccessible::Role role,
                                 const QString& name, int depth = 0) {
  if (root == nullptr || depth > 20) return nullptr;
  if (root->role() == role && root->text(QAccessible::Name) == name) return root;
  for (int i = 0; i < root->childCount(); ++i) {
    if (QAccessibleInterface* found = FindInTree(root->child(i), role, name, depth + 1))
      return found;
  }
  return nullptr;
}

void Toggle(QAccessibleInterface* item) {
  QVERIFY(item->actionInterface() != nullptr);
  QVERIFY(
      item->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
  item->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}

core::FormatLine Line(AppFixture& f, TicketKind kind, int line) {
  return f.Setup().Ticket(kind)[static_cast<std::size_t>(line)];
}

// A line record of the format download, as the printer reads it: attribute
// (size + 3 x (height - 1)), then the text's length and bytes, or a kind code.
std::vector<std::uint8_t> Record(std::uint8_t attribute, std::uint8_t second,
                                 const std::string& text = {}) {
  std::vector<std::uint8_t> record(26, 0x00);
  record[0] = attribute;
  record[1] = second;
  std::copy(text.begin(), text.end(), record.begin() + 2);
  return record;
}

// What a focus stop is, for the tab order: the designed name of the control
// (a radio item stands for its group, a tab bar or an inner edit for its owner).
QString StopName(QWidget* widget) {
  QWidget* w = widget;
  while (w != nullptr &&
         (w->objectName().isEmpty() || w->objectName().startsWith(QStringLiteral("qt_"))))
    w = w->parentWidget();
  return w != nullptr ? w->objectName() : QString();
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void radioItemsAreNamedRadioButtons() {
    AppFixture f;
    f.form->show();
    f.Identify(true);
    QAccessibleInterface* window = Accessible(f.form.get());

    // Found by walking the tree from the window, as a screen reader does.
    QAccessibleInterface* logo2 =
        FindInTree(window, QAccessible::RadioButton, QStringLiteral("Coin line 3, kind Logo 2"));
    QVERIFY(logo2 != nullptr);
    QCOMPARE(logo2->object(), f.form->lineEditor(TicketKind::Coin, 2).kindGroup()->item(2));
    QVERIFY(!logo2->state().checked);
    QVERIFY(logo2->state().checkable);

    const auto& payout10 = f.form->lineEditor(TicketKind::Payout, 9);
    struct Expect {
      QObject* object;
      QAccessible::Role role;
      const char* name;
    };
    const Expect expects[] = {
        {payout10.kindGroup()->item(0), QAccessible::RadioButton, "Payout line 10, kind Text"},
        {payout10.kindGroup()->item(4), QAccessible::RadioButton, "Payout line 10, kind Data"},
        {payout10.kindGroup()->item(5), QAccessible::RadioButton, "Payout line 10, kind Not used"},
        {payout10.sizeGroup()->item(2), QAccessible::RadioButton, "Payout line 10, size 3"},
        {payout10.heightGroup()->item(1), QAccessible::RadioButton, "Payout line 10, height 2"},
        {payout10.kindGroup(), QAccessible::Grouping, "Payout line 10, kind"},
        {payout10.sizeGroup(), QAccessible::Grouping, "Payout line 10, size"},
        {payout10.textBox(), QAccessible::EditableText, "Payout line 10, text"},
        {f.Find<RadioGroup>("RadioGroup91")->item(2), QAccessible::RadioButton, "symbol $"},
        {f.Find<RadioGroup>("RadioGroup91")->item(19), QAccessible::RadioButton,
         "symbol \xE2\x82\xAC"},
        {f.Find<RadioGroup>("RadioGroup92")->item(17), QAccessible::RadioButton, "symbol +"},
        {f.Find<RadioGroup>("RadioGroup91"), QAccessible::Grouping, "Symbol"},
        {f.Find<QLineEdit>("Edit11"), QAccessible::EditableText, "Coin multiplier"},
        {f.Find<QLineEdit>("Edit14"), QAccessible::EditableText, "Decimal places"},
        {f.Find<QGroupBox>("GroupBox3"), QAccessible::Grouping, "Print Status Setting"},
        {f.Find<QGroupBox>("GroupBox4"), QAccessible::Grouping, "Symbol choice, 20 symbols"},
        {f.Find<ImageBox>("Image1"), QAccessible::Button, "Logo 1 bitmap"},
        {f.form->messageWindow(), QAccessible::EditableText, "Message window"},
    };
    for (const Expect& e : expects) {
      QAccessibleInterface* iface = Accessible(e.object);
      QCOMPARE(iface->text(QAccessible::Name), QString::fromUtf8(e.name));
      QCOMPARE(iface->role(), e.role);
    }
    // The selected item says so.
    QVERIFY(Accessible(payout10.kindGroup()->item(0))->state().checked);
    QVERIFY(!Accessible(payout10.kindGroup()->item(4))->state().checked);
  }

  void changesThroughTheAccessibilityInterfacesReachTheDownload() {
    ConfigHome home;
    PtyPrinter printer(home.path());
    AppFixture f;
    f.form->show();
    QComboBox* port = f.Find<QComboBox>("ComboBox1");
    port->setCurrentIndex(2);
    emit port->activated(2);
    f.Settle();
    QCOMPARE(f.form->portName(), QStringLiteral("COM3"));
    printer.Write({0x26});  // the announcement
    const std::vector<std::uint8_t> query = printer.Read(2, 3000);
    QCOMPARE(query, (std::vector<std::uint8_t>{0x1B, 0xA0}));
    printer.Write({0x0A});  // the 20-symbol printer
    QTRY_VERIFY_WITH_TIMEOUT(f.State().identified, 3000);
    QVERIFY(f.State().wideSymbols);

    // Everything is found by walking the tree from the window.
    QAccessibleInterface* window = Accessible(f.form.get());
    QAccessibleInterface* text1 =
        FindInTree(window, QAccessible::EditableText, QStringLiteral("Coin line 1, text"));
    QAccessibleInterface* text3 =
        FindInTree(window, QAccessible::EditableText, QStringLiteral("Coin line 3, text"));
    QAccessibleInterface* size3 =
        FindInTree(window, QAccessible::RadioButton, QStringLiteral("Coin line 3, size 2"));
    QAccessibleInterface* data2 =
        FindInTree(window, QAccessible::RadioButton, QStringLiteral("Coin line 2, kind Data"));
    QAccessibleInterface* notUsed10 =
        FindInTree(window, QAccessible::RadioButton, QStringLiteral("Coin line 10, kind Not used"));
    QAccessibleInterface* dollar =
        FindInTree(window, QAccessible::RadioButton, QStringLiteral("symbol $"));
    for (QAccessibleInterface* iface : {text1, text3, size3, data2, notUsed10, dollar})
      QVERIFY(iface != nullptr);

    // Line 1: the whole text set as the box's value.
    text1->setText(QAccessible::Value, QStringLiteral("WELCOME"));
    // Line 3: typed in two goes through the editable-text interface, then
    // size 2 chosen.
    QAccessibleEditableTextInterface* line3 = text3->editableTextInterface();
    QVERIFY(line3 != nullptr);
    line3->insertText(0, QStringLiteral("24H"));
    line3->insertText(0, QStringLiteral("OPEN "));
    Toggle(size3);
    // Line 2 prints the printer's number; line 10 nothing.
    Toggle(data2);
    Toggle(notUsed10);
    // The symbol.
    Toggle(dollar);

    const auto& editor2 = f.form->lineEditor(TicketKind::Coin, 1);
    QVERIFY(editor2.textBox()->isHidden());
    QCOMPARE(editor2.caption()->text(), QStringLiteral("Print Data"));
    QVERIFY(!f.form->lineEditor(TicketKind::Coin, 9).sizeGroup()->isEnabled());
    QCOMPARE(f.form->lineEditor(TicketKind::Coin, 2).textBox()->text(), QStringLiteral("OPEN 24H"));

    // The ticket setup holds what the boxes show.
    QCOMPARE(Line(f, TicketKind::Coin, 0).text, std::string("WELCOME"));
    QCOMPARE(Line(f, TicketKind::Coin, 1).kindItem, 4);
    QCOMPARE(Line(f, TicketKind::Coin, 2).text, std::string("OPEN 24H"));
    QCOMPARE(Line(f, TicketKind::Coin, 2).sizeItem, 1);
    QCOMPARE(Line(f, TicketKind::Coin, 9).kindItem, 5);
    QCOMPARE(f.Setup().symbolItemWide, 2);

    // And the download sends it: ESC FD, the symbol, two zero bytes, ten
    // line records of 26 bytes, three zero bytes.
    std::vector<std::uint8_t> expected = {0x1B, 0xFD, '$', 0x00, 0x00};
    const auto add = [&expected](const std::vector<std::uint8_t>& record) {
      expected.insert(expected.end(), record.begin(), record.end());
    };
    add(Record(0x01, 7, "WELCOME"));
    add(Record(0x01, 0x53));  // Data, size 1, height 1
    add(Record(0x02, 8, "OPEN 24H"));
    for (int line = 4; line <= 9; ++line) add(Record(0x01, 0));
    add(Record(0x01, 0x54));  // Not used
    expected.insert(expected.end(), {0x00, 0x00, 0x00});
    QCOMPARE(expected.size(), std::size_t{268});

    f.form->menuAction(QStringLiteral("SetCoin"))->trigger();
    f.Settle();
    QCOMPARE(printer.Read(expected.size(), 5000), expected);
    printer.Write({0xAA});  // the printer takes the format
    QTRY_VERIFY_WITH_TIMEOUT(f.Lines().contains(QStringLiteral("Download coin format finished .")),
                             3000);
    f.form->close();
  }

  void textTheValidatorWouldRefuseIsNotKept() {
    AppFixture f;
    f.form->show();
    QLineEdit* box = f.form->lineEditor(TicketKind::Note, 4).textBox();
    QAccessibleInterface* iface = Accessible(box);
    iface->setText(QAccessible::Value, QStringLiteral("CAFE"));
    QCOMPARE(Line(f, TicketKind::Note, 4).text, std::string("CAFE"));

    // The value path runs the validator: Greek is refused outright.
    iface->setText(QAccessible::Value, QString::fromUtf8("\xCE\xA9"));
    QCOMPARE(box->text(), QStringLiteral("CAFE"));
    // The editable-text path runs none: the box goes back to what the line holds.
    iface->editableTextInterface()->insertText(4, QString::fromUtf8("\xCE\xA9"));
    QCOMPARE(box->text(), QStringLiteral("CAFE"));
    QCOMPARE(Line(f, TicketKind::Note, 4).text, std::string("CAFE"));
    // Windows-1252 letters are taken as their bytes.
    iface->editableTextInterface()->replaceText(0, 4, QString::fromUtf8("Caf\xC3\xA9"));
    QCOMPARE(Line(f, TicketKind::Note, 4).text, std::string("Caf\xE9"));
    // Too long: the box keeps 24 characters, and the line the same 24 bytes.
    iface->editableTextInterface()->replaceText(0, 4, QString(30, QLatin1Char('Z')));
    QCOMPARE(box->text(), QString(24, QLatin1Char('Z')));
    QCOMPARE(Line(f, TicketKind::Note, 4).text, std::string(24, 'Z'));
    iface->editableTextInterface()->deleteText(0, 20);
    QCOMPARE(Line(f, TicketKind::Note, 4).text, std::string("ZZZZ"));
  }

  void pasteAndUndoReachTheLine() {
    AppFixture f;
    f.form->show();
    QLineEdit* box = f.form->lineEditor(TicketKind::Payout, 0).textBox();
    QTest::keyClicks(box, QStringLiteral("AB"));
    QApplication::clipboard()->setText(QStringLiteral("CD"));
    box->paste();
    QCOMPARE(Line(f, TicketKind::Payout, 0).text, std::string("ABCD"));
    box->undo();
    QCOMPARE(box->text(), QStringLiteral("AB"));
    QCOMPARE(Line(f, TicketKind::Payout, 0).text, std::string("AB"));
    box->redo();
    QCOMPARE(Line(f, TicketKind::Payout, 0).text, std::string("ABCD"));
  }

  void settingsFollowTheAccessibilityInterfaces() {
    AppFixture f;
    f.form->show();
    f.Identify(false);
    // The decimal box runs its check on a change from a screen reader too.
    Accessible(f.Find<QLineEdit>("Edit14"))->setText(QAccessible::Value, QStringLiteral("7"));
    QCOMPARE(f.Setup().multipliers.decimals, std::string("7"));
    QCOMPARE(f.dialogs.messages,
             QStringList{QStringLiteral("The floating-point too large (0~3).")});
    Accessible(f.Find<QLineEdit>("Edit12"))->setText(QAccessible::Value, QStringLiteral("250"));
    QCOMPARE(f.Setup().multipliers.note, std::string("250"));

    // Check boxes toggled through the action interface.
    Toggle(Accessible(f.Find<QCheckBox>("CheckBox3")));
    QVERIFY(!f.Setup().printStatus.payout);
    Toggle(Accessible(f.Find<QCheckBox>("CheckBox4")));
    QVERIFY(!f.Setup().printStatus.symbol);
    QVERIFY(!f.Find<RadioGroup>("RadioGroup92")->isEnabled());
    Toggle(Accessible(f.Find<QCheckBox>("CheckBox4")));
    QCOMPARE(f.Setup().printStatus.Byte(), std::uint8_t{0x63});

    // The 18-symbol chooser; a toggle of the selected item changes nothing.
    RadioGroup* narrow = f.Find<RadioGroup>("RadioGroup92");
    Toggle(Accessible(narrow->item(17)));
    QCOMPARE(f.Setup().symbolItemNarrow, 17);
    QCOMPARE(core::SymbolCode(f.Setup(), false), std::uint8_t{43});
    Toggle(Accessible(narrow->item(17)));
    QCOMPARE(narrow->itemIndex(), 17);
    QVERIFY(narrow->item(17)->isChecked());
    QCOMPARE(f.Setup().symbolItemNarrow, 17);

    // A refresh from the model writes nothing back and checks nothing.
    f.dialogs.messages.clear();
    f.OnSession([](core::Session& s) {
      s.setup.multipliers.decimals = "9";
      s.setup.Ticket(TicketKind::Coin)[0].text = "FROM FILE";
      s.io.view.RefreshSetup();
    });
    QCOMPARE(f.Find<QLineEdit>("Edit14")->text(), QStringLiteral("9"));
    QCOMPARE(f.Find<QLineEdit>("Edit1")->text(), QStringLiteral("FROM FILE"));
    QVERIFY(f.dialogs.messages.isEmpty());
  }

  void keyboardReachesMenusRadioItemsAndLogoBoxes() {
    AppFixture f;
    AboutBox about;
    f.form->setAboutBox(&about);
    f.form->show();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));

    // F10 opens the first menu; Alt and a menu's initial opens that menu.
    QMenuBar* bar = f.form->menuBar();
    QTest::keyClick(f.form.get(), Qt::Key_F10);
    QTRY_VERIFY(f.Find<QMenu>("TestPrint1")->isVisible());
    QCOMPARE(bar->activeAction(), f.Find<QMenu>("TestPrint1")->menuAction());
    f.Find<QMenu>("TestPrint1")->close();
    const struct {
      Qt::Key key;
      const char* menu;
    } menus[] = {{Qt::Key_T, "TestPrint1"},     {Qt::Key_R, "Read1"},    {Qt::Key_D, "Download1"},
                 {Qt::Key_C, "Clear1"},         {Qt::Key_P, "Preview1"}, {Qt::Key_V, "ViewMenu"},
                 {Qt::Key_O, "OtherFunctions1"}};
    for (const auto& m : menus) {
      QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
      QTest::keyClick(f.form.get(), m.key, Qt::AltModifier);
      QMenu* menu = f.Find<QMenu>(m.menu);
      QTRY_VERIFY2(menu->isVisible(), m.menu);
      if (m.key != Qt::Key_O) menu->close();
    }
    // Arrow keys and Enter reach an item: Up from nothing is the last, "About".
    QMenu* other = f.Find<QMenu>("OtherFunctions1");
    QTest::keyClick(other, Qt::Key_Up);
    QCOMPARE(other->activeAction(), f.form->menuAction(QStringLiteral("N2")));
    QTest::keyClick(other, Qt::Key_Return);
    QTRY_VERIFY(about.isVisible());
    about.hide();
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));

    // Arrow keys move the choice within a group, and the model follows.
    RadioGroup* kind = f.form->lineEditor(TicketKind::Coin, 0).kindGroup();
    kind->item(0)->setFocus();
    QTest::keyClick(kind->item(0), Qt::Key_Right);
    QCOMPARE(kind->itemIndex(), 1);
    QVERIFY(kind->item(1)->hasFocus());
    QCOMPARE(Line(f, TicketKind::Coin, 0).kindItem, 1);
    QCOMPARE(f.form->lineEditor(TicketKind::Coin, 0).caption()->text(),
             QStringLiteral("Print Logo1"));
    QTest::keyClick(kind->item(1), Qt::Key_Left);
    QCOMPARE(Line(f, TicketKind::Coin, 0).kindItem, 0);

    // A logo box opens its file dialog on Space or Enter.
    ImageBox* logo = f.Find<ImageBox>("Image1");
    QVERIFY(logo->focusPolicy() & Qt::TabFocus);
    logo->setFocus();
    QTest::keyClick(logo, Qt::Key_Space);
    QTest::keyClick(logo, Qt::Key_Return);
    f.Settle();
    QCOMPARE(f.dialogs.openFilters,
             (QStringList{QStringLiteral("Bitmaps(*.bmp)"), QStringLiteral("Bitmaps(*.bmp)")}));
    // And so does a screen reader's press, from the event loop.
    Accessible(logo)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(f.dialogs.openFilters.size(), 3);
  }

  void previewClosesOnEscape() {
    AppFixture f;
    PreviewWindow preview(f.form.get());
    f.form->setPreviewWindow(&preview);
    f.form->show();
    f.Identify();
    f.form->menuAction(QStringLiteral("CoinTicket1"))->trigger();
    f.Settle();
    QVERIFY(preview.isVisible());
    QVERIFY(f.form->isMinimized());
    QTest::keyClick(&preview, Qt::Key_Escape);
    QVERIFY(!preview.isVisible());
    QVERIFY(!f.form->isMinimized());
  }

  void tabOrderFollowsTheLayout() {
    AppFixture f;
    f.form->show();
    f.Identify(true);
    QVERIFY(QTest::qWaitForWindowActive(f.form.get()));
    f.Find<QComboBox>("ComboBox1")->setFocus();
    QStringList stops;
    for (int i = 0; i < 200; ++i) {
      const QString stop = StopName(QApplication::focusWidget());
      if (i > 0 && stop == QStringLiteral("ComboBox1")) break;
      // A date picker takes a Tab per date section.
      if (stops.isEmpty() || stops.constLast() != stop) stops << stop;
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QStringList expected = {QStringLiteral("ComboBox1"), QStringLiteral("Memo1"),
                            QStringLiteral("PageControl2")};
    // Each Coin line from the top: text, kind, size, height.
    const int kinds[10] = {20, 22, 23, 24, 25, 26, 27, 28, 29, 30};
    const int heights[10] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 21};
    for (int line = 0; line < 10; ++line) {
      expected << QStringLiteral("Edit%1").arg(line + 1)
               << QStringLiteral("RadioGroup%1").arg(kinds[line])
               << QStringLiteral("RadioGroup%1").arg(line + 1)
               << QStringLiteral("RadioGroup%1").arg(heights[line]);
    }
    for (const char* name :
         {"PageControl1", "Image1", "CheckBox5", "CheckBox1", "CheckBox3", "CheckBox2", "CheckBox4",
          "RadioGroup91", "Button2", "DateTimePicker1", "DateTimePicker2", "Button4", "Edit11",
          "Edit12", "Edit13", "Edit14", "Button1", "BitBtn2"})
      expected << QString::fromUtf8(name);
    QCOMPARE(stops, expected);
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::AccessibilityTest)
#include "accessibility_test.moc"
