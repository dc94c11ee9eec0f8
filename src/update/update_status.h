// What the status line says when a download or an unpacking fails, naming the folder,
// file or reason involved.
#pragma once

#include <filesystem>
#include <string>

namespace orvik {

struct DownloadOutcome;
struct ExtractReport;

std::string DownloadFailureText(const DownloadOutcome& outcome,
                                const std::filesystem::path& moduleDir);
std::string ExtractFailureText(const ExtractReport& report, const std::filesystem::path& archive,
                               const std::filesystem::path& songFolder);

}  // namespace orvik
