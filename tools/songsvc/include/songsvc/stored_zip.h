// The one zip writer of the project: stored (uncompressed) entries, as the reference service
// packs its song packages and as the tests write archives (unsafe names included, kept
// exactly as given). Plain C++; builds on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace songsvc {

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);

// Writes an archive front to back into `sink`: each entry's header, then its bytes, then the
// central directory. Throws std::runtime_error where the archive would need zip64
// (4 GiB or 65535 entries).
class StoredZipWriter {
 public:
  using Sink = std::function<void(std::string_view)>;
  explicit StoredZipWriter(Sink sink) : sink_(std::move(sink)) {}

  // The caller then hands exactly `size` bytes to Content. A symbolic link's content is its
  // target (the entry carries the Unix link mode).
  void BeginEntry(const std::string& name, std::uint64_t size, std::uint32_t crc,
                  bool symlink = false);
  void Content(std::string_view bytes);
  // Writes the central directory; the archive's size in bytes.
  std::uint64_t Finish();

 private:
  struct Entry {
    std::string name;
    std::uint32_t crc = 0;
    std::uint32_t size = 0;
    std::uint32_t offset = 0;
    bool symlink = false;
  };
  void Put(std::string_view bytes);

  Sink sink_;
  std::vector<Entry> entries_;
  std::uint64_t offset_ = 0;
};

// A whole archive in memory, name -> content; a name in `links` becomes a Unix symbolic link
// whose target is its content.
std::string StoredZip(const std::map<std::string, std::string>& entries,
                      const std::set<std::string>& links = {});

}  // namespace songsvc
