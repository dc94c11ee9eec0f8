#include "update/update_status.h"

#include "platform/path_text.h"
#include "service/transport_texts.h"
#include "update/package_download.h"
#include "update/package_extractor.h"
#include "core/user_texts.h"

namespace orvik {

std::string DownloadFailureText(const DownloadOutcome& outcome,
                                const std::filesystem::path& moduleDir) {
  switch (outcome.result) {
    case DownloadResult::HttpError:
      return text::kDownloadFailedHttp + std::to_string(outcome.status);
    case DownloadResult::NoSpace:
      return text::kDownloadNoSpace + platform::PathToUtf8(moduleDir);
    case DownloadResult::NotSecure:
      return text::kDownloadNotSecure;
    case DownloadResult::UnsafeRedirect:
      return text::kDownloadUnsafeRedirect;
    case DownloadResult::WriteFailed:
      return text::kDownloadWriteFailed + platform::PathToUtf8(moduleDir);
    case DownloadResult::TransportError:
      return text::kDownloadInterrupted +
             TransportFailureText({outcome.failure, outcome.status, outcome.detail});
    case DownloadResult::Incomplete:
      return std::string(text::kDownloadInterrupted) + text::kDownloadCut;
    default:
      return text::kDownloadFailed;
  }
}

std::string ExtractFailureText(const ExtractReport& report, const std::filesystem::path& archive,
                               const std::filesystem::path& songFolder) {
  switch (report.result) {
    case ExtractResult::NoArchive:
      return text::kUnpackNoArchive + platform::PathToUtf8(archive);
    case ExtractResult::NoSevenZip:
      return text::kUnpackNoSevenZip;
    case ExtractResult::UnsafeEntry:
      return text::kUnpackUnsafe + report.detail;
    case ExtractResult::StoreNotWritable:
      return text::kUnpackNotWritable + platform::PathToUtf8(songFolder);
    case ExtractResult::NoSpace:
      if (report.neededBytes) return DiskSpaceShortText(report);
      return text::kUnpackNoSpace + platform::PathToUtf8(songFolder);
    case ExtractResult::FileHeld:
      return text::kUnpackFileHeld + report.detail;
    case ExtractResult::NoSongFolder:
      return text::kSongFolderMissing + platform::PathToUtf8(songFolder);
    default:
      return text::kUnpackFailed + platform::PathToUtf8(archive);
  }
}

}  // namespace orvik
