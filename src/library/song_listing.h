// The listing of the song store: the full path of every ".sgd" file in the song folder and
// below, one per line with CR LF, in the system's narrow code page (a path that code page
// cannot hold keeps its UTF-8 form and is logged), in the order of a Windows "dir /s /b" listing: a folder's
// files first, then its subfolders one after the other, each level sorted by name without
// regard to case. Links to folders are not followed, so a link loop cannot trap the walk.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace orvik {

struct ListingOutcome {
  bool folderFound = false;  // the song folder itself could be read
  bool fileWritten = false;  // the listing file was written completely
};

// Walks `songFolder` and writes the listing to `listingFile` (not created when the song
// folder cannot be read). Each line, without its line end and in UTF-8, is also handed to
// `onLine`, in file order. Names holding a line break are left out: they cannot be one line.
ListingOutcome WriteSongListing(const std::filesystem::path& songFolder,
                                const std::filesystem::path& listingFile,
                                const std::function<void(std::string_view line)>& onLine);

// Whether `a` sorts before `b` in the listing (upper-cased comparison, then exact bytes).
bool ListingNameLess(std::string_view a, std::string_view b);

}  // namespace orvik
