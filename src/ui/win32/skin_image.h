// One picture for the Win32 front end: a skin PNG from the resources or a banner file,
// decoded by GDI+ into a bitmap of its own (no stream or file stays open behind it).
#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>

namespace Gdiplus {
class Bitmap;
class Graphics;
}  // namespace Gdiplus

namespace orvik::ui::win {

class SkinImage {
 public:
  SkinImage();
  ~SkinImage();
  SkinImage(SkinImage&&) noexcept;
  SkinImage& operator=(SkinImage&&) noexcept;

  // The RCDATA resource `id` of this module. A missing or undecodable picture leaves the
  // image empty, which draws nothing.
  bool LoadFromResource(int id);
  // A banner picture file (PNG, JPEG, BMP, GIF).
  bool LoadFile(const std::filesystem::path& file);

  bool IsNull() const { return !bitmap_; }
  int Width() const;
  int Height() const;
  // Stretches the whole picture over the rectangle, blending its alpha over the target.
  void Draw(Gdiplus::Graphics& graphics, int x, int y, int width, int height) const;
  void Draw(HDC dc, int x, int y, int width, int height) const;

 private:
  bool Decode(const void* bytes, std::size_t size);
  std::unique_ptr<Gdiplus::Bitmap> bitmap_;
};

// GDI+ for the lifetime of the object (the window's).
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

}  // namespace orvik::ui::win
