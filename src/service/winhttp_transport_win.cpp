#include "service/winhttp_transport.h"

#include "platform/wide_text.h"
#include "service/system_transport.h"
#include "service/winhttp_exchange.h"
#include "service/winhttp_session.h"

namespace orvik {

WinHttpTransport::WinHttpTransport(ServiceAddress address, std::stop_token shutdown)
    : LibraryTransport(std::move(address), std::move(shutdown)), session_(OpenWinHttpSession()) {}

WinHttpTransport::~WinHttpTransport() {
  CloseWinHttpSession(session_);
}

LibraryTransport::Outcome WinHttpTransport::Run(const Exchange& exchange, Delivery& delivery) {
  ExchangeSettings settings;
  settings.secureOnly = exchange.secureOnly;
  settings.caFile = Address().caFile;
  settings.deadline = exchange.deadline;
  settings.lowSpeedBytesPerSecond = exchange.lowSpeedBytesPerSecond;
  settings.shutdown = Shutdown();
  settings.stop = exchange.stop;
  if (exchange.post) {
    settings.method = L"POST";
    settings.headers = L"Content-Type: application/x-www-form-urlencoded\r\n";
    settings.body = exchange.form;
  }
  if (exchange.package)
    settings.headers += L"User-Agent: " + platform::Utf8ToWide(kPackageUserAgent) + L"\r\n";
  if (exchange.resumeFrom) {
    settings.headers += L"Range: bytes=" + std::to_wstring(*exchange.resumeFrom) + L"-\r\n";
    if (!exchange.ifRange.empty())
      settings.headers += L"If-Range: " + platform::Utf8ToWide(exchange.ifRange) + L"\r\n";
  }
  WinHttpExchange winhttp(session_, std::move(settings));
  const auto head = [&winhttp] { return winhttp.Head(); };
  Outcome outcome;
  outcome.whole =
      winhttp.Start(exchange.url) &&
      winhttp.ReadBody([&](std::string_view block) { return delivery.Block(block, head); }) &&
      delivery.End(head);
  outcome.status = winhttp.Status();
  outcome.invalidUrl = winhttp.InvalidUrl();
  if (!outcome.whole) {
    outcome.error = winhttp.Error();
    if (delivery.Refused()) outcome.error = {TransportFailure::Aborted, outcome.status, "Aborted"};
    outcome.error.status = outcome.status;
  }
  return outcome;
}

std::unique_ptr<HttpTransport> MakeSystemTransport(ServiceAddress address,
                                                   std::stop_token shutdown) {
  return std::make_unique<WinHttpTransport>(std::move(address), std::move(shutdown));
}

}  // namespace orvik
