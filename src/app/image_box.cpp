#include "app/image_box.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTimer>

namespace orvex::app {

namespace {

// A picture that acts as a button: a screen reader can press it.
class AccessibleImageBox : public QAccessibleWidget {
 public:
  explicit AccessibleImageBox(ImageBox* box) : QAccessibleWidget(box, QAccessible::Button) {}

  QStringList actionNames() const override {
    QStringList names;
    if (widget()->isEnabled()) names << pressAction();
    return names + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& name) override {
    if (name != pressAction()) {
      QAccessibleWidget::doAction(name);
      return;
    }
    if (!widget()->isEnabled()) return;
    // The press opens a modal file dialog: run it from the event loop
    // rather than inside the accessibility call.
    auto* box = static_cast<ImageBox*>(widget());
    QTimer::singleShot(0, box, [box] { emit box->clicked(); });
  }
};

QAccessibleInterface* ImageBoxFactory(const QString& className, QObject* object) {
  if (className != QLatin1String(ImageBox::staticMetaObject.className())) return nullptr;
  return new AccessibleImageBox(static_cast<ImageBox*>(object));
}

void InstallAccessibleFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(ImageBoxFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace

ImageBox::ImageBox(QWidget* parent) : QLabel(parent) {
  InstallAccessibleFactory();
  setScaledContents(true);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
}

void ImageBox::blank(const QString& prompt) {
  QPixmap canvas(size().isEmpty() ? QSize(1, 1) : size());
  canvas.fill(Qt::white);
  if (!prompt.isEmpty()) {
    QPainter painter(&canvas);
    painter.setFont(font());
    painter.setPen(Qt::black);
    painter.drawText(QRect(110, 140, canvas.width() - 110, canvas.height() - 140),
                     Qt::AlignLeft | Qt::AlignTop, prompt);
  }
  setPixmap(canvas);
  hasPicture_ = false;
}

void ImageBox::setPicture(const QImage& image) {
  if (image.isNull()) {
    blank();
  } else {
    setPixmap(QPixmap::fromImage(image));
  }
  hasPicture_ = true;
}

void ImageBox::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    emit clicked();
  }
}

void ImageBox::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        emit clicked();
        return;
      }
      break;
    default:
      break;
  }
  QLabel::keyPressEvent(event);
}

void ImageBox::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  // Shown only while the box has the keyboard focus.
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.rect = rect().adjusted(1, 1, -1, -1);
  option.backgroundColor = palette().color(QPalette::Window);
  QPainter painter(this);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

}  // namespace orvex::app
