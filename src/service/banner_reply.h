// The banner list reply: entries separated by "|", fields by ",", no quoting.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvik {

struct BannerEntry {
  std::string tag;         // field 1, carried but unused
  std::string pictureUrl;  // field 2
  std::string fileName;    // field 3: name in bin/images, UTF-8 (CP949 on the wire)
  std::string link;        // field 4: opened on a click; empty: a click does nothing
  friend bool operator==(const BannerEntry&, const BannerEntry&) = default;
};

// Entries in reply order. Pieces with fewer than three fields are skipped, three fields
// give an empty link, fields after the fourth are ignored. An entry whose picture name
// could leave the picture folder (see IsSafePictureName) is skipped; a link that is not a
// web address is dropped (the entry stays, a click then does nothing).
std::vector<BannerEntry> ParseBannerReply(std::string_view reply);

// A plain file name on every platform: not empty, ".", "..", no path separator, colon,
// control character or character Windows forbids, not ending in a dot or space, and not
// a reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without extension).
bool IsSafePictureName(std::string_view name);

}  // namespace orvik
