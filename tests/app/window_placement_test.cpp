// Where the main window opens: at its designed place when that lies on the
// screen, else moved back inside the screen's available area, always with
// its designed client area. Run on a 1280x800 offscreen screen (see
// CMakeLists.txt), where the designed place sticks out on the right.

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include "app_fixture.h"

namespace orvex::app {

class WindowPlacementTest : public QObject {
  Q_OBJECT

 private slots:
  void aFrameIsMovedBackJustAsFarAsItSticksOut_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("place");
    const QRect laptop(0, 0, 1280, 800);
    const QRect underAPanel(0, 27, 1280, 773);  // a panel across the top
    QTest::newRow("fits: stays") << QRect(100, 50, 1068, 626) << laptop << QPoint(100, 50);
    QTest::newRow("designed place on 1280x800")
        << QRect(316, 103, 1068, 626) << laptop << QPoint(212, 103);
    QTest::newRow("too low") << QRect(100, 300, 1068, 626) << laptop << QPoint(100, 174);
    QTest::newRow("right and low") << QRect(316, 300, 1068, 626) << laptop << QPoint(212, 174);
    QTest::newRow("above the panel") << QRect(100, 0, 1068, 626) << underAPanel << QPoint(100, 27);
    QTest::newRow("left of the screen") << QRect(-40, 10, 1068, 626) << laptop << QPoint(0, 10);
    QTest::newRow("larger than the screen: its top left inside")
        << QRect(316, 103, 1068, 626) << QRect(0, 0, 800, 600) << QPoint(0, 0);
    QTest::newRow("a second screen to the right")
        << QRect(1600, 103, 1068, 626) << QRect(1280, 0, 1920, 1080) << QPoint(1600, 103);
  }
  void aFrameIsMovedBackJustAsFarAsItSticksOut() {
    QFETCH(QRect, frame);
    QFETCH(QRect, available);
    QFETCH(QPoint, place);
    QCOMPARE(placeInside(frame, available), place);
  }

  void theWindowOpensInsideA1280x800ScreenWithItsDesignedSize() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(screen, QRect(0, 0, 1280, 800));
    AppFixture f;
    f.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form.get()));
    QTRY_VERIFY(screen.contains(f.form->frameGeometry()));
    // Moved left just enough; the designed top stays, so does the client area.
    QCOMPARE(f.form->frameGeometry().right(), screen.right());
    QCOMPARE(f.form->frameGeometry().top(), 103);
    QCOMPARE(f.form->centralWidget()->size(), QSize(1060, 572));
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::WindowPlacementTest)
#include "window_placement_test.moc"
