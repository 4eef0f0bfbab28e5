#include "radio_group.h"

#include <QRadioButton>
#include <QStyle>

RadioGroup::RadioGroup(int itemCount, int columns, QWidget* parent)
    : QFrame(parent), columns_(columns < 1 ? 1 : columns) {
  setFrameStyle(QFrame::Box | QFrame::Sunken);
  setLineWidth(1);
  for (int i = 0; i < itemCount; ++i) {
    auto* button = new QRadioButton(this);
    // Exclusivity is ours: a QButtonGroup cannot show "no item selected".
    button->setAutoExclusive(false);
    button->setFocusPolicy(Qt::TabFocus);
    connect(button, &QRadioButton::clicked, this, [this, i] { onItemClicked(i); });
    items_.append(button);
  }
  placeItems();
}

void RadioGroup::setItemIndex(int index) {
  if (index < -1 || index >= itemCount()) index = -1;
  itemIndex_ = index;
  for (int i = 0; i < itemCount(); ++i) items_[i]->setChecked(i == index);
}

void RadioGroup::onItemClicked(int index) {
  if (index == itemIndex_) {
    items_[index]->setChecked(true);  // a click on the selected item changes nothing
    return;
  }
  setItemIndex(index);
  emit clicked(index);
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
