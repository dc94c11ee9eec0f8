#include <windows.h>
// windows.h first: the GDI+ and shell headers need it.
#include <objidl.h>
#include <shlwapi.h>

#include <gdiplus.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "ui/win32/skin_image.h"

namespace orvik::ui::win {

SkinImage::SkinImage() = default;
SkinImage::~SkinImage() = default;
SkinImage::SkinImage(SkinImage&&) noexcept = default;
SkinImage& SkinImage::operator=(SkinImage&&) noexcept = default;

bool SkinImage::LoadFromResource(int id) {
  bitmap_.reset();
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  return bytes && Decode(bytes, SizeofResource(module, found));
}

bool SkinImage::LoadFile(const std::filesystem::path& file) {
  bitmap_.reset();
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  return !bytes.empty() && Decode(bytes.data(), bytes.size());
}

bool SkinImage::Decode(const void* bytes, std::size_t size) {
  IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), static_cast<UINT>(size));
  if (!stream) return false;
  bool ok = false;
  {
    Gdiplus::Bitmap decoded(stream);
    if (decoded.GetLastStatus() == Gdiplus::Ok && decoded.GetWidth() > 0) {
      // A copy of its own: the decoded bitmap reads from the stream for as long as it lives.
      auto copy = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(decoded.GetWidth()),
                                                    static_cast<INT>(decoded.GetHeight()),
                                                    PixelFormat32bppPARGB);
      Gdiplus::Graphics g(copy.get());
      g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
      ok = g.DrawImage(&decoded, 0, 0, static_cast<INT>(decoded.GetWidth()),
                       static_cast<INT>(decoded.GetHeight())) == Gdiplus::Ok;
      if (ok) bitmap_ = std::move(copy);
    }
  }
  stream->Release();
  return ok;
}

int SkinImage::Width() const { return bitmap_ ? static_cast<int>(bitmap_->GetWidth()) : 0; }
int SkinImage::Height() const { return bitmap_ ? static_cast<int>(bitmap_->GetHeight()) : 0; }

void SkinImage::Draw(Gdiplus::Graphics& graphics, int x, int y, int width, int height) const {
  if (!bitmap_) return;
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.DrawImage(bitmap_.get(), Gdiplus::Rect(x, y, width, height), 0, 0,
                     static_cast<INT>(bitmap_->GetWidth()), static_cast<INT>(bitmap_->GetHeight()),
                     Gdiplus::UnitPixel);
}

void SkinImage::Draw(HDC dc, int x, int y, int width, int height) const {
  if (!bitmap_) return;
  Gdiplus::Graphics graphics(dc);
  Draw(graphics, x, y, width, height);
}

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

GdiplusSession::~GdiplusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

}  // namespace orvik::ui::win
