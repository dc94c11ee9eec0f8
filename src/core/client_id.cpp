#include "core/client_id.h"

#include "platform/files.h"
#include "platform/identity.h"

namespace orvik {

std::string LoadClientId(const std::filesystem::path& moduleDir) {
  const auto file = moduleDir / "data.r4x";
  if (auto bytes = platform::ReadFileBytes(file)) {
    const auto nul = bytes->find('\0');
    if (nul != std::string::npos) bytes->resize(nul);
    return *bytes;
  }
  std::string id = platform::MakeGuidText();
  // Temporary file and rename: a crash cannot leave an empty identifier behind.
  platform::WriteFileAtomically(file, id);
  return id;
}

}  // namespace orvik
