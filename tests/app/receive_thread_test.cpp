// The receive thread on a pseudo-terminal: bursts that come while the window
// thread is busy are framed each on its own and reach the window in order,
// and the thread can always be stopped.

#include "receive_thread.h"

#include <poll.h>
#include <unistd.h>

#include <QtTest>
#include <chrono>
#include <thread>
#include <vector>

#include "link/read_queue.h"
#include "pseudo_terminal.h"
#include "serial/serial_port.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The printer's end of a pseudo-terminal, and the tool's port on the other.
struct Line : orvex::test::PseudoTerminal {
  Line() {
    if (path.empty()) return;
    orvex::platform::PortDevice device;
    device.comName = "COM3";
    device.source = orvex::platform::PortSource::Link;
    device.device = device.path = path;
    opened = port.Open(device).ok;
  }
  ~Line() { port.Close(); }
  void Send(const Bytes& bytes) const { QVERIFY(PseudoTerminal::Send(bytes)); }
  orvex::platform::SerialPort port;
  bool opened = false;
};

// The window thread busy, handling no events (a paced send).
void Busy(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

const Bytes kRenewalStart = {0x77, 0x11, 0x05, 0x01, 0x09};
const Bytes kRenewalEnd = {0x77, 0x33, 0x05, 0x03, 0x1F};
const Bytes kFormatTaken = {0xAA};

}  // namespace

class ReceiveThreadTest : public QObject {
  Q_OBJECT

 private slots:
  void burstsThatComeWhileTheWindowIsBusyStayApart() {
    Line line;
    QVERIFY(line.opened);
    orvex::ReadQueue reads;
    QObject window;
    std::vector<Bytes> dispatched;
    int told = 0;
    ReceiveThread thread(
        line.port, reads, &window,
        [&] {
          ++told;
          while (auto read = reads.Take()) dispatched.push_back(*read);
        },
        [] {});
    thread.start();

    // 150 ms apart (more than the 50 ms gap), none handled meanwhile.
    line.Send(kRenewalStart);
    Busy(150);
    line.Send(kRenewalEnd);
    Busy(150);
    line.Send(kFormatTaken);
    Busy(150);
    QVERIFY(dispatched.empty());
    QTRY_COMPARE_WITH_TIMEOUT(dispatched.size(), std::size_t{3}, 2000);
    QCOMPARE(dispatched[0], kRenewalStart);
    QCOMPARE(dispatched[1], kRenewalEnd);
    QCOMPARE(dispatched[2], kFormatTaken);
    QCOMPARE(told, 3);

    // Bytes closer together than the gap are still one burst.
    line.Send({0x77, 0x22});
    Busy(10);
    line.Send({0x05, 0x02, 0x0A});
    QTRY_COMPARE_WITH_TIMEOUT(dispatched.size(), std::size_t{4}, 2000);
    QCOMPARE(dispatched[3], (Bytes{0x77, 0x22, 0x05, 0x02, 0x0A}));

    thread.requestStop();
    QVERIFY(thread.wait(2000));
  }

  void stopsAtOnceWhileItWaitsForRoom() {
    Line line;
    QVERIFY(line.opened);
    orvex::ReadQueue reads(1, 1000);
    QObject window;
    ReceiveThread thread(
        line.port, reads, &window, [] {}, [] {});
    thread.start();
    // The window thread takes nothing: the second burst waits for room.
    line.Send(kRenewalStart);
    Busy(150);
    line.Send(kRenewalEnd);
    Busy(150);
    QCOMPARE(reads.Size(), std::size_t{1});
    thread.requestStop();
    QVERIFY(thread.wait(2000));
    QCOMPARE(reads.Take(), std::optional<Bytes>(kRenewalStart));
  }
};

QTEST_MAIN(ReceiveThreadTest)
#include "receive_thread_test.moc"
