// The three logo pages with their image boxes.

#include <QImage>
#include <QTabWidget>

#include "image_box.h"
#include "logo_picture.h"
#include "logos/logo_download.h"
#include "unit1.h"

void TForm1::BuildLogoPages(QWidget* client) {
  PageControl1 = new QTabWidget(client);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setGeometry(648, 14, 350, 330);
  ImageBox** boxes[3] = {&Image1, &Image2, &Image3};
  for (int i = 0; i < 3; ++i) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
    PageControl1->addTab(page, QStringLiteral("Logo%1").arg(i + 1));
    auto* box = new ImageBox(page);
    box->setObjectName(QStringLiteral("Image%1").arg(i + 1));
    box->setGeometry(2, 2, 340, 300);
    *boxes[i] = box;
  }
  connect(Image1, &ImageBox::clicked, this, &TForm1::ChooseLogo1);
  connect(Image2, &ImageBox::clicked, this, &TForm1::ChooseLogo2);
  connect(Image3, &ImageBox::clicked, this, &TForm1::ChooseLogo3);
}

ImageBox* TForm1::imageBox(int slot) const {
  if (slot == 1) return Image1;
  if (slot == 2) return Image2;
  return Image3;
}

bool TForm1::ShowLogo(int slot) {
  if (slot < 1 || slot > 3) return false;
  const QImage image = logoPicture(session_.setup.logos[static_cast<std::size_t>(slot - 1)].path);
  if (image.isNull()) return false;
  imageBox(slot)->setPicture(image);
  return true;
}

void TForm1::BlankLogo(int slot) {
  if (slot >= 1 && slot <= 3) imageBox(slot)->Blank();
}

void TForm1::ChooseLogo1() {
  orvex::ChooseLogo1(session_);
}
void TForm1::ChooseLogo2() {
  orvex::ChooseLogo2(session_);
}
void TForm1::ChooseLogo3() {
  orvex::ChooseLogo3(session_);
}
