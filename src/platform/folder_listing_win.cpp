#include <windows.h>

#include "platform/folder_listing.h"
#include "platform/wide_text.h"

namespace orvik::platform {
namespace {

bool ReadFolderId(const std::wstring& folder, FolderId& id) {
  const HANDLE h =
      ::CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = ::GetFileInformationByHandle(h, &info);
  ::CloseHandle(h);
  if (ok) {
    id.device = info.dwVolumeSerialNumber;
    id.node = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
  }
  return ok;
}

}  // namespace

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, FolderId* id) {
  entries.clear();
  const std::wstring wide = Utf8ToWide(folder);
  if (wide.empty()) return false;
  if (id && !ReadFolderId(wide, *id)) return false;
  std::wstring pattern = wide;
  if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  // Basic information (no short names) fetched in large blocks: the cheap way, as dir does.
  const HANDLE find = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    // An empty folder still has "." and ".."; only the root of an empty drive has none.
    return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  }
  do {
    const wchar_t* name = data.cFileName;
    if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
    const DWORD a = data.dwFileAttributes;
    EntryKind kind = EntryKind::File;
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
      // Junctions and folder links are not followed.
      kind = (a & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::Other : EntryKind::Folder;
    } else if (a & FILE_ATTRIBUTE_DEVICE) {
      kind = EntryKind::Other;
    }
    entries.push_back({WideToUtf8(name), kind});
  } while (::FindNextFileW(find, &data));
  const bool ok = ::GetLastError() == ERROR_NO_MORE_FILES;
  ::FindClose(find);
  return ok;
}

}  // namespace orvik::platform
