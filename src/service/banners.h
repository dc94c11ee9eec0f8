// The banner thread: fetch the banner list, download its pictures into bin/images, tell the
// window. (CServiceClient::FetchBanners is defined with it.)
#pragma once

#include <filesystem>
#include <stop_token>

#include "service/service_client.h"

namespace orvik {

class WindowPort;

inline constexpr char kBannerFamily[] = "tunova";

std::filesystem::path BannerDataFile(const std::filesystem::path& moduleDir);     // bin/banner.dat
std::filesystem::path BannerImageFolder(const std::filesystem::path& moduleDir);  // bin/images

// Runs once per program run on its own thread: FetchBanners("tunova"), then each picture
// through `transport` into the picture folder (created when missing), then posts
// WM_BANNERS_READY through `port`, also when nothing could be fetched. A stop request
// skips the remaining pictures.
void RunBannerThread(CServiceClient& client, HttpTransport& transport,
                     const std::filesystem::path& moduleDir, WindowPort& port,
                     std::stop_token stop = {});

}  // namespace orvik
