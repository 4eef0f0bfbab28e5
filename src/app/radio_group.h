#pragma once
// A frame of unlabeled radio items laid out in columns, filled column by
// column. itemIndex -1 means no item is selected.

#include <QFrame>
#include <QList>

class QRadioButton;

class RadioGroup : public QFrame {
  Q_OBJECT

 public:
  RadioGroup(int itemCount, int columns, QWidget* parent = nullptr);

  int itemCount() const { return static_cast<int>(items_.size()); }
  int itemIndex() const { return itemIndex_; }
  // Selects an item (or none with -1) without emitting clicked().
  void setItemIndex(int index);

  QRadioButton* item(int index) const { return items_[index]; }
  // Where item `index` sits, in this widget's coordinates.
  QRect itemRect(int index) const;

 signals:
  // The user picked another item.
  void clicked(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void onItemClicked(int index);
  void placeItems();
  int rows() const;

  QList<QRadioButton*> items_;
  int columns_;
  int itemIndex_ = -1;
};
