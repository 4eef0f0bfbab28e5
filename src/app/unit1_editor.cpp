// The ticket editor: three pages of ten lines, the legend above them, and
// the two symbol choosers. The controls are views of session_.setup.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>

#include "cp1252_validator.h"
#include "symbol_glyph.h"
#include "text/cp1252.h"
#include "unit1.h"

namespace {

using orvex::TicketKind;

// Designer numbers and members of each line's controls, per ticket.
struct LineNames {
  int edit, kind, size, height, caption;
  QLineEdit* TForm1::*editMember;
  RadioGroup* TForm1::*kindMember;
  RadioGroup* TForm1::*sizeMember;
  RadioGroup* TForm1::*heightMember;
  QLabel* TForm1::*captionMember;
};

// clang-format off
const LineNames kLineNames[3][orvex::kLinesPerTicket] = {
  {
    {1, 20, 1, 11, 14, &TForm1::Edit1, &TForm1::RadioGroup20, &TForm1::RadioGroup1, &TForm1::RadioGroup11, &TForm1::Label14},
    {2, 22, 2, 12, 15, &TForm1::Edit2, &TForm1::RadioGroup22, &TForm1::RadioGroup2, &TForm1::RadioGroup12, &TForm1::Label15},
    {3, 23, 3, 13, 16, &TForm1::Edit3, &TForm1::RadioGroup23, &TForm1::RadioGroup3, &TForm1::RadioGroup13, &TForm1::Label16},
    {4, 24, 4, 14, 17, &TForm1::Edit4, &TForm1::RadioGroup24, &TForm1::RadioGroup4, &TForm1::RadioGroup14, &TForm1::Label17},
    {5, 25, 5, 15, 18, &TForm1::Edit5, &TForm1::RadioGroup25, &TForm1::RadioGroup5, &TForm1::RadioGroup15, &TForm1::Label18},
    {6, 26, 6, 16, 19, &TForm1::Edit6, &TForm1::RadioGroup26, &TForm1::RadioGroup6, &TForm1::RadioGroup16, &TForm1::Label19},
    {7, 27, 7, 17, 20, &TForm1::Edit7, &TForm1::RadioGroup27, &TForm1::RadioGroup7, &TForm1::RadioGroup17, &TForm1::Label20},
    {8, 28, 8, 18, 21, &TForm1::Edit8, &TForm1::RadioGroup28, &TForm1::RadioGroup8, &TForm1::RadioGroup18, &TForm1::Label21},
    {9, 29, 9, 19, 22, &TForm1::Edit9, &TForm1::RadioGroup29, &TForm1::RadioGroup9, &TForm1::RadioGroup19, &TForm1::Label22},
    {10, 30, 10, 21, 23, &TForm1::Edit10, &TForm1::RadioGroup30, &TForm1::RadioGroup10, &TForm1::RadioGroup21, &TForm1::Label23},
  },
  {
    {15, 51, 31, 41, 27, &TForm1::Edit15, &TForm1::RadioGroup51, &TForm1::RadioGroup31, &TForm1::RadioGroup41, &TForm1::Label27},
    {16, 52, 32, 42, 28, &TForm1::Edit16, &TForm1::RadioGroup52, &TForm1::RadioGroup32, &TForm1::RadioGroup42, &TForm1::Label28},
    {17, 53, 33, 43, 29, &TForm1::Edit17, &TForm1::RadioGroup53, &TForm1::RadioGroup33, &TForm1::RadioGroup43, &TForm1::Label29},
    {18, 54, 34, 44, 30, &TForm1::Edit18, &TForm1::RadioGroup54, &TForm1::RadioGroup34, &TForm1::RadioGroup44, &TForm1::Label30},
    {19, 55, 35, 45, 31, &TForm1::Edit19, &TForm1::RadioGroup55, &TForm1::RadioGroup35, &TForm1::RadioGroup45, &TForm1::Label31},
    {20, 56, 36, 46, 32, &TForm1::Edit20, &TForm1::RadioGroup56, &TForm1::RadioGroup36, &TForm1::RadioGroup46, &TForm1::Label32},
    {21, 57, 37, 47, 33, &TForm1::Edit21, &TForm1::RadioGroup57, &TForm1::RadioGroup37, &TForm1::RadioGroup47, &TForm1::Label33},
    {22, 58, 38, 48, 34, &TForm1::Edit22, &TForm1::RadioGroup58, &TForm1::RadioGroup38, &TForm1::RadioGroup48, &TForm1::Label34},
    {23, 59, 39, 49, 35, &TForm1::Edit23, &TForm1::RadioGroup59, &TForm1::RadioGroup39, &TForm1::RadioGroup49, &TForm1::Label35},
    {24, 60, 40, 50, 36, &TForm1::Edit24, &TForm1::RadioGroup60, &TForm1::RadioGroup40, &TForm1::RadioGroup50, &TForm1::Label36},
  },
  {
    {25, 81, 61, 71, 37, &TForm1::Edit25, &TForm1::RadioGroup81, &TForm1::RadioGroup61, &TForm1::RadioGroup71, &TForm1::Label37},
    {26, 82, 62, 72, 38, &TForm1::Edit26, &TForm1::RadioGroup82, &TForm1::RadioGroup62, &TForm1::RadioGroup72, &TForm1::Label38},
    {27, 83, 63, 73, 39, &TForm1::Edit27, &TForm1::RadioGroup83, &TForm1::RadioGroup63, &TForm1::RadioGroup73, &TForm1::Label39},
    {28, 84, 64, 74, 40, &TForm1::Edit28, &TForm1::RadioGroup84, &TForm1::RadioGroup64, &TForm1::RadioGroup74, &TForm1::Label40},
    {29, 85, 65, 75, 41, &TForm1::Edit29, &TForm1::RadioGroup85, &TForm1::RadioGroup65, &TForm1::RadioGroup75, &TForm1::Label41},
    {30, 86, 66, 76, 42, &TForm1::Edit30, &TForm1::RadioGroup86, &TForm1::RadioGroup66, &TForm1::RadioGroup76, &TForm1::Label42},
    {31, 87, 67, 77, 43, &TForm1::Edit31, &TForm1::RadioGroup87, &TForm1::RadioGroup67, &TForm1::RadioGroup77, &TForm1::Label43},
    {32, 88, 68, 78, 44, &TForm1::Edit32, &TForm1::RadioGroup88, &TForm1::RadioGroup68, &TForm1::RadioGroup78, &TForm1::Label44},
    {33, 89, 69, 79, 45, &TForm1::Edit33, &TForm1::RadioGroup89, &TForm1::RadioGroup69, &TForm1::RadioGroup79, &TForm1::Label45},
    {34, 90, 70, 80, 46, &TForm1::Edit34, &TForm1::RadioGroup90, &TForm1::RadioGroup70, &TForm1::RadioGroup80, &TForm1::Label46},
  },
};
// clang-format on

// Row and column places on a page.
constexpr int kRowPitch = 28;
constexpr int kRowTop = 2;
constexpr int kGroupHeight = 26;
constexpr int kItemPitch = 14;
constexpr int kEditLeft = 4;
constexpr int kEditWidth = 158;
constexpr int kKindLeft = 166;
constexpr int kSizeLeft = 270;
constexpr int kHeightLeft = 318;

int GroupWidth(int items) {
  return items * kItemPitch + 4;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromUtf8(name));
  label->move(x, y);
  label->adjustSize();
  return label;
}

