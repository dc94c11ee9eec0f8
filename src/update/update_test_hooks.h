// Seams that only tests set, read by the update code at the one point each names. They are
// process-wide so that no production option carries them; a test sets one through the
// scoped guards below and the guard clears it again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace orvik::test_hooks {

// The move into the store stops dead after this many files were placed, as a kill would
// (journal and folders left as they are); one more than the files stops after the commit.
std::optional<std::size_t> KillAfterFiles();
void SetKillAfterFiles(std::optional<std::size_t> files);

// The free bytes every volume reports, instead of the real figure.
std::optional<std::uint64_t> FreeSpace();
void SetFreeSpace(std::optional<std::uint64_t> bytes);

struct ScopedKillAfterFiles {
  explicit ScopedKillAfterFiles(std::optional<std::size_t> files) { SetKillAfterFiles(files); }
  ~ScopedKillAfterFiles() { SetKillAfterFiles({}); }
  ScopedKillAfterFiles(const ScopedKillAfterFiles&) = delete;
  ScopedKillAfterFiles& operator=(const ScopedKillAfterFiles&) = delete;
};

struct ScopedFreeSpace {
  explicit ScopedFreeSpace(std::optional<std::uint64_t> bytes) { SetFreeSpace(bytes); }
  ~ScopedFreeSpace() { SetFreeSpace({}); }
  ScopedFreeSpace(const ScopedFreeSpace&) = delete;
  ScopedFreeSpace& operator=(const ScopedFreeSpace&) = delete;
};

}  // namespace orvik::test_hooks
