#include "ui/rolling_banner.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "ui/image_ex.h"

namespace orvik::ui {

CRollingBanner::CRollingBanner(QWidget* parent) : QWidget(parent) {
  // Not opaque: without pictures the dialog's background shows through.
  connect(&timer_, &QTimer::timeout, this, &CRollingBanner::Tick);
}

void CRollingBanner::SetBannerRect(int x, int y, int width, int height) {
  state_.SetBannerRect(x, y, width, height);
  setGeometry(x, y, width, height);
  update();
}

void CRollingBanner::SetInterval(int milliseconds) {
  timer_.stop();
  state_.SetInterval(milliseconds);
  timer_.start(std::max(state_.Period(), kMinTickMs));
}

void CRollingBanner::SetImages(const std::vector<std::filesystem::path>& files) {
  images_.clear();
  for (const auto& file : files) {
    QImage image = CImageEx::LoadFile(file);
    if (!image.isNull()) images_.push_back(std::move(image));
  }
  const QSize first = images_.empty() ? QSize() : images_.front().size();
  state_.SetImages(ImageCount(), first.width(), first.height());
  const Rect& r = state_.BannerRect();
  setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
  update();
}

void CRollingBanner::AddImage(const std::filesystem::path& file) {
  QImage image = CImageEx::LoadFile(file);
  if (image.isNull()) return;
  images_.push_back(std::move(image));
  state_.AddImage();
}

void CRollingBanner::Tick() {
  if (state_.Tick()) update();
}

void CRollingBanner::paintEvent(QPaintEvent*) {
  if (images_.empty()) return;
  const int width = state_.Width();
  const int height = state_.Height();
  if (width <= 0 || height <= 0) return;
  const qreal ratio = devicePixelRatioF();
  QPixmap frame(QSize(width, height) * ratio);
  frame.setDevicePixelRatio(ratio);
  frame.fill(Qt::white);
  {
    QPainter offscreen(&frame);
    offscreen.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (const auto& place : state_.PaintPlan()) {
      const QImage& image = images_[static_cast<std::size_t>(place.picture)];
      offscreen.drawImage(QRect(place.x, 0, width, height), image, image.rect());
    }
  }
  QPainter painter(this);
  painter.drawPixmap(0, 0, frame);
}

void CRollingBanner::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    if (const auto index = state_.Click()) emit Clicked(*index);
  }
  QWidget::mousePressEvent(event);
}

}  // namespace orvik::ui
