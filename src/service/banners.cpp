#include "service/banners.h"

#include <system_error>

#include "platform/files.h"
#include "platform/path_text.h"
#include "service/web_address.h"

namespace orvik {

std::filesystem::path BannerDataFile(const std::filesystem::path& moduleDir) {
  return moduleDir / "bin" / "banner.dat";
}

std::filesystem::path BannerImageFolder(const std::filesystem::path& moduleDir) {
  return moduleDir / "bin" / "images";
}

void CServiceClient::FetchBanners(const std::string& family,
                                  const std::filesystem::path& moduleDir) {
  const std::string url = m_baseUrl + "/api/app/banner/launcher/" + family;
  if (!IsPlainHttpUrl(url)) return;
  const auto reply = m_transport.PostForm(url, std::string());
  if (!reply) return;
  auto entries = ParseBannerReply(*reply);
  {
    std::lock_guard lock(m_bannerMutex);
    m_banners.insert(m_banners.end(), std::make_move_iterator(entries.begin()),
                     std::make_move_iterator(entries.end()));
  }
  // A copy for support staff; never read back. Failure is silent.
  platform::WriteFileAtomically(BannerDataFile(moduleDir), *reply);
}

void RunBannerThread(CServiceClient& client, HttpTransport& transport,
                     const std::filesystem::path& moduleDir, std::stop_token stop) {
  const auto folder = BannerImageFolder(moduleDir);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);  // also bin/ for banner.dat
  client.FetchBanners(kBannerFamily, moduleDir);
  for (const auto& entry : client.Banners()) {
    if (stop.stop_requested()) break;
    // Entries were vetted when parsed; a failed download leaves any older picture.
    const auto name = platform::PathFromUtf8(entry.fileName);
    if (!name.empty()) transport.DownloadFile(entry.pictureUrl, folder / name);
  }
}

}  // namespace orvik
