// Layout of the song store: song n lies in the thousand-block folder K<n/1000>000 as a file
// of at least five zero-padded digits, e.g. K12000/12345.sgd, K0000/00007.sgd.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvik {

inline constexpr const char* kSongExtension = ".sgd";

std::string SongBlockFolderName(int songNumber);  // "K12000"
std::string SongFileName(int songNumber);         // "12345.sgd"
// Song folder / block folder; empty for a number below 1 (no such song).
std::filesystem::path SongBlockFolder(const std::filesystem::path& songFolder, int songNumber);
// Song folder / block folder / file name; empty for a number below 1.
std::filesystem::path SongFilePath(const std::filesystem::path& songFolder, int songNumber);
// The number of a song file ("12345.sgd", any folder); nothing for any other file.
std::optional<int> SongNumberOfFile(const std::filesystem::path& file);

}  // namespace orvik
