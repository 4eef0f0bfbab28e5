// Where the real file dialogs start: in the documents folder, then in the
// folder of the file last chosen in this run, whichever dialog chose it.

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/modal_dialogs.h"

namespace orvex::app {

namespace {

// Runs the next modal file dialog through answer(dialog) once it is up.
void WhenDialogShows(std::function<void(QFileDialog&)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return WhenDialogShows(answer);
    answer(*dialog);
  });
}

}  // namespace

class FileDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void startInTheDocumentsFolderThenWhereTheLastFileWasChosen() {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    const QString documents = home.path() + QStringLiteral("/Documents");
    const QString shop = home.path() + QStringLiteral("/shop");
    QVERIFY(QDir().mkpath(shop));
    QFile logo(shop + QStringLiteral("/logo.bmp"));
    QVERIFY(logo.open(QIODevice::WriteOnly));
    logo.close();

    QtModalDialogs dialogs;
    QStringList startedIn;
    // Cancelled: nothing is learnt from it.
    WhenDialogShows([&startedIn](QFileDialog& dialog) {
      startedIn << dialog.directory().absolutePath();
      dialog.reject();
    });
    QCOMPARE(dialogs.openFile(nullptr, QStringLiteral("Orvex Files(*.orx)")), std::nullopt);
    WhenDialogShows([&startedIn, &logo](QFileDialog& dialog) {
      startedIn << dialog.directory().absolutePath();
      dialog.selectFile(logo.fileName());
      QMetaObject::invokeMethod(&dialog, "accept");
    });
    QCOMPARE(dialogs.openFile(nullptr, QStringLiteral("Bitmap(*.bmp)")), logo.fileName());
    // The save dialog goes on where the open one left off.
    WhenDialogShows([&startedIn](QFileDialog& dialog) {
      startedIn << dialog.directory().absolutePath();
      dialog.reject();
    });
    QCOMPARE(dialogs.saveFile(nullptr, QStringLiteral("Orvex Files(*.orx)"), QStringLiteral("orx")),
             std::nullopt);
    QCOMPARE(startedIn, (QStringList{documents, documents, shop}));
    QCOMPARE(QDir::currentPath() == documents, false);  // not by changing the process's folder
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::FileDialogsTest)
#include "file_dialogs_test.moc"
