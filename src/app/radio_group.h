#pragma once
// A frame of radio items without captions, laid out in columns and filled
// column by column. itemIndex -1 means no item is selected.
//
// The items are auto-exclusive, so screen readers hear radio buttons and the
// arrow keys move the choice within the group; the group is one tab stop.

#include <QFrame>
#include <QList>
#include <QStringList>

class QRadioButton;

namespace orvex::app {

class RadioGroup : public QFrame {
  Q_OBJECT

 public:
  RadioGroup(int itemCount, int columns, QWidget* parent = nullptr);

  int itemCount() const { return static_cast<int>(items_.size()); }
  int itemIndex() const { return itemIndex_; }
  // Selects an item (or none with -1) without emitting itemChosen().
  void setItemIndex(int index);

  QRadioButton* item(int index) const { return items_[index]; }
  // Where item `index` sits, in this widget's coordinates.
  QRect itemRect(int index) const;
  // What each item is, for screen readers ("Coin line 3, kind Logo 2").
  void setItemNames(const QStringList& names);

 signals:
  // Another item became the selected one, however that came about: a click,
  // an arrow key, or the accessibility interface.
  void itemChosen(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void followItem(int index, bool checked);
  void updateTabStop();
  void placeItems();
  int rows() const;

  QList<QRadioButton*> items_;
  int columns_;
  int itemIndex_ = -1;
  bool settingIndex_ = false;
};

}  // namespace orvex::app
