// The store manifest's reader: any bytes parse without a crash, whatever it accepts names only
// paths inside the store, in order, and reads back unchanged once written.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "update/store_journal.h"
#include "update/store_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto manifest = orvik::ParseManifest(input);
  if (!manifest) return 0;
  const std::string* previous = nullptr;
  for (const auto& e : manifest->Entries()) {
    if (!orvik::IsSafeStoreFileName(e.path) || e.update >= manifest->Updates().size())
      std::abort();
    if (previous && !(*previous < e.path)) std::abort();
    previous = &e.path;
  }
  const std::string once = orvik::SerializeManifest(*manifest);
  const auto again = orvik::ParseManifest(once);
  if (!again || orvik::SerializeManifest(*again) != once) std::abort();
  return 0;
}
