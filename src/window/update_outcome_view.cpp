#include "window/update_outcome_view.h"

#include "service/transport_texts.h"

namespace orvik {

OutcomeView ViewOfOutcome(UpdateOutcome outcome, long detail, const std::string& settingsFile) {
  const auto failure = [&](TransportFailure kind) {
    return OutcomeView{true, TransportFailureText({kind, detail, {}}), true};
  };
  switch (outcome) {
    case UpdateOutcome::PackageReady:
      return {false, std::nullopt, false};
    case UpdateOutcome::NothingToAdd:
    case UpdateOutcome::Removed:
      return {true, std::nullopt, false};
    case UpdateOutcome::Unreachable:
      return failure(TransportFailure::Unreachable);
    case UpdateOutcome::TimedOut:
      return failure(TransportFailure::TimedOut);
    case UpdateOutcome::Certificate:
      return failure(TransportFailure::Certificate);
    case UpdateOutcome::TlsProtocol:
      return failure(TransportFailure::TlsProtocol);
    case UpdateOutcome::HttpError:
      return failure(TransportFailure::HttpStatus);
    case UpdateOutcome::PollExpired:
      return {true, text::kPollExpired, true};
    case UpdateOutcome::NoSettings:
      return {true, text::kNoSettings + settingsFile, false};
    case UpdateOutcome::NoProductNumber:
      return {true, text::kNoProductNumber, false};
    case UpdateOutcome::SongFolderMissing:
      return {true, std::nullopt, false};
    case UpdateOutcome::DownloadFailed:
    case UpdateOutcome::UnpackFailed:
      // The update is offered again by the next check.
      return {true, std::nullopt, true};
  }
  return {};
}

}  // namespace orvik
