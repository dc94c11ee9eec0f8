// The banner thread's work: fetch the banner list and download its pictures into
// bin/images. (CServiceClient::FetchBanners is defined with it.)
#pragma once

#include <filesystem>
#include <stop_token>

#include "service/service_client.h"

namespace orvik {

inline constexpr char kBannerFamily[] = "tunova";

std::filesystem::path BannerDataFile(const std::filesystem::path& moduleDir);     // bin/banner.dat
std::filesystem::path BannerImageFolder(const std::filesystem::path& moduleDir);  // bin/images

// Runs once per program run on its own thread: FetchBanners("tunova"), then each picture
// through `transport` into the picture folder (created when missing). Returns when done,
// also when nothing could be fetched; the list is then in `client.Banners()`. A stop
// request skips the remaining pictures.
void RunBannerThread(CServiceClient& client, HttpTransport& transport,
                     const std::filesystem::path& moduleDir, std::stop_token stop = {});

}  // namespace orvik
