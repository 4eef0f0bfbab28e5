#pragma once
// A main window for one test: scripted dialogs, a process end that only
// counts, and helpers to read the message window and click radio items.

#include <QRadioButton>
#include <QStringList>
#include <QTest>
#include <memory>

#include "scripted_dialogs.h"
#include "unit1.h"

struct AppFixture {
  ScriptedDialogs dialogs;
  int processEnds = 0;
  std::unique_ptr<TForm1> form;

  AppFixture() : form(std::make_unique<TForm1>()) {
    form->SetDialogs(&dialogs);
    form->SetProcessEnd([this] { ++processEnds; });
  }

  orvex::Session& session() { return form->session(); }

  QStringList Lines() const {
    QStringList lines;
    for (int i = 0; i < form->Memo1->LineCount(); ++i) lines << form->Memo1->lineText(i);
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
