#include "update/package_sidecar.h"

#include <charconv>

#include "platform/files.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

// Values come from the service: a line feed would start another record.
bool OneLine(const std::string& value) { return value.find_first_of("\r\n") == std::string::npos; }

}  // namespace

fs::path SidecarPathFor(const fs::path& archive) {
  fs::path sidecar = archive;
  sidecar += ".info";
  return sidecar;
}

bool WriteSidecar(const fs::path& archive, const PackageSidecar& s) {
  for (const auto* value : {&s.url, &s.updateCode, &s.etag, &s.lastModified})
    if (!OneLine(*value)) return false;
  const std::string text = "url " + s.url + "\ncode " + s.updateCode + "\netag " + s.etag +
                           "\nmodified " + s.lastModified + "\nlength " + std::to_string(s.length) +
                           "\n";
  return platform::WriteFileAtomically(SidecarPathFor(archive), text);
}

std::optional<PackageSidecar> ReadSidecar(const fs::path& archive) {
  const auto bytes = platform::ReadFileBytes(SidecarPathFor(archive));
  if (!bytes) return std::nullopt;
  PackageSidecar s;
  int seen = 0;
  std::size_t pos = 0;
  while (pos < bytes->size()) {
    auto eol = bytes->find('\n', pos);
    if (eol == std::string::npos) return std::nullopt;
    const std::string line = bytes->substr(pos, eol - pos);
    pos = eol + 1;
    const auto space = line.find(' ');
    if (space == std::string::npos) return std::nullopt;
    const std::string key = line.substr(0, space), value = line.substr(space + 1);
    if (key == "url") {
      s.url = value;
    } else if (key == "code") {
      s.updateCode = value;
    } else if (key == "etag") {
      s.etag = value;
    } else if (key == "modified") {
      s.lastModified = value;
    } else if (key == "length") {
      if (std::from_chars(value.data(), value.data() + value.size(), s.length).ec != std::errc())
        return std::nullopt;
    } else {
      continue;
    }
    ++seen;
  }
  if (seen < 5) return std::nullopt;
  return s;
}

}  // namespace orvik
