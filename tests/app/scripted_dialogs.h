#pragma once
// Answers the main window's modal boxes and file dialogs from a script, so
// that no test ever waits for a person.

#include <QList>
#include <QStringList>
#include <optional>

#include "app/modal_dialogs.h"

class ScriptedDialogs : public orvex::app::ModalDialogs {
 public:
  // Every message box text, in order.
  QStringList messages;
  // Paths the next file dialogs answer; an empty path or an exhausted
  // queue answers "cancel".
  QStringList openAnswers;
  QStringList saveAnswers;
  // Answers to the questions before closing, in order; an exhausted queue
  // keeps the window open. Every question asked.
  QList<orvex::app::CloseAnswer> closeAnswers;
  QList<orvex::app::CloseQuestion> closeQuestions;
  // What each dialog was asked with.
  QStringList openFilters;
  QStringList saveFilters;
  QStringList saveSuffixes;

  void information(QWidget*, const QString&, const QString& text) override { messages << text; }
  std::optional<QString> openFile(QWidget*, const QString& filter) override {
    openFilters << filter;
    return Next(openAnswers);
  }
  std::optional<QString> saveFile(QWidget*, const QString& filter,
                                  const QString& defaultSuffix) override {
    saveFilters << filter;
    saveSuffixes << defaultSuffix;
    return Next(saveAnswers);
  }
  orvex::app::CloseAnswer askClose(QWidget*, const orvex::app::CloseQuestion& question) override {
    closeQuestions << question;
    return closeAnswers.isEmpty() ? orvex::app::CloseAnswer::KeepOpen : closeAnswers.takeFirst();
  }

 private:
  static std::optional<QString> Next(QStringList& queue) {
    if (queue.isEmpty()) return std::nullopt;
    const QString answer = queue.takeFirst();
    if (answer.isEmpty()) return std::nullopt;
    return answer;
  }
};