RadioGroup* MakeGroup(QWidget* parent, int number, int items, int x, int y) {
  auto* group = new RadioGroup(items, items, parent);
  group->setObjectName(QStringLiteral("RadioGroup%1").arg(number));
  group->setGeometry(x, y, GroupWidth(items), kGroupHeight);
  group->setItemIndex(0);
  return group;
}

}  // namespace

void TForm1::BuildTicketEditor(QWidget* client) {
  PageControl2 = new QTabWidget(client);
  PageControl2->setObjectName(QStringLiteral("PageControl2"));
  PageControl2->setGeometry(277, 34, 364, 311);
  const char* const titles[3] = {"Coin", "Note", "Payout"};
  QWidget** sheets[3] = {&TabSheet4, &TabSheet5, &TabSheet6};
  for (int t = 0; t < 3; ++t) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet%1").arg(t + 4));
    *sheets[t] = page;
    PageControl2->addTab(page, QString::fromUtf8(titles[t]));
    BuildTicketPage(page, static_cast<TicketKind>(t));
  }
  PageControl2->setCurrentIndex(0);

  // Legend and column headings over the kind, size and height groups; the
  // groups start at page x + 279 in the window.
  constexpr int kPageX = 279;
  constexpr int kLine1 = 2;
  constexpr int kLine2 = 17;
  const int kind = kPageX + kKindLeft + 2;
  const int size = kPageX + kSizeLeft + 2;
  const int height = kPageX + kHeightLeft + 2;
  Label1 = MakeLabel(client, "Label1", "T:text ; D:data ", 282, kLine1);
  Label2 = MakeLabel(client, "Label2", "N:not used ; S:security", 282, kLine2);
  Label3 = MakeLabel(client, "Label3", "T  ", kind + 3, kLine1);
  Label4 = MakeLabel(client, "Label4", "Logo", kind + kItemPitch + 4, kLine1);
  Label5 = MakeLabel(client, "Label5", "1  2  3", kind + kItemPitch + 4, kLine2);
  Label6 = MakeLabel(client, "Label6", "D N", kind + 4 * kItemPitch + 2, kLine1);
  Label7 = MakeLabel(client, "Label7", "S", kind + 6 * kItemPitch + 3, kLine1);
  Label8 = MakeLabel(client, "Label8", "Size", size + 8, kLine1);
  Label9 = MakeLabel(client, "Label9", "1   2   3", size + 3, kLine2);
  Label10 = MakeLabel(client, "Label10", "Height", height - 6, kLine1);
  Label11 = MakeLabel(client, "Label11", "1   2 ", height + 3, kLine2);
}

