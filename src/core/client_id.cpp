#include "core/client_id.h"

#include <system_error>

#include "platform/files.h"
#include "platform/identity.h"

namespace orvik {

std::string LoadClientId(const std::filesystem::path& moduleDir, ClientIdProblem* problem) {
  if (problem) *problem = ClientIdProblem::None;
  const auto file = moduleDir / "data.r4x";
  if (auto bytes = platform::ReadFileBytes(file)) {
    const auto nul = bytes->find('\0');
    if (nul != std::string::npos) bytes->resize(nul);
    return *bytes;
  }
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(file, ec))) {
    if (problem) *problem = ClientIdProblem::Unreadable;
    return {};
  }
  std::string id = platform::MakeGuidText();
  // An empty file would be read back as the identifier at every later start.
  if (id.empty()) {
    if (problem) *problem = ClientIdProblem::CannotStore;
    return {};
  }
  // Temporary file and rename: a crash cannot leave an empty identifier behind.
  if (!platform::WriteFileAtomically(file, id)) {
    if (problem) *problem = ClientIdProblem::CannotStore;
    return {};
  }
  return id;
}

}  // namespace orvik
