#include "app/ticket_line_editor.h"

#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStringList>

#include "app/cp1252_validator.h"
#include "app/radio_group.h"
#include "core/text/cp1252.h"

namespace orvex::app {

namespace {

constexpr int kGroupHeight = 26;
constexpr int kEditLeft = 4;
constexpr int kEditWidth = 158;

// What the items of each group stand for, in item order.
const char* const kKindNames[core::kKindItems] = {"Text", "Logo 1",   "Logo 2",  "Logo 3",
                                                  "Data", "Not used", "Security"};

RadioGroup* MakeGroup(QWidget* page, const QString& objectName, int items, int x, int y) {
  auto* group = new RadioGroup(items, items, page);
  group->setObjectName(objectName);
  group->setGeometry(x, y, items * TicketLineEditor::kItemPitch + 4, kGroupHeight);
  group->setItemIndex(0);
  return group;
}

void NameGroup(RadioGroup* group, const QString& groupName, const QStringList& itemWords) {
  group->setAccessibleName(groupName);
  QStringList names;
  for (const QString& word : itemWords) names << groupName + QLatin1Char(' ') + word;
  group->setItemNames(names);
}

}  // namespace

TicketLineEditor::TicketLineEditor(QWidget* page, int row, core::FormatLine& line,
                                   const ObjectNames& names, const QString& lineName)
    : QObject(page), line_(line) {
  const int top = kRowTop + row * kRowPitch;

  // The caption lies under the text box and shows while the box is hidden.
  caption_ = new QLabel(page);
  caption_->setObjectName(names.caption);
  caption_->setGeometry(kEditLeft + 4, top + 5, kEditWidth - 4, 17);
  caption_->hide();

  textBox_ = new QLineEdit(page);
  textBox_->setObjectName(names.textBox);
  textBox_->setGeometry(kEditLeft, top + 3, kEditWidth, 21);
  textBox_->setMaxLength(static_cast<int>(core::kMaxTextBytes));
  textBox_->setValidator(new Cp1252Validator(core::kMaxTextBytes, textBox_));
  textBox_->setAccessibleName(lineName + QStringLiteral(", text"));
  connect(textBox_, &QLineEdit::textChanged, this, &TicketLineEditor::followText);

  kindGroup_ = MakeGroup(page, names.kindGroup, core::kKindItems, kKindLeft, top);
  sizeGroup_ = MakeGroup(page, names.sizeGroup, core::kSizeItems, kSizeLeft, top);
  heightGroup_ = MakeGroup(page, names.heightGroup, core::kHeightItems, kHeightLeft, top);
  QStringList kinds;
  for (const char* kind : kKindNames) kinds << QString::fromUtf8(kind);
  NameGroup(kindGroup_, lineName + QStringLiteral(", kind"), kinds);
  NameGroup(sizeGroup_, lineName + QStringLiteral(", size"),
            {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
  NameGroup(heightGroup_, lineName + QStringLiteral(", height"),
            {QStringLiteral("1"), QStringLiteral("2")});

  connect(kindGroup_, &RadioGroup::itemChosen, this, [this](int item) {
    line_.kindItem = item;
    applyKindRule();
    emit changed();
  });
  connect(sizeGroup_, &RadioGroup::itemChosen, this, [this](int item) {
    line_.sizeItem = item;
    emit changed();
  });
  connect(heightGroup_, &RadioGroup::itemChosen, this, [this](int item) {
    line_.heightItem = item;
    emit changed();
  });
}

void TicketLineEditor::followText(const QString& text) {
  if (refreshing_) return;
  const QByteArray utf8 = text.toUtf8();
  auto bytes = core::Utf8ToCp1252(std::string_view(utf8.constData(), utf8.size()));
  if (bytes) {
    line_.SetText(std::move(*bytes));
    emit changed();
    return;
  }
  // Typing cannot get here (the validator refuses such characters), but a
  // text set through the accessibility interface passes no validator. The
  // printer could not print it, so the box goes back to what the line holds:
  // it never shows a text that the download would not send.
  showModelText();
}

void TicketLineEditor::showModelText() {
  const QScopedValueRollback quiet(refreshing_, true);
  const QString text = QString::fromStdString(core::Cp1252ToUtf8(line_.text));
  // setText also clears the undo history: only when the text differs.
  if (textBox_->text() != text) textBox_->setText(text);
}

void TicketLineEditor::refresh() {
  showModelText();
  sizeGroup_->setItemIndex(line_.sizeItem);
  heightGroup_->setItemIndex(line_.heightItem);
  kindGroup_->setItemIndex(line_.kindItem);
  applyKindRule();
}

void TicketLineEditor::applyKindRule() {
  const core::LineAppearance look = core::KindRule(line_.kindItem);
  if (!look.textVisible) caption_->setText(QString::fromStdString(look.caption));
  textBox_->setVisible(look.textVisible);
  caption_->setVisible(!look.textVisible);
  sizeGroup_->setEnabled(look.sizeEnabled);
  heightGroup_->setEnabled(look.heightEnabled);
}

}  // namespace orvex::app
