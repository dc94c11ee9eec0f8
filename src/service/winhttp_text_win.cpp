// Error kinds and texts of the WinHTTP transport.
#include "platform/wide_text.h"
#include "service/exchange_bookkeeping.h"
#include "service/winhttp_exchange.h"

namespace orvik {
namespace {

// Names of the usual failures, for systems (Wine) whose winhttp.dll carries no texts.
const char* ErrorName(DWORD code) {
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
      return "The operation timed out";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return "The server name could not be resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return "A connection with the server could not be established";
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return "The connection with the server was reset or terminated";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return "The server response could not be parsed";
    case ERROR_WINHTTP_REDIRECT_FAILED:
      return "The redirection failed";
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      return "A security error occurred (TLS or certificate)";
    default:
      return "";
  }
}

}  // namespace

TransportFailure FailureOfWinHttpError(DWORD code) {
  using F = TransportFailure;
  static const FailureCodes<DWORD> kTable[] = {
      {F::Unreachable, {ERROR_WINHTTP_CANNOT_CONNECT, ERROR_WINHTTP_NAME_NOT_RESOLVED}},
      {F::TimedOut, {ERROR_WINHTTP_TIMEOUT}},
      {F::Certificate,
       {ERROR_WINHTTP_SECURE_FAILURE, ERROR_WINHTTP_SECURE_CERT_DATE_INVALID,
        ERROR_WINHTTP_SECURE_CERT_CN_INVALID, ERROR_WINHTTP_SECURE_INVALID_CA,
        ERROR_WINHTTP_SECURE_CERT_REV_FAILED, ERROR_WINHTTP_SECURE_CERT_REVOKED,
        ERROR_WINHTTP_SECURE_INVALID_CERT, ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE,
        ERROR_WINHTTP_SECURE_CHANNEL_ERROR}},
      {F::Aborted, {ERROR_WINHTTP_OPERATION_CANCELLED}},
  };
  return FailureIn(kTable, code);
}

TransportFailure FailureOfSecureError(DWORD code, std::optional<DWORD> secureFailureFlags) {
  constexpr DWORD kCertificateFlags =
      WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED | WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT |
      WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED | WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA |
      WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID |
      WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID |
      WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE;
  const bool secure =
      code == ERROR_WINHTTP_SECURE_FAILURE || code == ERROR_WINHTTP_SECURE_CHANNEL_ERROR;
  if (!secure || !secureFailureFlags) return FailureOfWinHttpError(code);
  if (*secureFailureFlags & kCertificateFlags) return TransportFailure::Certificate;
  if (*secureFailureFlags & WINHTTP_CALLBACK_STATUS_FLAG_SECURITY_CHANNEL_ERROR)
    return TransportFailure::TlsProtocol;
  return FailureOfWinHttpError(code);
}

// WinHTTP's own text for an error code, for the log.
std::string DescribeWinHttpError(DWORD code) {
  wchar_t text[512] = {};
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      GetModuleHandleW(L"winhttp.dll"), code, 0, text, 512, nullptr);
  std::string out = "WinHTTP error " + std::to_string(code);
  std::wstring_view message(text, length);
  while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.remove_suffix(1);
  if (!message.empty()) return out + ": " + platform::WideToUtf8(message);
  if (*ErrorName(code) != '\0') out += std::string(": ") + ErrorName(code);
  return out;
}

}  // namespace orvik
