#include "unit3.h"

#include <QCloseEvent>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "logo_picture.h"
#include "preview/preview_plan.h"

TForm3::TForm3(QWidget* mainWindow) : QWidget(nullptr), mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("Preview window"));
  setGeometry(504, 92, 264, 467);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(8, 8, 240, 417);
  Panel1->setAutoFillBackground(true);
  QPalette white = Panel1->palette();
  white.setColor(QPalette::Window, Qt::white);
  Panel1->setPalette(white);

  for (int k = 0; k < 10; ++k) {
    auto* strip = new QLabel(Panel1);
    strip->setObjectName(QStringLiteral("Image%1").arg(k + 1));
    strip->setGeometry(8, 8 + 40 * k, 220, 41);
    strip->hide();
    strips[static_cast<std::size_t>(k)] = strip;
  }
}

void TForm3::ShowPreview(const orvex::PreviewPlan& plan) {
  // A plan that stopped at a line has had its message shown by the core;
  // the preview window stays as it was.
  if (plan.stopped) return;
  for (std::size_t k = 0; k < strips.size(); ++k) {
    const orvex::PreviewStrip& s = plan.strips[k];
    QLabel* strip = strips[k];
    strip->setVisible(s.visible);
    if (!s.laidOut) continue;  // a missing logo keeps what the strip had
    strip->setGeometry(s.left, s.top, s.width, s.height);
    if (s.isText) {
      QPixmap canvas(qMax(1, s.width), qMax(1, s.height));
      canvas.fill(Qt::white);
      QPainter painter(&canvas);
      QFont font(QStringLiteral("Courier New"));
      font.setPointSize(s.pointSize > 0 ? s.pointSize : 8);
      painter.setFont(font);
      painter.setPen(Qt::black);
      painter.drawText(QRect(s.textX, 0, canvas.width(), canvas.height()),
                       Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(s.text));
      painter.end();
      strip->setScaledContents(false);
      strip->setPixmap(canvas);
    } else {
      QImage image = logoPicture(s.bitmapPath);
      if (image.isNull()) {
        image = QImage(qMax(1, s.width), qMax(1, s.height), QImage::Format_RGB32);
        image.fill(Qt::white);
      }
      strip->setScaledContents(true);
      strip->setPixmap(QPixmap::fromImage(image));
    }
  }
  Panel1->setGeometry(orvex::PreviewPanelLeft(width()), Panel1->y(), Panel1->width(),
                      plan.panelHeight);

  rememberedState_ = mainWindow_ != nullptr ? mainWindow_->windowState() : Qt::WindowNoState;
  if (mainWindow_ != nullptr) mainWindow_->showMinimized();
  showMaximized();
  raise();
  activateWindow();
}

void TForm3::FormClose() {
  if (mainWindow_ == nullptr) return;
  if (rememberedState_ & Qt::WindowMaximized) {
    mainWindow_->showMaximized();
  } else if (rememberedState_ & Qt::WindowMinimized) {
    mainWindow_->showMinimized();
  } else {
    mainWindow_->showNormal();
  }
}

void TForm3::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}
