// Where song n lives in a song store: folder\K(n/1000)000\n.sgd, n with at least 5 digits.
// TODO(library): replace with the store layout of library/song_store.h once it lands.
#pragma once

#include <cstdint>
#include <filesystem>

namespace orvik {

std::filesystem::path SongFilePath(const std::filesystem::path& songFolder, std::int32_t number);

}  // namespace orvik
