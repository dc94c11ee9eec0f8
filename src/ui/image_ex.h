// One skin picture: decoded once from the resources, drawn stretched into any rectangle.
#pragma once

#include <QImage>
#include <filesystem>

class QPainter;

namespace orvik::ui {

class CImageEx {
 public:
  CImageEx() = default;
  explicit CImageEx(int resourceId) { LoadFromResource(resourceId); }

  // Loads ":/png/<id>.png". A missing or undecodable picture leaves the image empty, which
  // draws nothing.
  bool LoadFromResource(int resourceId);
  bool IsNull() const { return image_.isNull(); }
  QSize Size() const { return image_.size(); }
  const QImage& Image() const { return image_; }

  // Stretches the whole picture over (x, y, width, height), smoothly, blending its alpha
  // channel over what the target already holds.
  void Draw(QPainter& painter, int x, int y, int width, int height) const;

  // A banner picture from a file (PNG, JPEG, BMP, GIF); a null image when it cannot be read.
  static QImage LoadFile(const std::filesystem::path& file);

 private:
  QImage image_;
};

}  // namespace orvik::ui
