// File helpers for the launcher's own files and the song store.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvik::platform {

// std::fopen on a path (the wide-character open on Windows); null when it fails.
std::FILE* OpenFileStream(const std::filesystem::path& file, const char* mode);
// Flushes a stream's buffer and then the file's data to disk. False when either failed.
bool SyncFileStream(std::FILE* stream);
// Whole file as bytes; nullopt when it cannot be opened.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& file);
// Writes to a temporary file in the same folder, flushes it to disk and renames it over
// `file`; on any failure the old file is untouched and the temporary removed.
// `mode`: the permission bits the new file gets (those of the file it replaces); unset: 0644
// under the process's umask.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes,
                         std::optional<unsigned> mode = std::nullopt);
// True when this process may create files in `folder`.
bool IsFolderWritable(const std::filesystem::path& folder);
// Free bytes for an unprivileged writer on the volume holding `path`; nullopt if unknown.
std::optional<std::uint64_t> FreeSpace(const std::filesystem::path& path);

}  // namespace orvik::platform
