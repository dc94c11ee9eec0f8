#include "service/transport_texts.h"

#include "core/log.h"
#include "core/user_texts.h"

namespace orvik {

std::string TransportFailureText(const TransportError& error) {
  switch (error.kind) {
    case TransportFailure::TimedOut:
      return text::kServerTimedOut;
    case TransportFailure::Certificate:
      return text::kServerCertificate;
    case TransportFailure::HttpStatus:
      return text::kServerError + std::to_string(error.status);
    case TransportFailure::TooLarge:
      return text::kServerReplyTooLarge;
    case TransportFailure::UnsafeRedirect:
      return text::kServerUnsafeRedirect;
    case TransportFailure::TlsProtocol:
      return text::kTlsProtocolMissing;
    case TransportFailure::None:
      return {};
    case TransportFailure::Unreachable:
    case TransportFailure::Aborted:
    case TransportFailure::Other:
      break;
  }
  return text::kServerUnreachable;
}

void LogExchange(const char* method, const std::string& url, const TransportError* error,
                 long status, long long elapsedMs) {
  std::string line = std::string("request ") + method + " " + url;
  if (error == nullptr || error->kind == TransportFailure::None) {
    logging::Info(line + " -> " + std::to_string(status) + " (" + std::to_string(elapsedMs) +
                  " ms)");
    return;
  }
  line += " failed: " + TransportFailureText(*error);
  if (!error->detail.empty()) line += " (" + error->detail + ")";
  logging::Warning(line + " after " + std::to_string(elapsedMs) + " ms");
}

}  // namespace orvik
