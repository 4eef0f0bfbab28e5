#include "app/preview_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "app/logo_picture.h"
#include "core/preview/preview_plan.h"

namespace orvex::app {

PreviewWindow::PreviewWindow(QWidget* mainWindow) : QWidget(nullptr), mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("Preview window"));
  setGeometry(504, 92, 264, 467);

  panel_ = new QFrame(this);
  panel_->setObjectName(QStringLiteral("Panel1"));
  panel_->setGeometry(8, 8, 240, 417);
  panel_->setAutoFillBackground(true);
  QPalette white = panel_->palette();
  white.setColor(QPalette::Window, Qt::white);
  panel_->setPalette(white);

  for (int k = 0; k < 10; ++k) {
    auto* strip = new QLabel(panel_);
    strip->setObjectName(QStringLiteral("Image%1").arg(k + 1));
    strip->setGeometry(8, 8 + 40 * k, 220, 41);
    strip->hide();
    strips_[static_cast<std::size_t>(k)] = strip;
  }
}

void PreviewWindow::ShowPreview(const core::PreviewPlan& plan) {
  // A plan that stopped at a line has had its message shown by the core;
  // the preview window stays as it was.
  if (plan.stopped) return;
  for (std::size_t k = 0; k < strips_.size(); ++k) {
    const core::PreviewStrip& s = plan.strips[k];
    QLabel* strip = strips_[k];
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
      QImage image = logoPicture(s.bitmapPath).value_or(QImage());
      if (image.isNull()) {
        image = QImage(qMax(1, s.width), qMax(1, s.height), QImage::Format_RGB32);
        image.fill(Qt::white);
      }
      strip->setScaledContents(true);
      strip->setPixmap(QPixmap::fromImage(image));
    }
  }
  panel_->setGeometry(core::PreviewPanelLeft(width()), panel_->y(), panel_->width(),
                      plan.panelHeight);

  rememberedState_ = mainWindow_ != nullptr ? mainWindow_->windowState() : Qt::WindowNoState;
  if (mainWindow_ != nullptr) mainWindow_->showMinimized();
  showMaximized();
  raise();
  activateWindow();
}

void PreviewWindow::restoreMainWindow() {
  if (mainWindow_ == nullptr) return;
  if (rememberedState_ & Qt::WindowMaximized) {
    mainWindow_->showMaximized();
  } else if (rememberedState_ & Qt::WindowMinimized) {
    mainWindow_->showMinimized();
  } else {
    mainWindow_->showNormal();
  }
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
  restoreMainWindow();
  event->accept();
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace orvex::app
