#include "ui/image_ex.h"

#include <QPainter>
#include <QString>

#include "platform/path_text.h"
#include "ui/skin_resources.h"

namespace orvik::ui {

bool CImageEx::LoadFromResource(int resourceId) {
  InitSkinResources();
  image_ = QImage(QStringLiteral(":/png/%1.png").arg(resourceId));
  if (!image_.isNull()) {
    // Premultiplied pixels are what the raster engine blends fastest.
    image_ = image_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  return !image_.isNull();
}

void CImageEx::Draw(QPainter& painter, int x, int y, int width, int height) const {
  if (image_.isNull() || width <= 0 || height <= 0) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(QRect(x, y, width, height), image_, image_.rect());
  painter.restore();
}

QImage CImageEx::LoadFile(const std::filesystem::path& file) {
  // Through the one path helper: it never throws, whatever bytes a name holds (a picture
  // named by the service must not end the launcher).
  const std::string name = platform::PathToUtf8(file);
  if (name.empty()) return {};
  return QImage(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

}  // namespace orvik::ui
