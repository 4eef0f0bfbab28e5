// The ticket editor: three pages of ten lines, the legend above them, and
// the two symbol choosers. The controls are views of the window's copy of
// the session's setup; each edit is posted to the session.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTabWidget>

#include "app/main_window.h"
#include "app/radio_group.h"
#include "app/symbol_glyph.h"

namespace orvex::app {

namespace {

using core::TicketKind;

// The designed numbers in the object names of each line's controls, per
// ticket: text box, kind group, size group, height group, caption. Note the
// irregular numbers of the Coin page (kind group of line 1, height group of
// line 10).
struct LineNumbers {
  int textBox, kindGroup, sizeGroup, heightGroup, caption;
};

// clang-format off
constexpr LineNumbers kLineNumbers[3][core::kLinesPerTicket] = {
  {{1, 20, 1, 11, 14}, {2, 22, 2, 12, 15}, {3, 23, 3, 13, 16}, {4, 24, 4, 14, 17},
   {5, 25, 5, 15, 18}, {6, 26, 6, 16, 19}, {7, 27, 7, 17, 20}, {8, 28, 8, 18, 21},
   {9, 29, 9, 19, 22}, {10, 30, 10, 21, 23}},
  {{15, 51, 31, 41, 27}, {16, 52, 32, 42, 28}, {17, 53, 33, 43, 29}, {18, 54, 34, 44, 30},
   {19, 55, 35, 45, 31}, {20, 56, 36, 46, 32}, {21, 57, 37, 47, 33}, {22, 58, 38, 48, 34},
   {23, 59, 39, 49, 35}, {24, 60, 40, 50, 36}},
  {{25, 81, 61, 71, 37}, {26, 82, 62, 72, 38}, {27, 83, 63, 73, 39}, {28, 84, 64, 74, 40},
   {29, 85, 65, 75, 41}, {30, 86, 66, 76, 42}, {31, 87, 67, 77, 43}, {32, 88, 68, 78, 44},
   {33, 89, 69, 79, 45}, {34, 90, 70, 80, 46}},
};
// clang-format on

const char* const kTicketNames[3] = {"Coin", "Note", "Payout"};

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

}  // namespace

std::array<TicketLineEditor*, core::kLinesPerTicket>& MainWindow::lines(TicketKind kind) {
  switch (kind) {
    case TicketKind::Coin:
      return coinLines_;
    case TicketKind::Note:
      return noteLines_;
    case TicketKind::Payout:
      break;
  }
  return payoutLines_;
}

const TicketLineEditor& MainWindow::lineEditor(TicketKind kind, int line) const {
  return *const_cast<MainWindow*>(this)->lines(kind)[static_cast<std::size_t>(line)];
}

void MainWindow::buildTicketEditor(QWidget* client) {
  ticketTabs_ = new QTabWidget(client);
  ticketTabs_->setObjectName(QStringLiteral("PageControl2"));
  ticketTabs_->setAccessibleName(QStringLiteral("Ticket formats"));
  ticketTabs_->setGeometry(277, 34, 364, 311);
  for (int t = 0; t < 3; ++t) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet%1").arg(t + 4));
    page->setAccessibleName(QStringLiteral("%1 ticket format").arg(kTicketNames[t]));
    ticketPages_[static_cast<std::size_t>(t)] = page;
    ticketTabs_->addTab(page, QString::fromUtf8(kTicketNames[t]));
    buildTicketPage(page, static_cast<TicketKind>(t));
  }
  ticketTabs_->setCurrentIndex(0);

