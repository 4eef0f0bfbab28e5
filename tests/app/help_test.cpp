// The "Help" menu (its place: main_window_test): F1 shows the manual page
// formatted by man, "README" hands the README to the desktop; what does not
// work is said in the status bar.

#include <QAction>
#include <QFileInfo>
#include <QtTest>

#include "app/status_bar.h"
#include "app_fixture.h"
#include "fake_desktop.h"

namespace orvex::app {

class HelpTest : public QObject {
  Q_OBJECT

 private slots:
  void f1ShowsTheManualPage() {
    AppFixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    QCOMPARE(f.form->menuAction(QStringLiteral("ManualItem"))->shortcut(),
             QKeySequence(Qt::Key_F1));
    QTest::keyClick(f.form.get(), Qt::Key_F1);
    QTRY_VERIFY_WITH_TIMEOUT(
        f.form->manualWindow() != nullptr && f.form->manualWindow()->isVisible(), 10000);
    const QString text = f.form->manualWindow()->text();
    // man formatted it: plain headings, no troff requests left.
    for (const QString& heading : {QStringLiteral("\nPORTS\n"), QStringLiteral("\nLOGOS\n")}) {
      QVERIFY2(text.contains(heading), qPrintable(text.left(400)));
    }
    QVERIFY(text.contains(QStringLiteral("384 pixels wide")));
    QVERIFY(!text.contains(QStringLiteral(".SH")));
    QTest::keyClick(f.form->manualWindow(), Qt::Key_Escape);
    QVERIFY(!f.form->manualWindow()->isVisible());

    // Without man the status bar says what is missing.
    ScopedVariable noPath("PATH", "/nonexistent");
    f.form->showManual();
    QTRY_VERIFY(f.form->toolStatusBar()->notice().startsWith(
        QStringLiteral("The manual needs man (package man-db) to show ")));
    QVERIFY(!f.form->manualWindow()->isVisible());
  }

  void readmeGoesToTheDesktopAndAFailureIsSaid() {
    AppFixture f;
    {
      FakeDesktop desktop;
      f.form->menuAction(QStringLiteral("ReadmeItem"))->trigger();
      QTRY_COMPARE(desktop.opened().size(), 1);
      QCOMPARE(QFileInfo(desktop.opened().first()).fileName(), QStringLiteral("README.md"));
      QVERIFY(QFileInfo(desktop.opened().first()).isFile());
    }
    {
      FakeDesktop nobody(3);
      f.form->menuAction(QStringLiteral("ReadmeItem"))->trigger();
      QTRY_VERIFY(f.form->toolStatusBar()->notice().endsWith(
          QStringLiteral("README.md: no program on this desktop opens it.")));
    }
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::HelpTest)
#include "help_test.moc"
