// The three logo pages with their image boxes.

#include <QImage>
#include <QTabWidget>

#include "app/image_box.h"
#include "app/main_window.h"
#include "core/logos/logo_download.h"

namespace orvex::app {

void MainWindow::buildLogoPages(QWidget* client) {
  logoTabs_ = new QTabWidget(client);
  logoTabs_->setObjectName(QStringLiteral("PageControl1"));
  logoTabs_->setAccessibleName(QStringLiteral("Logos"));
  logoTabs_->setGeometry(648, 14, 350, 330);
  for (int i = 0; i < 3; ++i) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
    logoTabs_->addTab(page, QStringLiteral("Logo%1").arg(i + 1));
    auto* box = new ImageBox(page);
    box->setObjectName(QStringLiteral("Image%1").arg(i + 1));
    box->setAccessibleName(QStringLiteral("Logo %1 bitmap").arg(i + 1));
    box->setAccessibleDescription(QStringLiteral("Opens a bitmap file for logo %1").arg(i + 1));
    box->setGeometry(2, 2, 340, 300);
    logoBoxes_[static_cast<std::size_t>(i)] = box;
  }
  connect(logoBoxes_[0], &ImageBox::clicked, this, &MainWindow::chooseLogo1);
  connect(logoBoxes_[1], &ImageBox::clicked, this, &MainWindow::chooseLogo2);
  connect(logoBoxes_[2], &ImageBox::clicked, this, &MainWindow::chooseLogo3);
}

ImageBox* MainWindow::logoBox(int slot) const {
  if (slot == 1) return logoBoxes_[0];
  if (slot == 2) return logoBoxes_[1];
  return logoBoxes_[2];
}

void MainWindow::showLogo(int slot, const std::optional<QImage>& image) {
  if (slot < 1 || slot > 3) return;
  if (image) {
    logoBox(slot)->setPicture(*image);  // a null image: a logo of no rows
  } else {
    logoBox(slot)->blank();
  }
}

void MainWindow::chooseLogo1() {
  post(core::ChooseLogo1);
}
void MainWindow::chooseLogo2() {
  post(core::ChooseLogo2);
}
void MainWindow::chooseLogo3() {
  post(core::ChooseLogo3);
}

}  // namespace orvex::app
