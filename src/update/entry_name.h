// The one check of a name inside the song store, for archive entries and journal entries
// alike: on Windows and on Linux the same names pass.
#pragma once

#include <string_view>

namespace orvik {

// True when an archive entry name stays inside the folder it is unpacked into: no absolute
// or drive path, no ".." part (either slash separates), no part that Windows would trim
// into one (". .", ".. ").
bool IsSafeEntryName(std::string_view name);

}  // namespace orvik
