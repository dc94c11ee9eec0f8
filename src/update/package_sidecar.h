// What the launcher keeps beside a package archive (and its partial download): the address
// it came from, the server's validators and length, and the package's update code. A
// resume is made only onto the same package, and a leftover archive reports with its code.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace orvik {

struct PackageSidecar {
  std::string url;
  std::string updateCode;
  std::string etag;
  std::string lastModified;
  std::uint64_t length = 0;  // 0: not announced
};

// "<archive>.info"
std::filesystem::path SidecarPathFor(const std::filesystem::path& archive);
bool WriteSidecar(const std::filesystem::path& archive, const PackageSidecar& sidecar);
std::optional<PackageSidecar> ReadSidecar(const std::filesystem::path& archive);

}  // namespace orvik
