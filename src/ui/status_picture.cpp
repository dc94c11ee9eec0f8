#include "ui/status_picture.h"

#include <QPainter>

#include "ui/image_ex.h"

namespace orvik::ui {

CStatusPicture::CStatusPicture(QWidget* parent, Source source)
    : QWidget(parent), source_(std::move(source)) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CStatusPicture::paintEvent(QPaintEvent*) {
  const CImageEx* picture = source_ ? source_() : nullptr;
  if (!picture) return;
  QPainter painter(this);
  picture->Draw(painter, 0, 0, width(), height());
}

}  // namespace orvik::ui
