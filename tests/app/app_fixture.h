#pragma once
// A main window for one test: scripted dialogs, a process end that only
// counts, and helpers to find widgets by their designed object names, read
// the message window, click radio items and set an environment variable.

#include <QByteArray>
#include <QCoreApplication>
#include <QRadioButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <type_traits>

#include "app/main_window.h"
#include "app/radio_group.h"
#include "scripted_dialogs.h"

// The child of `parent` with that object name; a test that names a widget
// the window does not have stops here.
template <class T>
T* Find(const QObject& parent, const char* objectName) {
  T* found = parent.findChild<T*>(QString::fromUtf8(objectName));
  if (found == nullptr) qFatal("no %s named %s", T::staticMetaObject.className(), objectName);
  return found;
}

// Sets an environment variable for one test and puts it back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value);
  }
  ~ScopedVariable() {
    if (had_) {
      qputenv(name_, old_);
    } else {
      qunsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

// Sets XDG_CONFIG_HOME for the port lookup of this process, and puts it back.
class ConfigHome {
 public:
  ConfigHome() : old_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
  }
  ~ConfigHome() { qputenv("XDG_CONFIG_HOME", old_); }
  QString path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QByteArray old_;
};

struct AppFixture {
  ScriptedDialogs dialogs;
  int processEnds = 0;
  std::unique_ptr<orvex::app::MainWindow> form;

  AppFixture() : form(std::make_unique<orvex::app::MainWindow>()) {
    form->setDialogs(&dialogs);
    form->setProcessEnd([this] { ++processEnds; });
  }

  // Runs `look` on the session's thread, waits for it and for what it sent
  // the window, and returns what it returns. The session is the session
  // thread's: tests look at it and set it up through here.
  template <class F>
  auto OnSession(F look) {
    using Result = std::invoke_result_t<F, orvex::core::Session&>;
    if constexpr (std::is_void_v<Result>) {
      form->sessionThread().runAndWait(look);
    } else {
      std::optional<Result> result;
      form->sessionThread().runAndWait([&](orvex::core::Session& s) { result.emplace(look(s)); });
      return std::move(*result);
    }
  }
  orvex::core::TicketSetup Setup() {
    return OnSession([](orvex::core::Session& s) { return s.setup; });
  }
  orvex::core::ConnectionState State() {
    return OnSession([](orvex::core::Session& s) { return s.state; });
  }
  orvex::core::PendingRequest Pending() {
    return OnSession([](orvex::core::Session& s) { return s.pending; });
  }
  bool TimerOn(orvex::core::TimerId timer) {
    return OnSession([timer](orvex::core::Session& s) { return s.io.timers.TimerEnabled(timer); });
  }
  // Waits until the session thread has handled what was posted so far (the
  // menu item just chosen, or the start of its wait) and the window has
  // shown what it reported.
  void Settle() {
    OnSession([](orvex::core::Session&) {});
  }

  template <class T>
  T* Find(const char* objectName) const {
    return ::Find<T>(*form, objectName);
  }

  QStringList Lines() {
    Settle();
    QStringList lines;
    for (int i = 0; i < form->messageWindow()->LineCount(); ++i)
      lines << form->messageWindow()->lineText(i);
    return lines;
  }

  // The printer is identified as the dispatcher would leave it.
  void Identify(bool wide = true) {
    OnSession([wide](orvex::core::Session& s) {
      s.state.identified = true;
      s.state.wideSymbols = wide;
    });
    form->ShowSymbolChooser(wide);
    form->SetSymbolCheckEnabled(true);
  }
};

// A real mouse click on item `index` of a radio group.
inline void ClickItem(orvex::app::RadioGroup* group, int index) {
  QRadioButton* button = group->item(index);
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}
