#include "update/update_status.h"

#include "update/package_download.h"
#include "update/package_extractor.h"
#include "update/update_texts.h"

namespace orvik {

std::string DownloadFailureText(const DownloadOutcome& outcome) {
  std::string status;
  switch (outcome.result) {
    case DownloadResult::HttpError:
      status = std::string(text::kDownloadFailedHttp) + std::to_string(outcome.status);
      break;
    case DownloadResult::NoSpace:
      status = text::kDownloadNoSpace;
      break;
    case DownloadResult::NotSecure:
      status = text::kDownloadNotSecure;
      break;
    case DownloadResult::WriteFailed:
      status = text::kDownloadWriteFailed;
      break;
    case DownloadResult::TransportError:
    case DownloadResult::Incomplete:
      status = text::kDownloadInterrupted;
      break;
    default:
      status = text::kDownloadFailed;
      break;
  }
  return status;
}

std::string ExtractFailureText(const ExtractReport& report) {
  std::string status = text::kUnpackFailed;
  switch (report.result) {
    case ExtractResult::NoArchive:
      status = text::kUnpackNoArchive;
      break;
    case ExtractResult::NoSevenZip:
      status = text::kUnpackNoSevenZip;
      break;
    case ExtractResult::UnsafeEntry:
      status = text::kUnpackUnsafe;
      break;
    case ExtractResult::StoreNotWritable:
      status = text::kUnpackNotWritable;
      break;
    case ExtractResult::NoSpace:
      status = text::kUnpackNoSpace;
      break;
    case ExtractResult::NoSongFolder:
      status = text::kSongFolderMissing + report.detail;
      break;
    default:
      break;
  }
  return status;
}

}  // namespace orvik