  // Legend and column headings over the kind, size and height groups; the
  // groups start at page x + 279 in the window.
  constexpr int kPageX = 279;
  constexpr int kLine1 = 2;
  constexpr int kLine2 = 17;
  constexpr int kPitch = TicketLineEditor::kItemPitch;
  const int kind = kPageX + TicketLineEditor::kKindLeft + 2;
  const int size = kPageX + TicketLineEditor::kSizeLeft + 2;
  const int height = kPageX + TicketLineEditor::kHeightLeft + 2;
  MakeLabel(client, "Label1", "T:text ; D:data ", 282, kLine1);
  MakeLabel(client, "Label2", "N:not used ; S:security", 282, kLine2);
  MakeLabel(client, "Label3", "T  ", kind + 3, kLine1);
  MakeLabel(client, "Label4", "Logo", kind + kPitch + 4, kLine1);
  MakeLabel(client, "Label5", "1  2  3", kind + kPitch + 4, kLine2);
  MakeLabel(client, "Label6", "D N", kind + 4 * kPitch + 2, kLine1);
  MakeLabel(client, "Label7", "S", kind + 6 * kPitch + 3, kLine1);
  MakeLabel(client, "Label8", "Size", size + 8, kLine1);
  MakeLabel(client, "Label9", "1   2   3", size + 3, kLine2);
  MakeLabel(client, "Label10", "Height", height - 6, kLine1);
  MakeLabel(client, "Label11", "1   2 ", height + 3, kLine2);
}

void MainWindow::buildTicketPage(QWidget* page, TicketKind kind) {
  const int t = static_cast<int>(kind);
  auto& editors = lines(kind);
  for (int line = 0; line < core::kLinesPerTicket; ++line) {
    const LineNumbers& n = kLineNumbers[t][line];
    const TicketLineEditor::ObjectNames names{QStringLiteral("Edit%1").arg(n.textBox),
                                              QStringLiteral("RadioGroup%1").arg(n.kindGroup),
                                              QStringLiteral("RadioGroup%1").arg(n.sizeGroup),
                                              QStringLiteral("RadioGroup%1").arg(n.heightGroup),
                                              QStringLiteral("Label%1").arg(n.caption)};
    const QString lineName = QStringLiteral("%1 line %2").arg(kTicketNames[t]).arg(line + 1);
    const auto index = static_cast<std::size_t>(line);
    auto* editor =
        new TicketLineEditor(page, line, viewSetup_.Ticket(kind)[index], names, lineName);
    // The editor has written its line of the window's copy already.
    connect(editor, &TicketLineEditor::changed, this, [this, editor, kind, index] {
      if (showingSetup_) return;
      session_->postEdit([kind, index, line = editor->line()](core::TicketSetup& s) {
        s.Ticket(kind)[index] = line;
      });
    });
    editors[index] = editor;
  }
}

