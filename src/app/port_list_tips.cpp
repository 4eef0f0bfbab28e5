#include "app/port_list_tips.h"

#include <QComboBox>
#include <QEvent>

#include "platform/serial/port_names.h"

namespace orvex::app {

PortListTips::PortListTips(QComboBox* portList) : QObject(portList), portList_(portList) {
  portList_->installEventFilter(this);
  refresh();
}

void PortListTips::refresh() {
  const auto ports = platform::PortNames().All();
  for (int i = 0; i < portList_->count() && i < platform::kPortCount; ++i) {
    const QString tip =
        QString::fromStdString(platform::DescribePort(ports[static_cast<std::size_t>(i)]));
    if (portList_->itemData(i, Qt::ToolTipRole).toString() != tip)
      portList_->setItemData(i, tip, Qt::ToolTipRole);
  }
}

bool PortListTips::eventFilter(QObject* watched, QEvent* event) {
  // The list opens on a click or a key; the items are brought up to date
  // just before.
  if (watched == portList_ &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)) {
    refresh();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace orvex::app
