// The WinHTTP session of a transport: how its requests reach the network. Internal to the
// WinHTTP transport (Windows only).
//  - TLS 1.2 is asked for (1.3 too where the system knows it): Windows 7 and 8.0 offer only
//    TLS 1.0 unless a program asks. A system that refuses makes every https request fail
//    with TransportFailure::TlsProtocol, whose text says what to install.
//  - Proxies as Internet Options set them: the configuration script, then auto-detection
//    (WPAD), each per request; failing those the named proxy, failing that a direct line.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <functional>
#include <optional>
#include <string>

#include "service/http_transport.h"

namespace orvik {

// Opens an asynchronous session with the user's proxy settings and TLS 1.2 asked for.
HINTERNET OpenWinHttpSession();
void CloseWinHttpSession(HINTERNET session);

// Called for each request before it is sent: picks its proxy, and refuses an https request
// on a session whose system would not take TLS 1.2. False with `failure` set then.
bool PrepareWinHttpRequest(HINTERNET session, HINTERNET request, const std::wstring& url,
                           bool secure, TransportError* failure);

// --- Parts exposed for tests ---

// The protocols asked for. Returns 0, or the system's error when it refused TLS 1.2.
// `setOption` stands for WinHttpSetOption.
using WinHttpOptionSetter = std::function<BOOL(HINTERNET, DWORD, void*, DWORD)>;
DWORD RequestModernTls(HINTERNET session, const WinHttpOptionSetter& setOption);
// Replaces the option setter of sessions opened from now on (empty: the real one).
void SetTlsOptionSetterForTesting(WinHttpOptionSetter setOption);

// What Internet Options say about proxies.
struct ProxySettings {
  bool autoDetect = false;
  std::wstring autoConfigUrl;
  std::wstring proxy;  // the named proxy, with which the session was opened
  std::wstring bypass;
};
// How one request goes: as the session was opened (named proxy or direct), straight to
// the server, or through the proxy the script named.
struct ProxyChoice {
  enum class Kind { Session, Direct, Named } kind = Kind::Session;
  std::wstring proxy;
  std::wstring bypass;
  friend bool operator==(const ProxyChoice&, const ProxyChoice&) = default;
};
// Runs the configuration script `configUrl` (empty: auto-detection) for `url`; nullopt
// with `error` set when that gave no answer.
using ProxyResolver = std::function<std::optional<ProxyChoice>(
    const std::wstring& url, const std::wstring& configUrl, DWORD* error)>;
// The choice for `url`. `detectionFailed` remembers across requests that auto-detection
// found nothing, so that its seconds of searching are spent once.
ProxyChoice ChooseProxy(const ProxySettings& settings, const std::wstring& url,
                        const ProxyResolver& resolve, bool* detectionFailed);

}  // namespace orvik
