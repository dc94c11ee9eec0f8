// How an update check (or the update it offered) ended, with a detail: the HTTP status of
// an HTTP error or the number of songs removed. The window decides from it which button
// shows and what the status line says; --sync its exit code.
#pragma once

#include <cstdint>

#include "service/http_transport.h"

namespace orvik {

enum class UpdateOutcome : std::uintptr_t {
  PackageReady = 1,   // the package can be fetched: the update button is offered
  NothingToAdd,       // the service has nothing for this store
  Removed,            // withdrawn songs were deleted and the store recounted
  Unreachable,        // the service could not be reached (refused, no route, no name)
  TimedOut,           // the service did not answer in time
  Certificate,        // the service's certificate could not be checked
  HttpError,          // the service answered with an error status
  PollExpired,        // the package was still not ready after the poll's time limit
  NoSettings,         // no setting.env in the module folder
  NoProductNumber,    // no product number to ask with
  SongFolderMissing,  // the configured song folder is not there
  DownloadFailed,     // the status line already says why
  UnpackFailed,       // the status line already says why
  TlsProtocol,        // the system would not speak TLS 1.2 (old Windows without its update)
};

// The outcome of an exchange that brought no reply.
inline UpdateOutcome OutcomeOfFailure(TransportFailure failure) {
  switch (failure) {
    case TransportFailure::TimedOut:
      return UpdateOutcome::TimedOut;
    case TransportFailure::Certificate:
      return UpdateOutcome::Certificate;
    case TransportFailure::TlsProtocol:
      return UpdateOutcome::TlsProtocol;
    case TransportFailure::HttpStatus:
    case TransportFailure::TooLarge:
      return UpdateOutcome::HttpError;
    default:
      return UpdateOutcome::Unreachable;
  }
}

}  // namespace orvik
