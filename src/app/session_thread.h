#pragma once
// The window's session with the printer, on a thread of its own: a session
// host runs it, and the window is a view of it. Menu items, buttons and
// edits post calls here; what the core reports (message lines, gauge,
// symbol chooser, the setup after a load or a Clear, the preview, the port)
// goes back to the window thread as queued calls. Modal boxes and file
// dialogs the core asks for are shown on the window thread while the
// session thread waits for the answer in its loop, as a nested event loop
// would have waited. The window thread never writes to the port or sleeps.
//
// The ticket setup belongs to the session thread. The window keeps a copy
// that its widgets show and edit; each edit is posted and counted, and the
// setup comes back whole after the core changed it itself (load, Clear),
// with the count of edits it has taken in, so that the window can tell a
// copy that is behind its own edits.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/qt_ports.h"
#include "core/ports.h"
#include "core/preview/preview_plan.h"
#include "core/session.h"
#include "core/setup/setup_view.h"
#include "platform/host/port_keeper.h"
#include "platform/host/session_host.h"
#include "platform/workbook/embedded_spreadsheet.h"

namespace orvex::app {

// What happened to the port, for the status bar.
struct PortEvent {
  enum class Kind { Opened, Reopened, Failed, Awaited, Gone, BackButFailing };
  Kind kind = Kind::Opened;
  platform::PortDevice device;
  platform::PortProblem problem;
  bool watching = false;  // Gone: the tool waits for the device to come back
  // The status bar's port line and notice, made once: standard error gets
  // the same words.
  QString text;
  QString notice;
};

// What closing now would lose, as the session thread last saw it.
struct SessionStake {
  // A request going out or awaiting its reply, a logo download, Download All.
  bool transfer = false;
  // The setup differs from what it was last loaded from or saved to (or
  // from the start state before either).
  bool changed = false;
  int editsTaken = 0;  // of the window's posted edits, the ones it saw
  bool operator==(const SessionStake&) const = default;
};

// The far ends of the session's ports, on the window thread.
struct WindowSide {
  core::MessageWindow* memo = nullptr;
  core::PanelPort* panel = nullptr;
  core::PreviewPort* preview = nullptr;
  // The setup as the session holds it, with the count of posted edits it
  // has taken in.
  std::function<void(const core::TicketSetup&, int editsTaken)> showSetup;
  // A logo slot's picture (a null image: a logo of no rows); nothing: blank.
  std::function<void(int slot, const std::optional<QImage>&)> showLogo;
  std::function<void(const PortEvent&)> portChanged;
  std::function<void(const std::string& path)> workbookSaved;
  std::function<void(const SessionStake&)> stakeChanged;
};

class SessionThread : public QObject {
  Q_OBJECT

 public:
  // `window` is the context of every queued call to the window thread; it
  // must outlive this object.
  SessionThread(QObject* window, WindowSide side);
  ~SessionThread() override;

  // The session, for setting it up before start() and for the tests' own
  // look at it (through runAndWait once started).
  core::Session& session() { return session_; }
  platform::SessionHost& host() { return host_; }

  void start();
  // Ends what runs (see SessionHost::Stop), releases the port, joins the
  // thread. Safe twice.
  void stop();
  bool running() const { return started_ && !stopped_; }

  // Runs `call` on the session thread, in order.
  void post(std::function<void(core::Session&)> call);
  // An edit of the setup by the window, counted.
  void postEdit(std::function<void(core::TicketSetup&)> edit);
  int editsPosted() const { return editsPosted_; }
  // Has the setup shown again (with the edits taken in by then).
  void requestSetup();
  // Runs a save or load of the setup (true: the setup is now a file's),
  // then done(result) on the window thread, if given.
  void postStoring(std::function<bool(core::Session&)> command,
                   std::function<void(bool stored)> done = {});

  // The port.
  // Called on the session thread with each port name as the port is taken,
  // before any traffic on it.
  void setPortTaken(std::function<void(const std::string& comName)> taken) {
    portTaken_ = std::move(taken);
  }
  void openPort(const std::string& comName);
  void switchPort(const std::string& comName);

  // For tests: runs `call` on the session thread and returns once it has
  // run, handling the window's events meanwhile (the session may ask the
  // window something while it runs).
  void runAndWait(const std::function<void(core::Session&)>& call);

  // The session thread asks the window thread; for the ports.
  void later(std::function<void()> call);
  // Waits for the answer in the session's loop: replies and ticks go on,
  // calls posted meanwhile wait (the dialog is modal).
  template <class T>
  std::optional<T> askModal(std::function<T()> ask);
  // Blocks the session thread for the moment the window takes to answer.
  template <class T>
  T askNow(std::function<T()> ask, T ifStopped);

 private:
  class MemoRelay;
  class PanelRelay;
  class ViewRelay;
  class PreviewRelay;
  class PortRelay;

  void requestSetupNow();
  // Session thread: whether the setup is a stored one's, and the stake
  // told to the window when it has changed.
  void noteSetup();
  void storeSetup();
  void tellStake(bool requestBegins);

  QPointer<QObject> window_;
  WindowSide side_;
  platform::SessionHost host_;
  std::unique_ptr<MemoRelay> memo_;
  std::unique_ptr<PanelRelay> panel_;
  std::unique_ptr<ViewRelay> view_;
  std::unique_ptr<PreviewRelay> preview_;
  QtClock clock_;
  platform::workbook::EmbeddedSpreadsheet spreadsheet_;
  core::Session session_;
  std::unique_ptr<PortRelay> portRelay_;
  std::unique_ptr<platform::PortKeeper> keeper_;

  std::function<void(const std::string&)> portTaken_;  // session thread
  int editsPosted_ = 0;                                // window thread
  int editsTaken_ = 0;                                 // session thread
  std::vector<std::string> storedLines_;               // session thread: the setup as last stored
  bool setupChanged_ = false;                          // session thread
  SessionStake toldStake_;                             // session thread
  bool started_ = false;
  bool stopped_ = false;

  // Answers awaited with askNow; stop() ends the waits.
  std::mutex askMutex_;
  std::condition_variable asked_;
  bool stopping_ = false;
};

template <class T>
std::optional<T> SessionThread::askModal(std::function<T()> ask) {
  struct Answer {
    std::atomic<bool> done{false};
    T value{};
  };
  auto answer = std::make_shared<Answer>();
  later([answer, ask = std::move(ask), host = &host_] {
    answer->value = ask();
    answer->done = true;
    host->Wake();
  });
  host_.WaitForAnswer([&answer] { return answer->done.load(); });
  if (!answer->done.load()) return std::nullopt;  // stopped first
  return std::move(answer->value);
}

template <class T>
T SessionThread::askNow(std::function<T()> ask, T ifStopped) {
  struct Answer {
    bool done = false;
    T value{};
  };
  auto answer = std::make_shared<Answer>();
  later([this, answer, ask = std::move(ask)] {
    T value = ask();
    const std::lock_guard lock(askMutex_);
    answer->value = std::move(value);
    answer->done = true;
    asked_.notify_all();
  });
  std::unique_lock lock(askMutex_);
  asked_.wait(lock, [&] { return answer->done || stopping_; });
  return answer->done ? std::move(answer->value) : ifStopped;
}

}  // namespace orvex::app
