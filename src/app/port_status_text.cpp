#include "port_status_text.h"

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString Sentence(const orvex::platform::PortProblem& problem) {
  return Q(orvex::platform::PortProblemText(problem));
}

}  // namespace

QString portOpenText(const orvex::platform::PortDevice& port) {
  return Q(port.comName) + QStringLiteral("  ") + Q(port.device) +
         QStringLiteral("  38400 8N1  open");
}

QString portFailedText(const orvex::platform::PortDevice& port,
                       const orvex::platform::PortProblem& problem) {
  return Q(port.comName) + QStringLiteral("  can't open: ") + Sentence(problem);
}

QString portAwaitedText(const orvex::platform::PortDevice& port,
                        const orvex::platform::PortProblem& problem) {
  orvex::platform::PortProblem awaited = problem;
  awaited.fix = orvex::platform::AwaitingFix(port);
  // The list stays locked for the run, as designed.
  return portFailedText(port, awaited) + QStringLiteral(" ") + portChoiceLockedText();
}

QString portChoiceLockedText() {
  return QStringLiteral("To choose another port, restart the tool.");
}

QString portGoneText(const orvex::platform::PortDevice& port, bool watching) {
  const QString head = Q(port.comName) + QStringLiteral("  ") + Q(port.device) +
                       QStringLiteral("  gone: unplugged or switched off. ");
  if (!watching) return head + QStringLiteral("Plug it back in and restart the tool.");
  return head + QStringLiteral("Plug it back in: the tool opens it again by itself.");
}

QString portBackButFailingText(const orvex::platform::PortDevice& port,
                               const orvex::platform::PortProblem& problem) {
  return Q(port.comName) + QStringLiteral("  back, but can't open: ") + Sentence(problem) +
         QStringLiteral(" The tool keeps watching for it.");
}

QString portBackNotice(const orvex::platform::PortDevice& port) {
  return Q(port.comName) + QStringLiteral(" is back: ") + Q(port.device) +
         QStringLiteral(" opened again, 38400 8N1.");
}

QString portDetails(const orvex::platform::PortDevice& port,
                    const orvex::platform::PortProblem& problem) {
  QString text;
  if (!problem.cause.empty()) text = Sentence(problem);
  if (!problem.more.empty()) text += QStringLiteral("\n") + Q(problem.more);
  if (port.present()) {
    if (!text.isEmpty()) text += QStringLiteral("\n\n");
    text += Q(port.comName) + QStringLiteral(": ") + Q(orvex::platform::DescribePort(port));
  }
  return text;
}
