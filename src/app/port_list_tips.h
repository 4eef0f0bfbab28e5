#pragma once
// The tooltips of the port list's items ("COM 1".."COM 9"): the device each
// name stands for and what the system knows of it, or "no device". Looked
// up again each time the list is about to open, so an adapter plugged in
// meanwhile shows.

#include <QObject>

class QComboBox;

namespace orvex::app {

class PortListTips : public QObject {
  Q_OBJECT

 public:
  explicit PortListTips(QComboBox* portList);
  void refresh();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QComboBox* portList_;
};

}  // namespace orvex::app
