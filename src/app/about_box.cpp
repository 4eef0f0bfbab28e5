#include "app/about_box.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace orvex::app {

QPixmap printerIcon(QSize size) {
  QPixmap icon(size);
  icon.fill(Qt::transparent);
  QPainter p(&icon);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal w = size.width();
  const qreal h = size.height();
  // Paper coming out of the top, with a few printed lines.
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(w * 0.3, h * 0.02, w * 0.4, h * 0.42));
  for (int i = 0; i < 3; ++i) {
    const qreal y = h * (0.1 + 0.09 * i);
    p.drawLine(QPointF(w * 0.36, y), QPointF(w * (i == 2 ? 0.52 : 0.64), y));
  }
  // The body.
  p.setBrush(QColor(70, 90, 140));
  p.drawRoundedRect(QRectF(w * 0.06, h * 0.36, w * 0.88, h * 0.44), 4, 4);
  p.setBrush(QColor(40, 50, 80));
  p.drawRect(QRectF(w * 0.25, h * 0.42, w * 0.5, h * 0.06));
  // Status light and feet.
  p.setBrush(QColor(60, 200, 80));
  p.drawEllipse(QPointF(w * 0.82, h * 0.64), w * 0.04, w * 0.04);
  p.setBrush(Qt::black);
  p.drawRect(QRectF(w * 0.12, h * 0.8, w * 0.14, h * 0.08));
  p.drawRect(QRectF(w * 0.74, h * 0.8, w * 0.14, h * 0.08));
  return icon;
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(298, 213);
  setModal(false);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(2);
  panel->setGeometry(8, 8, 281, 161);

  auto* programIcon = new QLabel(panel);
  programIcon->setObjectName(QStringLiteral("ProgramIcon"));
  programIcon->setGeometry(8, 8, 65, 57);
  programIcon->setScaledContents(true);
  programIcon->setPixmap(printerIcon(QSize(65, 57)));

  const auto makeLabel = [panel](const char* name, const QString& text, QRect geometry) {
    auto* label = new QLabel(text, panel);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(geometry);
    label->setWordWrap(true);
    return label;
  };
  makeLabel("ProductName", QStringLiteral("Orvex Printer Series"), QRect(88, 16, 185, 16));
  makeLabel("Version", QStringLiteral("Version : 2.0.4"), QRect(88, 40, 185, 16));
  makeLabel("Copyright", QStringLiteral("Setup and test tool for 58 mm ticket printers"),
            QRect(8, 80, 265, 32));
  makeLabel("Comments",
            QStringLiteral("Serial line 38400,N,8,1. Try it without hardware: orvex-sim."),
            QRect(8, 112, 265, 40));

  auto* okButton = new QPushButton(QStringLiteral("OK"), this);
  okButton->setObjectName(QStringLiteral("OKButton"));
  okButton->setGeometry(111, 178, 75, 25);
  okButton->setDefault(true);
  // OK hides the box; "About" shows it again.
  connect(okButton, &QPushButton::clicked, this, &QWidget::hide);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

}  // namespace orvex::app
