#include "service/transport_texts.h"

#include "core/log.h"

namespace orvik {

std::string TransportFailureText(const TransportError& error) {
  switch (error.kind) {
    case TransportFailure::TimedOut:
      return "서버 응답 시간 초과";
    case TransportFailure::Certificate:
      return "서버 인증서를 확인할 수 없습니다";
    case TransportFailure::HttpStatus:
      return "서버 오류 " + std::to_string(error.status);
    case TransportFailure::TooLarge:
      return "서버 응답이 너무 큽니다";
    case TransportFailure::None:
      return {};
    case TransportFailure::Unreachable:
    case TransportFailure::Aborted:
    case TransportFailure::Other:
      break;
  }
  return "서버에 연결할 수 없습니다";
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
