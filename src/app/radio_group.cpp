#include "app/radio_group.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QRadioButton>
#include <QScopedValueRollback>

namespace orvex::app {

namespace {

// A plain frame would be announced as a border; this one groups its items.
QAccessibleInterface* GroupingFactory(const QString& className, QObject* object) {
  if (className != QLatin1String(RadioGroup::staticMetaObject.className()) ||
      !object->isWidgetType())
    return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Grouping);
}

void InstallAccessibleFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(GroupingFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace

RadioGroup::RadioGroup(int itemCount, int columns, QWidget* parent)
    : QFrame(parent), columns_(columns < 1 ? 1 : columns) {
  InstallAccessibleFactory();
  setFrameStyle(QFrame::Box | QFrame::Sunken);
  setLineWidth(1);
  for (int i = 0; i < itemCount; ++i) {
    auto* button = new QRadioButton(this);
    button->setAutoExclusive(true);  // the items of one frame exclude each other
    button->setFocusPolicy(Qt::TabFocus);
    // Toggled, not clicked: a screen reader's toggle and an arrow key
    // change the choice as a mouse click does.
    connect(button, &QRadioButton::toggled, this,
            [this, i](bool checked) { followItem(i, checked); });
    items_.append(button);
  }
  updateTabStop();
  placeItems();
}

void RadioGroup::setItemIndex(int index) {
  if (index < -1 || index >= itemCount()) index = -1;
  const QScopedValueRollback quiet(settingIndex_, true);
  itemIndex_ = index;
  if (index >= 0) {
    items_[index]->setChecked(true);  // unchecks the one checked before
  } else {
    for (QRadioButton* item : items_) {
      if (!item->isChecked()) continue;
      // An auto-exclusive item refuses to be unchecked while it is the
      // checked one: "no item" is set with exclusivity off for the moment.
      item->setAutoExclusive(false);
      item->setChecked(false);
      item->setAutoExclusive(true);
    }
  }
  updateTabStop();
}

void RadioGroup::followItem(int index, bool checked) {
  // A click on the selected item changes nothing; unchecking is the other
  // half of checking another item.
  if (settingIndex_ || !checked || index == itemIndex_) return;
  itemIndex_ = index;
  updateTabStop();
  emit itemChosen(index);
}

void RadioGroup::updateTabStop() {
  // Tab stops at the selected item (the first when none is); the arrow keys
  // reach the others.
  const int stop = itemIndex_ >= 0 ? itemIndex_ : 0;
  for (int i = 0; i < itemCount(); ++i)
    items_[i]->setFocusPolicy(i == stop ? Qt::TabFocus : Qt::NoFocus);
}

void RadioGroup::setItemNames(const QStringList& names) {
  for (int i = 0; i < itemCount() && i < names.size(); ++i) items_[i]->setAccessibleName(names[i]);
}

int RadioGroup::rows() const {
  return (itemCount() + columns_ - 1) / columns_;
}

QRect RadioGroup::itemRect(int index) const {
  const int rowCount = rows() < 1 ? 1 : rows();
  const int inner = frameWidth() + 1;
  const int cellW = (width() - 2 * inner) / columns_;
  const int cellH = (height() - 2 * inner) / rowCount;
  const int column = index / rowCount;
  const int row = index % rowCount;
  const QSize hint = items_.isEmpty() ? QSize(14, 14) : items_[index]->sizeHint();
  const int w = qMin(hint.width(), cellW);
  const int h = qMin(hint.height(), cellH);
  return QRect(inner + column * cellW + (cellW - w) / 2, inner + row * cellH + (cellH - h) / 2, w,
               h);
}

void RadioGroup::placeItems() {
  for (int i = 0; i < itemCount(); ++i) items_[i]->setGeometry(itemRect(i));
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  placeItems();
}

}  // namespace orvex::app