void TForm1::BuildTicketPage(QWidget* page, TicketKind kind) {
  const int t = static_cast<int>(kind);
  for (int line = 0; line < orvex::kLinesPerTicket; ++line) {
    const LineNames& names = kLineNames[t][line];
    const int top = kRowTop + line * kRowPitch;
    LineControls& c = lines_[static_cast<std::size_t>(t)][static_cast<std::size_t>(line)];

    // The caption lies under the text box and shows while the box is hidden.
    c.caption = new QLabel(page);
    c.caption->setObjectName(QStringLiteral("Label%1").arg(names.caption));
    c.caption->setGeometry(kEditLeft + 4, top + 5, kEditWidth - 4, 17);
    c.caption->hide();

    c.text = new QLineEdit(page);
    c.text->setObjectName(QStringLiteral("Edit%1").arg(names.edit));
    c.text->setGeometry(kEditLeft, top + 3, kEditWidth, 21);
    c.text->setMaxLength(static_cast<int>(orvex::kMaxTextBytes));
    c.text->setValidator(new Cp1252Validator(orvex::kMaxTextBytes, c.text));
    connect(c.text, &QLineEdit::textEdited, this,
            [this, kind, line](const QString& text) { OnLineTextEdited(kind, line, text); });

    c.kind = MakeGroup(page, names.kind, orvex::kKindItems, kKindLeft, top);
    c.size = MakeGroup(page, names.size, orvex::kSizeItems, kSizeLeft, top);
    c.height = MakeGroup(page, names.height, orvex::kHeightItems, kHeightLeft, top);
    connect(c.kind, &RadioGroup::clicked, this, [this, kind, line](int item) {
      session_.setup.Ticket(kind)[static_cast<std::size_t>(line)].kindItem = item;
      ApplyKindRule(kind, line);
    });
    connect(c.size, &RadioGroup::clicked, this, [this, kind, line](int item) {
      session_.setup.Ticket(kind)[static_cast<std::size_t>(line)].sizeItem = item;
    });
    connect(c.height, &RadioGroup::clicked, this, [this, kind, line](int item) {
      session_.setup.Ticket(kind)[static_cast<std::size_t>(line)].heightItem = item;
    });

    this->*names.editMember = c.text;
    this->*names.kindMember = c.kind;
    this->*names.sizeMember = c.size;
    this->*names.heightMember = c.height;
    this->*names.captionMember = c.caption;
  }
}

void TForm1::OnLineTextEdited(TicketKind kind, int line, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  auto bytes = orvex::Utf8ToCp1252(std::string_view(utf8.constData(), utf8.size()));
  // The validator lets only Windows-1252 text through; anything else would
  // be a text the printer cannot show, so the model keeps what it had.
  if (!bytes) return;
  session_.setup.Ticket(kind)[static_cast<std::size_t>(line)].SetText(std::move(*bytes));
}

void TForm1::ApplyKindRule(TicketKind kind, int line) {
  const LineControls& c = lineControls(kind, line);
  const auto& model = session_.setup.Ticket(kind)[static_cast<std::size_t>(line)];
  const orvex::LineAppearance look = orvex::KindRule(model.kindItem);
  if (!look.textVisible) c.caption->setText(QString::fromStdString(look.caption));
  c.text->setVisible(look.textVisible);
  c.caption->setVisible(!look.textVisible);
  c.size->setEnabled(look.sizeEnabled);
  c.height->setEnabled(look.heightEnabled);
}

