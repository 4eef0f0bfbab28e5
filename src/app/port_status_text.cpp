#include "app/port_status_text.h"

namespace orvex::app {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString Sentence(const platform::PortProblem& problem) {
  return Q(platform::PortProblemText(problem));
}

// Raw TCP leaves the line to the device server; RFC 2217 sets it.
bool ServerSetsLine(const platform::PortDevice& port) {
  return port.isAddress() && port.address.mode == platform::NetMode::RawTcp;
}

QString LineSettings(const platform::PortDevice& port) {
  return ServerSetsLine(port) ? QStringLiteral("device server's line settings")
                              : QStringLiteral("38400 8N1");
}

}  // namespace

QString portOpenText(const platform::PortDevice& port) {
  return Q(port.comName) + QStringLiteral("  ") + Q(port.device) + QStringLiteral("  ") +
         LineSettings(port) + QStringLiteral("  open");
}

QString portFailedText(const platform::PortDevice& port, const platform::PortProblem& problem) {
  const QString verb =
      port.isAddress() ? QStringLiteral("  can't connect: ") : QStringLiteral("  can't open: ");
  return Q(port.comName) + verb + Sentence(problem);
}

QString portAwaitedText(const platform::PortDevice& port, const platform::PortProblem& problem) {
  // The list stays locked for the run, as designed.
  const QString locked = QStringLiteral(" ") + portChoiceLockedText();
  // For an address the keeper's fix says when it tries again.
  if (port.isAddress()) return portFailedText(port, problem) + locked;
  platform::PortProblem awaited = problem;
  awaited.fix = platform::AwaitingFix(port);
  return portFailedText(port, awaited) + locked;
}

QString portChoiceLockedText() {
  return QStringLiteral("To choose another port, restart the tool.");
}

QString portGoneText(const platform::PortDevice& port, bool watching) {
  if (port.isAddress()) {
    return Q(port.comName) + QStringLiteral("  ") + Q(port.device) +
           QStringLiteral(
               "  connection lost: the device server closed it or cannot be reached. "
               "The tool connects again by itself.");
  }
  const QString head = Q(port.comName) + QStringLiteral("  ") + Q(port.device) +
                       QStringLiteral("  gone: unplugged or switched off. ");
  if (!watching) return head + QStringLiteral("Plug it back in and restart the tool.");
  return head + QStringLiteral("Plug it back in: the tool opens it again by itself.");
}

QString portBackButFailingText(const platform::PortDevice& port,
                               const platform::PortProblem& problem) {
  if (port.isAddress()) {
    return Q(port.comName) + QStringLiteral("  can't connect again: ") + Sentence(problem);
  }
  return Q(port.comName) + QStringLiteral("  back, but can't open: ") + Sentence(problem) +
         QStringLiteral(" The tool keeps watching for it.");
}

QString portBackNotice(const platform::PortDevice& port) {
  if (port.isAddress()) {
    return Q(port.comName) + QStringLiteral(" is back: ") + Q(port.device) +
           (ServerSetsLine(port) ? QStringLiteral(" connected again.")
                                 : QStringLiteral(" connected again, 38400 8N1."));
  }
  return Q(port.comName) + QStringLiteral(" is back: ") + Q(port.device) +
         QStringLiteral(" opened again, 38400 8N1.");
}

QString portDetails(const platform::PortDevice& port, const platform::PortProblem& problem) {
  QString text;
  if (!problem.cause.empty()) text = Sentence(problem);
  if (!problem.more.empty()) text += QStringLiteral("\n") + Q(problem.more);
  if (port.present()) {
    if (!text.isEmpty()) text += QStringLiteral("\n\n");
    text += Q(port.comName) + QStringLiteral(": ") + Q(platform::DescribePort(port));
  }
  return text;
}

}  // namespace orvex::app
