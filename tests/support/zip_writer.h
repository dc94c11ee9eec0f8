// Zip archives for the update tests, written directly: entries keep exactly the names given
// (unsafe ones included), and no shell or archiver is needed on any platform.
#pragma once

#include <map>
#include <set>
#include <string>

namespace orvik::test {

// A zip of stored (uncompressed) entries, name -> content. A name in `links` becomes a Unix
// symbolic link whose target is its content.
std::string StoredZip(const std::map<std::string, std::string>& entries,
                      const std::set<std::string>& links = {});

}  // namespace orvik::test
