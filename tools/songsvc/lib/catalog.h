// The song store layout and the song-number lists exchanged with the launcher.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace songsvc {

// "K1000/01234.sgd": the store path of song n, relative to the store folder.
std::string SongStorePath(int number);

// Every song file of a store folder whose name follows the layout, by number.
std::map<int, std::filesystem::path> ScanCatalog(const std::filesystem::path& dir);

// "7,,12,x" -> 7, 12: positive decimal numbers only, in order, duplicates kept once.
std::vector<int> ParseSongList(const std::string& text);

std::string JoinSongList(const std::vector<int>& numbers);

}  // namespace songsvc