void MainWindow::buildSymbolChoosers(QWidget* parent) {
  // Both choosers stand at the same place under "Symbol"; the printer's
  // answer to the variant query decides which one is shown.
  printSymbolBox_ = new QCheckBox(QStringLiteral("Symbol"), parent);
  printSymbolBox_->setObjectName(QStringLiteral("CheckBox4"));
  printSymbolBox_->move(104, 56);
  printSymbolBox_->adjustSize();
  printSymbolBox_->setChecked(true);
  connect(printSymbolBox_, &QCheckBox::toggled, this, &MainWindow::setSymbolPrinting);

  struct Chooser {
    QGroupBox** box;
    RadioGroup** group;
    const char* boxName;
    const char* groupName;
    const char* accessibleName;
    int items;
    bool wide;
  };
  const Chooser choosers[2] = {
      {&wideSymbolBox_, &wideSymbolChooser_, "GroupBox4", "RadioGroup91",
       "Symbol choice, 20 symbols", core::kWideSymbolItems, true},
      {&narrowSymbolBox_, &narrowSymbolChooser_, "GroupBox5", "RadioGroup92",
       "Symbol choice, 18 symbols", core::kNarrowSymbolItems, false}};
  for (const Chooser& chooser : choosers) {
    auto* box = new QGroupBox(parent);
    box->setObjectName(QString::fromUtf8(chooser.boxName));
    box->setAccessibleName(QString::fromUtf8(chooser.accessibleName));
    box->setGeometry(104, 72, 281, 84);
    auto* group = new RadioGroup(chooser.items, chooser.items / 2, box);
    group->setObjectName(QString::fromUtf8(chooser.groupName));
    group->setAccessibleName(QStringLiteral("Symbol"));
    group->setFrameStyle(QFrame::NoFrame);
    group->setGeometry(4, 24, 273, 36);
    group->setItemIndex(0);
    const bool wide = chooser.wide;
    connect(group, &RadioGroup::itemChosen, this, [this, wide](int item) {
      postEdit([wide, item](core::TicketSetup& s) {
        (wide ? s.symbolItemWide : s.symbolItemNarrow) = item;
      });
    });
    // Each item's character: above it in the upper row, below it in the lower.
    QStringList itemNames;
    for (int i = 0; i < chooser.items; ++i) {
      const QString character = QString::fromStdString(core::SymbolCharacter(i, wide));
      itemNames << QStringLiteral("symbol ") + character;
      const QImage glyph = symbolGlyph(character);
      auto* image = new QLabel(box);
      image->setObjectName(QStringLiteral("%1Glyph%2").arg(chooser.boxName).arg(i));
      image->setPixmap(QPixmap::fromImage(glyph));
      image->setToolTip(character);
      const QRect item = group->itemRect(i).translated(group->pos());
      const int x = item.center().x() - glyph.width() / 2 + 1;
      const int y = (i % 2 == 0) ? item.top() - glyph.height() - 1 : item.bottom() + 2;
      image->setGeometry(x, y, glyph.width(), glyph.height());
    }
    group->setItemNames(itemNames);
    *chooser.box = box;
    *chooser.group = group;
  }
}

RadioGroup* MainWindow::symbolChooserInUse() const {
  return wideSymbols_ ? wideSymbolChooser_ : narrowSymbolChooser_;
}

void MainWindow::setSymbolPrinting(bool print) {
  postEdit([print](core::TicketSetup& s) { s.printStatus.symbol = print; });
  symbolChooserInUse()->setEnabled(print);
}

void MainWindow::postEdit(std::function<void(core::TicketSetup&)> edit) {
  // Showing the session's setup changes the controls, which holds nothing new.
  if (showingSetup_) return;
  edit(viewSetup_);
  session_->postEdit(std::move(edit));
}

void MainWindow::showSetup(const core::TicketSetup& shown, int editsTaken) {
  // A copy taken before edits of ours reached the session would undo them
  // on screen: ask again, and the next one has them.
  if (editsTaken < session_->editsPosted()) {
    session_->requestSetup();
    return;
  }
  viewSetup_ = shown;
  const QScopedValueRollback showing(showingSetup_, true);
  const core::TicketSetup& setup = viewSetup_;
  for (const auto kind : {TicketKind::Coin, TicketKind::Note, TicketKind::Payout}) {
    for (TicketLineEditor* line : lines(kind)) line->refresh();
  }
  wideSymbolChooser_->setItemIndex(setup.symbolItemWide);
  narrowSymbolChooser_->setItemIndex(setup.symbolItemNarrow);

  // The model already holds these values, and whoever changed it has run
  // the checks that go with the change: no write-back, no second check.
  const auto setText = [](QLineEdit* edit, const std::string& value) {
    const QString text = QString::fromStdString(value);
    const QSignalBlocker quiet(edit);
    if (edit->text() != text) edit->setText(text);
  };
  setText(coinMultiplierBox_, setup.multipliers.coin);
  setText(noteMultiplierBox_, setup.multipliers.note);
  setText(payoutMultiplierBox_, setup.multipliers.payout);
  setText(decimalPlacesBox_, setup.multipliers.decimals);

  const core::PrintStatus status = setup.printStatus;
  printCoinBox_->setChecked(status.coin);
  printNoteBox_->setChecked(status.note);
  printPayoutBox_->setChecked(status.payout);
  printSymbolBox_->setChecked(status.symbol);
  printRecordSearchBox_->setChecked(status.recordSearch);
}

}  // namespace orvex::app
