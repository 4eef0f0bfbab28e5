#include "app/session_thread.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <iostream>

#include "app/logo_picture.h"
#include "app/port_status_text.h"
#include "core/formatfile/format_file.h"

namespace orvex::app {

// ---- the ports, on the session thread ----

// The message window: lines go to the window in order; the count is asked
// for, since the operator may have typed lines of their own there.
class SessionThread::MemoRelay : public core::MessageWindow {
 public:
  explicit MemoRelay(SessionThread& owner) : owner_(owner) {}
  void AppendLine(const std::string& text) override {
    owner_.later([memo = owner_.side_.memo, text] { memo->AppendLine(text); });
  }
  void ReplaceLine(int index, const std::string& text) override {
    owner_.later([memo = owner_.side_.memo, index, text] { memo->ReplaceLine(index, text); });
  }
  int LineCount() const override {
    core::MessageWindow* memo = owner_.side_.memo;
    return owner_.askNow<int>([memo] { return memo->LineCount(); }, 0);
  }
  void ClearLines() override {
    owner_.later([memo = owner_.side_.memo] { memo->ClearLines(); });
  }

 private:
  SessionThread& owner_;
};

class SessionThread::PanelRelay : public core::PanelPort {
 public:
  explicit PanelRelay(SessionThread& owner) : owner_(owner) {}
  void SetGauge(int percent) override {
    // A logo row moves the gauge 48 times: only the last value waiting counts.
    const bool queued = pendingGauge_.exchange(percent) != kNone;
    if (queued) return;
    owner_.later(
        [this, panel = owner_.side_.panel] { panel->SetGauge(pendingGauge_.exchange(kNone)); });
  }
  void ShowSymbolChooser(bool wide) override {
    owner_.later([panel = owner_.side_.panel, wide] { panel->ShowSymbolChooser(wide); });
  }
  void SetSymbolCheckEnabled(bool enabled) override {
    owner_.later([panel = owner_.side_.panel, enabled] { panel->SetSymbolCheckEnabled(enabled); });
  }
  void ShowMessage(const std::string& text) override {
    core::PanelPort* panel = owner_.side_.panel;
    owner_.askModal<bool>([panel, text] {
      panel->ShowMessage(text);
      return true;
    });
  }
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override {
    core::PanelPort* panel = owner_.side_.panel;
    const auto chosen = owner_.askModal<std::optional<std::string>>(
        [panel, filter] { return panel->ChooseOpenFile(filter); });
    return chosen ? *chosen : std::nullopt;
  }
  std::optional<std::string> ChooseSaveFile(const std::string& filter,
                                            const std::string& defaultSuffix) override {
    core::PanelPort* panel = owner_.side_.panel;
    const auto chosen = owner_.askModal<std::optional<std::string>>(
        [panel, filter, defaultSuffix] { return panel->ChooseSaveFile(filter, defaultSuffix); });
    return chosen ? *chosen : std::nullopt;
  }

 private:
  static constexpr int kNone = -1;
  SessionThread& owner_;
  std::atomic<int> pendingGauge_{kNone};
};

class SessionThread::ViewRelay : public core::SetupView {
 public:
  explicit ViewRelay(SessionThread& owner) : owner_(owner) {}
  void RefreshSetup() override { owner_.requestSetupNow(); }
  bool ShowLogo(int slot) override {
    if (slot < 1 || slot > 3) return false;
    // Decoded here (QImage needs no window); only the picture goes across.
    const std::optional<QImage> image =
        logoPicture(owner_.session_.setup.logos[static_cast<std::size_t>(slot - 1)].path);
    if (!image) return false;
    owner_.later([show = owner_.side_.showLogo, slot, image] { show(slot, image); });
    return true;
  }
  void BlankLogo(int slot) override {
    owner_.later([show = owner_.side_.showLogo, slot] { show(slot, std::nullopt); });
  }

