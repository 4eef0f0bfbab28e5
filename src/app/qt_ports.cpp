#include "qt_ports.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QThread>

orvex::LocalDateTime QtClock::Now() const {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

std::string QtClock::ShortDate(const orvex::CalendarDate& date) const {
  const QDate d(date.year, date.month, date.day);
  return QLocale().toString(d, QLocale::ShortFormat).toStdString();
}

char QtClock::DecimalSeparator() const {
  const QString point = QLocale().decimalPoint();
  if (point.size() == 1 && point[0].unicode() < 0x80) return point[0].toLatin1();
  return '.';
}

void QtEventPump::WaitWhile(const std::function<bool()>& condition) {
  // Every flag waited on is set on the window thread, so an event always
  // comes before it changes: no busy loop.
  while (condition()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtEventPump::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}
