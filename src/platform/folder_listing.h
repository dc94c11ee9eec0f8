// One folder's entries, read the cheap way (the kind comes with the name where the file
// system gives it), for walks over large trees such as the song store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvik::platform {

enum class EntryKind {
  File,    // a regular file, or a symbolic link to one
  Folder,  // a real folder; links to folders are Other, so a walk never follows them
  Other,
};

struct FolderEntry {
  std::string name;
  EntryKind kind;
};

// Identifies a folder on this machine; equal ids mean the same folder reached twice.
struct FolderId {
  std::uint64_t device = 0;
  std::uint64_t node = 0;
  friend bool operator==(const FolderId&, const FolderId&) = default;
};

// Replaces `entries` with the folder's entries ("." and ".." left out), in no set order.
// False when the folder cannot be opened or read.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, FolderId* id);

}  // namespace orvik::platform
