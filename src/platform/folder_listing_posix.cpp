#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/folder_listing.h"

namespace orvik::platform {

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, FolderId* id) {
  entries.clear();
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  if (id) {
    struct stat st {};
    if (::fstat(fd, &st) == 0) *id = {static_cast<std::uint64_t>(st.st_dev), st.st_ino};
  }
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return false;
  }
  bool ok = true;
  while (true) {
    errno = 0;
    const dirent* e = ::readdir(dir);
    if (!e) {
      ok = errno == 0;
      break;
    }
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    EntryKind kind = EntryKind::Other;
    switch (e->d_type) {
      case DT_REG:
        kind = EntryKind::File;
        break;
      case DT_DIR:
        kind = EntryKind::Folder;
        break;
      case DT_LNK:
      case DT_UNKNOWN: {
        // Only these cost a stat: links count as what they point to, except folders.
        struct stat st {};
        if (::fstatat(fd, name, &st, 0) == 0) {
          if (S_ISREG(st.st_mode)) {
            kind = EntryKind::File;
          } else if (S_ISDIR(st.st_mode) && e->d_type == DT_UNKNOWN) {
            struct stat own {};
            if (::fstatat(fd, name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(own.st_mode)) {
              kind = EntryKind::Folder;
            }
          }
        }
        break;
      }
      default:
        break;
    }
    entries.push_back({name, kind});
  }
  ::closedir(dir);  // closes fd as well
  return ok;
}

}  // namespace orvik::platform
