// The lock is a named mutex whose name comes from the module folder. Only its existence
// counts: Windows destroys it with the last handle, so it goes when its process ends.
#include <windows.h>

#include <cstdio>
#include <cwctype>

#include "platform/instance_lock.h"

namespace orvik::platform {
namespace {

class MutexLock : public InstanceLock {
 public:
  explicit MutexLock(HANDLE handle) : handle_(handle) {}
  ~MutexLock() override { ::CloseHandle(handle_); }

 private:
  HANDLE handle_;
};

// Folder names compare ignoring case, and a name may not hold backslashes: the full path,
// upper-cased, is hashed (FNV-1a, 64 bits). Global: one launcher per folder across sessions.
std::wstring LockName(const std::filesystem::path& moduleDir) {
  std::wstring full(MAX_PATH, L'\0');
  DWORD n =
      ::GetFullPathNameW(moduleDir.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n >= full.size()) {
    full.resize(n);
    n = ::GetFullPathNameW(moduleDir.c_str(), n, full.data(), nullptr);
  }
  full.resize(n < full.size() ? n : 0);
  if (full.empty()) full = moduleDir.native();
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  std::uint64_t hash = 14695981039346656037ull;
  for (const wchar_t c : full) {
    const wchar_t u = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towupper(c));
    hash = (hash ^ static_cast<std::uint16_t>(u)) * 1099511628211ull;
  }
  wchar_t name[64];
  std::swprintf(name, 64, L"Global\\Orvik-%016llX", static_cast<unsigned long long>(hash));
  return name;
}

}  // namespace

std::unique_ptr<InstanceLock> TryLockModuleFolder(const std::filesystem::path& moduleDir) {
  const HANDLE handle = ::CreateMutexW(nullptr, FALSE, LockName(moduleDir).c_str());
  if (handle == nullptr) return nullptr;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(handle);
    return nullptr;
  }
  return std::make_unique<MutexLock>(handle);
}

}  // namespace orvik::platform
