#pragma once
// A main window for one test: scripted dialogs, a process end that only
// counts, and helpers to find widgets by their designed object names, read
// the message window, click radio items and set an environment variable.

#include <QByteArray>
#include <QRadioButton>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "main_window.h"
#include "radio_group.h"
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
  std::unique_ptr<MainWindow> form;

  AppFixture() : form(std::make_unique<MainWindow>()) {
    form->setDialogs(&dialogs);
    form->setProcessEnd([this] { ++processEnds; });
  }

  orvex::Session& session() { return form->session(); }

  template <class T>
  T* Find(const char* objectName) const {
    return ::Find<T>(*form, objectName);
  }

  QStringList Lines() const {
    QStringList lines;
    for (int i = 0; i < form->messageWindow()->LineCount(); ++i)
      lines << form->messageWindow()->lineText(i);
    return lines;
  }

  // The printer is identified as the dispatcher would leave it.
  void Identify(bool wide = true) {
    session().state.identified = true;
    session().state.wideSymbols = wide;
    form->ShowSymbolChooser(wide);
    form->SetSymbolCheckEnabled(true);
  }
};

// A real mouse click on item `index` of a radio group.
inline void ClickItem(RadioGroup* group, int index) {
  QRadioButton* button = group->item(index);
  QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}