 private:
  SessionThread& owner_;
};

class SessionThread::PreviewRelay : public core::PreviewPort {
 public:
  explicit PreviewRelay(SessionThread& owner) : owner_(owner) {}
  void ShowPreview(const core::PreviewPlan& plan) override {
    owner_.later([preview = owner_.side_.preview, plan] {
      if (preview != nullptr) preview->ShowPreview(plan);
    });
  }

 private:
  SessionThread& owner_;
};

// The port's story: the designed lines in the message window, the status
// bar's words on the window thread, and the same words on standard error.
class SessionThread::PortRelay : public platform::PortKeeper::Listener {
 public:
  explicit PortRelay(SessionThread& owner) : owner_(owner) {}
  std::string name;  // the name chosen: COM3

  void PortOpened(const platform::PortDevice& device, bool again) override {
    if (!again) {
      owner_.session_.Append(name + "  open now");
      owner_.session_.AppendEmpty();
    }
    tell({again ? PortEvent::Kind::Reopened : PortEvent::Kind::Opened, device, {}, false, {}, {}});
  }
  void PortFailed(const platform::PortDevice& device, const platform::PortProblem& problem,
                  bool awaited) override {
    owner_.session_.Append("can't open  " + name);
    owner_.session_.AppendEmpty();
    tell({awaited ? PortEvent::Kind::Awaited : PortEvent::Kind::Failed,
          device,
          problem,
          false,
          {},
          {}});
  }
  void PortGone(const platform::PortDevice& device, bool watching) override {
    // The message window keeps to the printer's own reports: an outstanding
    // request runs into its reply timeout as usual.
    tell({PortEvent::Kind::Gone, device, {}, watching, {}, {}});
  }
  void PortBackButFailing(const platform::PortDevice& device,
                          const platform::PortProblem& problem) override {
    tell({PortEvent::Kind::BackButFailing, device, problem, false, {}, {}});
  }

