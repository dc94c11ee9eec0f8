#include "update/update_test_hooks.h"

#include <atomic>

namespace orvik::test_hooks {
namespace {

// The extraction thread reads what the test thread set: atomics, with "unset" as all ones.
constexpr std::uint64_t kUnset = ~std::uint64_t{0};
std::atomic<std::uint64_t> killAfter{kUnset};
std::atomic<std::uint64_t> freeSpace{kUnset};

std::optional<std::uint64_t> Get(const std::atomic<std::uint64_t>& value) {
  const std::uint64_t v = value.load();
  if (v == kUnset) return std::nullopt;
  return v;
}

}  // namespace

std::optional<std::size_t> KillAfterFiles() {
  const auto v = Get(killAfter);
  if (!v) return std::nullopt;
  return static_cast<std::size_t>(*v);
}
void SetKillAfterFiles(std::optional<std::size_t> files) {
  killAfter = files ? std::uint64_t{*files} : kUnset;
}

std::optional<std::uint64_t> FreeSpace() { return Get(freeSpace); }
void SetFreeSpace(std::optional<std::uint64_t> bytes) { freeSpace = bytes.value_or(kUnset); }

}  // namespace orvik::test_hooks
