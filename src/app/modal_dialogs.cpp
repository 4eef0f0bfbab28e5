#include "app/modal_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "platform/workbook/report_folder.h"

namespace orvex::app {

void QtModalDialogs::information(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.exec();
}

QString QtModalDialogs::startFolder() {
  // Not the folder the tool was started from: from a menu that is $HOME or /,
  // installed it may be /usr/bin.
  if (lastFolder_.isEmpty()) {
    lastFolder_ = QFile::decodeName(QByteArray::fromStdString(
        platform::workbook::DocumentsFolder(platform::workbook::ProcessEnvironment())));
  }
  return lastFolder_;
}

std::optional<QString> QtModalDialogs::chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString file = dialog.selectedFiles().constFirst();
  lastFolder_ = QFileInfo(file).absolutePath();
  return file;
}

std::optional<QString> QtModalDialogs::openFile(QWidget* parent, const QString& filter) {
  QFileDialog dialog(parent, QString(), startFolder());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(filter);
  return chosen(dialog);
}

std::optional<QString> QtModalDialogs::saveFile(QWidget* parent, const QString& filter,
                                                const QString& defaultSuffix) {
  QFileDialog dialog(parent, QString(), startFolder());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(filter);
  dialog.setDefaultSuffix(defaultSuffix);
  // A format file is a day's work: the dialog asks before one is replaced.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  return chosen(dialog);
}

CloseAnswer QtModalDialogs::askClose(QWidget* parent, const CloseQuestion& question) {
  QMessageBox box(QMessageBox::Warning, question.title, question.text, QMessageBox::NoButton,
                  parent);
  QPushButton* save = question.canSave
                          ? box.addButton(QStringLiteral("Save As..."), QMessageBox::AcceptRole)
                          : nullptr;
  QPushButton* close = box.addButton(question.closeLabel, QMessageBox::DestructiveRole);
  // Enter and Escape keep the work.
  QPushButton* keep = box.addButton(QStringLiteral("Keep Open"), QMessageBox::RejectRole);
  box.setDefaultButton(keep);
  box.setEscapeButton(keep);
  box.exec();
  if (save != nullptr && box.clickedButton() == save) return CloseAnswer::SaveFirst;
  if (box.clickedButton() == close) return CloseAnswer::Close;
  return CloseAnswer::KeepOpen;
}

QString toQtFilter(const QString& windowsFilter) {
  const QStringList parts = windowsFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    const QString patterns = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
    if (!description.contains(QLatin1Char('(')))
      description += QStringLiteral(" (%1)").arg(patterns);
    filters << description;
  }
  if (filters.isEmpty()) return windowsFilter;
  return filters.join(QStringLiteral(";;"));
}

}  // namespace orvex::app
