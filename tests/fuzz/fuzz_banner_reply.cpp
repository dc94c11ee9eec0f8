// The banner reply: whatever arrives, no picture name may lead out of bin/images and no
// link other than a web address may survive.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "service/banner_reply.h"
#include "service/web_address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::filesystem::path images = "/module/bin/images";
  for (const auto& entry : orvik::ParseBannerReply(text)) {
    if (!orvik::IsSafePictureName(entry.fileName)) std::abort();
    const auto target = (images / entry.fileName).lexically_normal();
    if (target.parent_path() != images || target.filename() != entry.fileName) std::abort();
    if (!entry.link.empty() && !orvik::IsWebAddress(entry.link)) std::abort();
    if (entry.link.find_first_of("|,") != std::string::npos) std::abort();
  }
  return 0;
}
