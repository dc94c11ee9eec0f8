#include "update/package_sidecar.h"

#include <charconv>

#include "platform/files.h"
#include "update/line_value.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

// Values are escaped since this header was added (the service may send a code with a line
// break); a sidecar without it was written before and holds its values as they are. An
// older launcher skips the header as an unknown line.
constexpr std::string_view kHeader = "orvik-sidecar 2";

}  // namespace

fs::path SidecarPathFor(const fs::path& archive) {
  fs::path sidecar = archive;
  sidecar += ".info";
  return sidecar;
}

bool WriteSidecar(const fs::path& archive, const PackageSidecar& s) {
  std::string text(kHeader);
  text += "\nurl " + EscapeLineValue(s.url) + "\ncode " + EscapeLineValue(s.updateCode) +
          "\netag " + EscapeLineValue(s.etag) + "\nmodified " + EscapeLineValue(s.lastModified) +
          "\nlength " + std::to_string(s.length) + "\n";
  return platform::WriteFileAtomically(SidecarPathFor(archive), text);
}

std::optional<PackageSidecar> ReadSidecar(const fs::path& archive) {
  const auto bytes = platform::ReadFileBytes(SidecarPathFor(archive));
  if (!bytes) return std::nullopt;
  PackageSidecar s;
  const bool escaped = bytes->starts_with(std::string(kHeader) + "\n");
  int seen = 0;
  std::size_t pos = escaped ? kHeader.size() + 1 : 0;
  while (pos < bytes->size()) {
    auto eol = bytes->find('\n', pos);
    if (eol == std::string::npos) return std::nullopt;
    const std::string line = bytes->substr(pos, eol - pos);
    pos = eol + 1;
    const auto space = line.find(' ');
    if (space == std::string::npos) return std::nullopt;
    const std::string key = line.substr(0, space);
    auto value = escaped ? UnescapeLineValue(std::string_view(line).substr(space + 1))
                         : std::optional<std::string>(line.substr(space + 1));
    if (!value) return std::nullopt;
    if (key == "url") {
      s.url = std::move(*value);
    } else if (key == "code") {
      s.updateCode = std::move(*value);
    } else if (key == "etag") {
      s.etag = std::move(*value);
    } else if (key == "modified") {
      s.lastModified = std::move(*value);
    } else if (key == "length") {
      if (std::from_chars(value->data(), value->data() + value->size(), s.length).ec != std::errc())
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
