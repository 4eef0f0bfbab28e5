// The preview window applies a plan: strip places, text on white, hidden
// strips, the panel, and the main window's state around it.

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/image_box.h"
#include "app/preview_window.h"
#include "app_fixture.h"
#include "bitmaps.h"
#include "core/preview/preview_plan.h"

namespace orvex::app {

namespace {

core::PreviewStrip TextStrip(int top, const char* text, int textX, int pointSize) {
  core::PreviewStrip s;
  s.visible = true;
  s.laidOut = true;
  s.top = top;
  s.left = 10;
  s.width = 220;
  s.height = 25;
  s.isText = true;
  s.text = text;
  s.textX = textX;
  s.pointSize = pointSize;
  return s;
}

int DarkPixels(const QImage& image, int fromX, int toX) {
  int dark = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = fromX; x < toX && x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) ++dark;
    }
  }
  return dark;
}

std::uint8_t Black(int, int) {
  return 0x00;
}

bool Sample(int x, int y) {
  return (x < 40 && y < 3) || x == 3 * y || (x / 8 + y) % 5 == 0;
}

// The dots of an image as the printer's rows: bit 1 where it is dark.
std::vector<std::uint8_t> DarkDots(const QImage& image) {
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(48 * image.height()), 0);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width() && x < 384; ++x) {
      if (qGray(image.pixel(x, y)) < 128) {
        rows[static_cast<std::size_t>(y * 48 + x / 8)] |=
            static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return rows;
}

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void designedWindow() {
    QWidget main;
    PreviewWindow preview(&main);
    QCOMPARE(preview.windowTitle(), QStringLiteral("Preview window"));
    QCOMPARE(preview.geometry(), QRect(504, 92, 264, 467));
    QCOMPARE(preview.panel()->geometry(), QRect(8, 8, 240, 417));
    QCOMPARE(preview.strip(3)->objectName(), QStringLiteral("Image4"));
    QCOMPARE(preview.strip(3)->geometry(), QRect(8, 128, 220, 41));
    QVERIFY(preview.strip(3)->isHidden());
    QCOMPARE(preview.panel()->palette().color(QPalette::Window), QColor(Qt::white));
  }

  void appliesThePlanAndRestoresTheMainWindow() {
    QTemporaryDir dir;
    const std::string logo = dir.filePath(QStringLiteral("logo.bmp")).toStdString();
    test::WriteFile(logo, test::MonoBmpBytes(384, 120, Black));

    QWidget main;
    main.showMaximized();
    PreviewWindow preview(&main);
    core::PreviewPlan plan;
    plan.strips[0].visible = true;
    plan.strips[0].laidOut = true;
    plan.strips[0].top = 10;
    plan.strips[0].left = 10;
    plan.strips[0].width = 220;
    plan.strips[0].height = 60;
    plan.strips[0].bitmapPath = logo;
    plan.strips[1] = TextStrip(70, "NINE CHAR", 68, 10);
    plan.strips[2] = TextStrip(95, "X.XX", 82, 14);
    plan.strips[3].visible = true;  // a missing logo: keeps its designed place
    for (std::size_t k = 4; k < 10; ++k) plan.strips[k].visible = false;
    plan.panelHeight = 140;
    const int widthBefore = preview.width();
    preview.ShowPreview(plan);

    QCOMPARE(preview.strip(0)->geometry(), QRect(10, 10, 220, 60));
    QVERIFY(preview.strip(0)->hasScaledContents());
    QCOMPARE(preview.strip(1)->geometry(), QRect(10, 70, 220, 25));
    QCOMPARE(preview.strip(2)->geometry(), QRect(10, 95, 220, 25));
    QCOMPARE(preview.strip(3)->geometry(), QRect(8, 128, 220, 41));
    QVERIFY(!preview.strip(3)->isHidden());
    for (int k = 4; k < 10; ++k) QVERIFY(preview.strip(k)->isHidden());

    // Text starts at textX on white.
    const QImage text = preview.strip(2)->pixmap().toImage();
    QCOMPARE(text.size(), QSize(220, 25));
    QCOMPARE(DarkPixels(text, 0, 82), 0);
    QVERIFY(DarkPixels(text, 82, 160) > 20);
    QCOMPARE(DarkPixels(text, 160, 220), 0);
    // The all-black logo fills its strip.
    const QImage shown = preview.strip(0)->grab().toImage();
    QVERIFY(qGray(shown.pixel(110, 30)) < 64);

    QCOMPARE(preview.panel()->x(), core::PreviewPanelLeft(widthBefore));
    QCOMPARE(preview.panel()->height(), 140);
    QVERIFY(main.isMinimized());
    QVERIFY(preview.isVisible());
    QVERIFY(preview.windowState() & Qt::WindowMaximized);

    preview.close();
    QVERIFY(main.windowState() & Qt::WindowMaximized);
    QVERIFY(!main.isMinimized());
  }

  void logosShowWhatThePrinterGets() {
    // The layouts ordinary tools write; the window and the preview show the
    // dots the logo download sends.
    const struct {
      const char* name;
      test::BmpLayout layout;
    } cases[] = {
        {"classic.bmp", {}},
        {"v5-white-first-top-down.bmp", {124, {0xFFFFFF, 0x000000}, true}},
        {"v4-yellow-on-dark-blue.bmp", {108, {0xFFFF00, 0x000080}}},
        {"offset-gap.bmp", {40, {0x000000, 0xFFFFFF}, false, 64}},
    };
    QTemporaryDir dir;
    const std::vector<std::uint8_t> printed = test::PrinterRows(Sample, 20);
    for (const auto& c : cases) {
      const std::string path = dir.filePath(QString::fromLatin1(c.name)).toStdString();
      test::WriteFile(path, test::PictureBmpBytes(Sample, 20, c.layout));

      PreviewWindow preview(nullptr);
      core::PreviewPlan plan;
      plan.strips[0].visible = true;
      plan.strips[0].laidOut = true;
      plan.strips[0].width = 220;
      plan.strips[0].height = 20;
      plan.strips[0].bitmapPath = path;
      preview.ShowPreview(plan);
      const QImage shown = preview.strip(0)->pixmap().toImage();
      QCOMPARE(shown.size(), QSize(384, 20));
      QVERIFY2(DarkDots(shown) == printed, c.name);

      AppFixture f;
      f.dialogs.openAnswers.append(QString::fromStdString(path));
      f.form->chooseLogo2();
      f.Settle();
      QVERIFY2(f.Find<ImageBox>("Image2")->hasPicture(), c.name);
      QVERIFY2(DarkDots(f.Find<ImageBox>("Image2")->pixmap().toImage()) == printed, c.name);
    }
  }

  void stoppedPlanLeavesEverythingAsItWas() {
    QWidget main;
    main.show();
    PreviewWindow preview(&main);
    core::PreviewPlan plan;
    plan.stopped = true;
    plan.stopMessage = "'' is not a valid integer value";
    preview.ShowPreview(plan);
    QVERIFY(!preview.isVisible());
    QVERIFY(!main.isMinimized());
  }

  void previewMenuDrawsTheTicketFromTheEditor() {
    AppFixture f;
    PreviewWindow preview(f.form.get());
    f.form->setPreviewWindow(&preview);
    f.form->show();
    f.form->menuAction(QStringLiteral("CoinTicket1"))->trigger();
    f.Settle();
    QVERIFY(!preview.isVisible());  // not before identification
    f.Identify();
    for (int line = 1; line < 10; ++line)
      ClickItem(f.form->lineEditor(core::TicketKind::Coin, line).kindGroup(), 5);
    QTest::keyClicks(f.Find<QLineEdit>("Edit1"), QStringLiteral("HELLO"));
    f.form->menuAction(QStringLiteral("CoinTicket1"))->trigger();
    f.Settle();
    QVERIFY(preview.isVisible());
    QVERIFY(f.form->isMinimized());
    QCOMPARE(preview.panel()->height(), 10 + 25 + 20);
    QVERIFY(!preview.strip(0)->isHidden());
    QVERIFY(preview.strip(1)->isHidden());
    preview.close();
    QVERIFY(!f.form->isMinimized());
  }
};

}  // namespace orvex::app

QTEST_MAIN(orvex::app::PreviewTest)
#include "preview_test.moc"