 private:
  void tell(PortEvent event) {
    const platform::PortDevice& device = event.device;
    switch (event.kind) {
      case PortEvent::Kind::Opened:
        event.text = portOpenText(device);
        break;
      case PortEvent::Kind::Reopened:
        event.text = portOpenText(device);
        event.notice = portBackNotice(device);
        break;
      case PortEvent::Kind::Failed:
        event.text = portFailedText(device, event.problem);
        break;
      case PortEvent::Kind::Awaited:
        event.text = portAwaitedText(device, event.problem);
        break;
      case PortEvent::Kind::Gone:
        event.text = portGoneText(device, event.watching);
        break;
      case PortEvent::Kind::BackButFailing:
        event.text = portBackButFailingText(device, event.problem);
        break;
    }
    // The first open is said in the message window already.
    if (event.kind != PortEvent::Kind::Opened) {
      const QString& said = event.notice.isEmpty() ? event.text : event.notice;
      std::cerr << "orvex-tool: " << said.toStdString() << '\n';
    }
    owner_.later(
        [changed = owner_.side_.portChanged, event = std::move(event)] { changed(event); });
  }
  SessionThread& owner_;
};

// ---- the session thread ----

SessionThread::SessionThread(QObject* window, WindowSide side)
    : window_(window),
      side_(std::move(side)),
      memo_(std::make_unique<MemoRelay>(*this)),
      panel_(std::make_unique<PanelRelay>(*this)),
      view_(std::make_unique<ViewRelay>(*this)),
      preview_(std::make_unique<PreviewRelay>(*this)),
      session_(core::Ports{*memo_, host_, host_, *panel_, clock_, host_, *view_, spreadsheet_,
                           *preview_}),
      portRelay_(std::make_unique<PortRelay>(*this)),
      keeper_(std::make_unique<platform::PortKeeper>(host_, *portRelay_)) {
  host_.Attach(session_);
  host_.SetRoundObserver([this](bool requestBegins) { tellStake(requestBegins); });
  spreadsheet_.SetSavedListener([this](const std::string& path) {
    later([saved = side_.workbookSaved, path] { saved(path); });
  });
}

SessionThread::~SessionThread() {
  stop();
}

void SessionThread::start() {
  if (started_) return;
  started_ = true;
  // The start state counts as stored: closing right away loses nothing.
  storeSetup();
  host_.Start();
}

void SessionThread::stop() {
  if (stopped_) return;
  stopped_ = true;
  {
    const std::lock_guard lock(askMutex_);
    stopping_ = true;
  }
  asked_.notify_all();
  if (started_) {
    host_.Stop();
  }
  // The thread has ended: the port is released here.
  keeper_->Close();
}

void SessionThread::post(std::function<void(core::Session&)> call) {
  host_.Post([this, call = std::move(call)] {
    call(session_);
    noteSetup();  // Clear and a chosen logo change it too
    tellStake(false);
  });
}

void SessionThread::postEdit(std::function<void(core::TicketSetup&)> edit) {
  ++editsPosted_;
  host_.Post([this, edit = std::move(edit)] {
    edit(session_.setup);
    ++editsTaken_;
    noteSetup();
    tellStake(false);
  });
}

void SessionThread::postStoring(std::function<bool(core::Session&)> command,
                                std::function<void(bool stored)> done) {
  host_.Post([this, command = std::move(command), done = std::move(done)] {
    const bool stored = command(session_);
    if (stored) {
      storeSetup();
    } else {
      noteSetup();  // a load that stopped part way has changed it
    }
    tellStake(false);
    if (done) later([done, stored] { done(stored); });
  });
}

void SessionThread::storeSetup() {
  // What a save would write: the setup as the file holds it.
  storedLines_ = core::FormatFile::FromSetup(session_.setup).lines;
  setupChanged_ = false;
}

void SessionThread::noteSetup() {
  setupChanged_ = core::FormatFile::FromSetup(session_.setup).lines != storedLines_;
}

void SessionThread::tellStake(bool requestBegins) {
  // A period report export goes on to its end when the window closes, and
  // its workbook is saved: nothing of it is lost.
  const bool awaiting = session_.pending.Any() && !session_.exporting;
  const SessionStake now{requestBegins || awaiting || session_.batchRunning, setupChanged_,
                         editsTaken_};
  if (now == toldStake_) return;
  toldStake_ = now;
  if (side_.stakeChanged) later([told = side_.stakeChanged, now] { told(now); });
}

void SessionThread::requestSetup() {
  host_.Post([this] { requestSetupNow(); });
}

void SessionThread::requestSetupNow() {
  later([show = side_.showSetup, setup = session_.setup, taken = editsTaken_] {
    show(setup, taken);
  });
}

void SessionThread::openPort(const std::string& comName) {
  host_.Post([this, comName] {
    portRelay_->name = comName;
    if (portTaken_) portTaken_(comName);
    keeper_->Open(comName);
  });
}

void SessionThread::switchPort(const std::string& comName) {
  host_.Post([this, comName] {
    // The reader of the old port stops first; what it framed is still
    // dispatched in its turn.
    keeper_->Close();
    portRelay_->name = comName;
    if (portTaken_) portTaken_(comName);
    keeper_->Open(comName);
  });
}

void SessionThread::runAndWait(const std::function<void(core::Session&)>& call) {
  if (!started_ || stopped_) {
    call(session_);
    return;
  }
  // Done once the window has taken what the call sent it, too: that comes
  // before this in the window's queue.
  bool done = false;
  host_.Post([&] {
    call(session_);
    tellStake(false);  // what the call changed reaches the window first
    later([&done] { done = true; });
  });
  while (!done && !host_.Stopping()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

void SessionThread::later(std::function<void()> call) {
  QObject* window = window_.data();
  if (window == nullptr) return;
  QMetaObject::invokeMethod(window, std::move(call), Qt::QueuedConnection);
}

}  // namespace orvex::app