void TForm1::BuildSymbolChoosers(QWidget* parent) {
  // Both choosers stand at the same place under "Symbol"; the printer's
  // answer to the variant query decides which one is shown.
  CheckBox4 = new QCheckBox(QStringLiteral("Symbol"), parent);
  CheckBox4->setObjectName(QStringLiteral("CheckBox4"));
  CheckBox4->move(104, 56);
  CheckBox4->adjustSize();
  CheckBox4->setChecked(true);
  connect(CheckBox4, &QCheckBox::toggled, this, &TForm1::CheckBox4Click);

  struct Chooser {
    QGroupBox** box;
    RadioGroup** group;
    const char* boxName;
    int groupNumber;
    int items;
    bool wide;
  };
  const Chooser choosers[2] = {
      {&GroupBox4, &RadioGroup91, "GroupBox4", 91, orvex::kWideSymbolItems, true},
      {&GroupBox5, &RadioGroup92, "GroupBox5", 92, orvex::kNarrowSymbolItems, false}};
  for (const Chooser& chooser : choosers) {
    auto* box = new QGroupBox(parent);
    box->setObjectName(QString::fromUtf8(chooser.boxName));
    box->setGeometry(104, 72, 281, 84);
    auto* group = new RadioGroup(chooser.items, chooser.items / 2, box);
    group->setObjectName(QStringLiteral("RadioGroup%1").arg(chooser.groupNumber));
    group->setFrameStyle(QFrame::NoFrame);
    group->setGeometry(4, 24, 273, 36);
    group->setItemIndex(0);
    const bool wide = chooser.wide;
    connect(group, &RadioGroup::clicked, this, [this, wide](int item) {
      (wide ? session_.setup.symbolItemWide : session_.setup.symbolItemNarrow) = item;
    });
    // Each item's character: above it in the upper row, below it in the lower.
    for (int i = 0; i < chooser.items; ++i) {
      const QString character = QString::fromStdString(orvex::SymbolCharacter(i, wide));
      const QImage glyph = SymbolGlyph(character);
      auto* image = new QLabel(box);
      image->setObjectName(QStringLiteral("%1Glyph%2").arg(chooser.boxName).arg(i));
      image->setPixmap(QPixmap::fromImage(glyph));
      image->setToolTip(character);
      const QRect item = group->itemRect(i).translated(group->pos());
      const int x = item.center().x() - glyph.width() / 2 + 1;
      const int y = (i % 2 == 0) ? item.top() - glyph.height() - 1 : item.bottom() + 2;
      image->setGeometry(x, y, glyph.width(), glyph.height());
    }
    *chooser.box = box;
    *chooser.group = group;
  }
}

RadioGroup* TForm1::symbolGroupInUse() const {
  return session_.state.wideSymbols ? RadioGroup91 : RadioGroup92;
}

void TForm1::CheckBox4Click() {
  session_.setup.printStatus.symbol = CheckBox4->isChecked();
  symbolGroupInUse()->setEnabled(CheckBox4->isChecked());
}

void TForm1::RefreshSetup() {
  const orvex::TicketSetup& setup = session_.setup;
  for (int t = 0; t < 3; ++t) {
    const auto kind = static_cast<TicketKind>(t);
    for (int line = 0; line < orvex::kLinesPerTicket; ++line) {
      const orvex::FormatLine& model = setup.Ticket(kind)[static_cast<std::size_t>(line)];
      const LineControls& c = lineControls(kind, line);
      const QString text = QString::fromStdString(orvex::Cp1252ToUtf8(model.text));
      if (c.text->text() != text) c.text->setText(text);  // setText is no edit: no write-back
      c.size->setItemIndex(model.sizeItem);
      c.height->setItemIndex(model.heightItem);
      c.kind->setItemIndex(model.kindItem);
      ApplyKindRule(kind, line);
    }
  }
  RadioGroup91->setItemIndex(setup.symbolItemWide);
  RadioGroup92->setItemIndex(setup.symbolItemNarrow);

  // The model already holds these values, and whoever changed it has run
  // the checks that go with the change: no write-back, no second check.
  const auto setText = [](QLineEdit* edit, const std::string& value) {
    const QString text = QString::fromStdString(value);
    const QSignalBlocker quiet(edit);
    if (edit->text() != text) edit->setText(text);
  };
  setText(Edit11, setup.multipliers.coin);
  setText(Edit12, setup.multipliers.note);
  setText(Edit13, setup.multipliers.payout);
  setText(Edit14, setup.multipliers.decimals);

  // Copied first: each box writes through to the model as it changes.
  const orvex::PrintStatus status = setup.printStatus;
  CheckBox1->setChecked(status.coin);
  CheckBox2->setChecked(status.note);
  CheckBox3->setChecked(status.payout);
  CheckBox4->setChecked(status.symbol);
  CheckBox5->setChecked(status.recordSearch);
}
