#include "app/qt_ports.h"

#include <QDate>
#include <QLocale>

namespace orvex::app {

std::string QtClock::ShortDate(const core::CalendarDate& date) const {
  const QDate d(date.year, date.month, date.day);
  return QLocale().toString(d, QLocale::ShortFormat).toStdString();
}

char QtClock::DecimalSeparator() const {
  const QString point = QLocale().decimalPoint();
  if (point.size() == 1 && point[0].unicode() < 0x80) return point[0].toLatin1();
  return '.';
}

}  // namespace orvex::app
