// The one place where a failed exchange becomes the operator's words (UTF-8). The
// library's own text never reaches the operator; it goes to the log.
#pragma once

#include <string>

#include "service/http_transport.h"

namespace orvik {

// "서버에 연결할 수 없습니다", "서버 응답 시간 초과", "서버 인증서를 확인할 수 없습니다",
// "서버 오류 <status>", ...
std::string TransportFailureText(const TransportError& error);

// One log line for an exchange: what was asked, how it ended, how long it took.
void LogExchange(const char* method, const std::string& url, const TransportError* error,
                 long status, long long elapsedMs);

}  // namespace orvik
