// What the status line says when a download or an unpacking fails.
#pragma once

#include <string>

namespace orvik {

struct DownloadOutcome;
struct ExtractReport;

std::string DownloadFailureText(const DownloadOutcome& outcome);
std::string ExtractFailureText(const ExtractReport& report);

}  // namespace orvik
