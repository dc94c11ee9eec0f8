#include "service/winhttp_session.h"

#include <map>
#include <memory>
#include <mutex>

#include "core/log.h"
#include "platform/wide_text.h"
#include "service/winhttp_exchange.h"

namespace orvik {
namespace {

constexpr DWORD kTls12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
constexpr DWORD kTls13 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;

struct SessionState {
  DWORD tlsRefused = 0;
  ProxySettings proxies;
  HINTERNET resolver = nullptr;  // synchronous session for the proxy scripts
  std::mutex mutex;              // guards detectionFailed and the resolver's use
  bool detectionFailed = false;
};

std::mutex g_mutex;
std::map<HINTERNET, std::shared_ptr<SessionState>> g_sessions;
WinHttpOptionSetter g_setOptionForTesting;

std::shared_ptr<SessionState> StateOf(HINTERNET session) {
  std::lock_guard lock(g_mutex);
  const auto it = g_sessions.find(session);
  return it == g_sessions.end() ? nullptr : it->second;
}

ProxySettings ReadProxySettings() {
  ProxySettings settings;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&user)) return settings;
  settings.autoDetect = user.fAutoDetect != FALSE;
  if (user.lpszAutoConfigUrl != nullptr) settings.autoConfigUrl = user.lpszAutoConfigUrl;
  if (user.lpszProxy != nullptr) settings.proxy = user.lpszProxy;
  if (user.lpszProxyBypass != nullptr) settings.bypass = user.lpszProxyBypass;
  for (wchar_t* text : {user.lpszProxy, user.lpszProxyBypass, user.lpszAutoConfigUrl})
    if (text != nullptr) GlobalFree(text);
  return settings;
}

std::optional<ProxyChoice> RunProxyScript(HINTERNET resolver, const std::wstring& url,
                                          const std::wstring& configUrl, DWORD* error) {
  WINHTTP_AUTOPROXY_OPTIONS options{};
  if (configUrl.empty()) {
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  } else {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = configUrl.c_str();
  }
  WINHTTP_PROXY_INFO info{};
  BOOL ok = WinHttpGetProxyForUrl(resolver, url.c_str(), &options, &info);
  if (!ok && GetLastError() == ERROR_WINHTTP_LOGIN_FAILURE) {
    // The script's server wants the user's Windows credentials.
    options.fAutoLogonIfChallenged = TRUE;
    ok = WinHttpGetProxyForUrl(resolver, url.c_str(), &options, &info);
  }
  if (!ok) {
    *error = GetLastError();
    return std::nullopt;
  }
  ProxyChoice choice;
  if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy != nullptr) {
    choice.kind = ProxyChoice::Kind::Named;
    choice.proxy = info.lpszProxy;
    if (info.lpszProxyBypass != nullptr) choice.bypass = info.lpszProxyBypass;
  } else {
    choice.kind = ProxyChoice::Kind::Direct;
  }
  if (info.lpszProxy != nullptr) GlobalFree(info.lpszProxy);
  if (info.lpszProxyBypass != nullptr) GlobalFree(info.lpszProxyBypass);
  return choice;
}

}  // namespace

DWORD RequestModernTls(HINTERNET session, const WinHttpOptionSetter& setOption) {
  DWORD protocols = kTls12 | kTls13;
  if (setOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols))
    return 0;
  // Systems before Windows 11 refuse the whole set when they do not know TLS 1.3.
  protocols = kTls12;
  if (setOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols))
    return 0;
  const DWORD error = GetLastError();
  return error != 0 ? error : ERROR_INVALID_PARAMETER;
}

void SetTlsOptionSetterForTesting(WinHttpOptionSetter setOption) {
  std::lock_guard lock(g_mutex);
  g_setOptionForTesting = std::move(setOption);
}

ProxyChoice ChooseProxy(const ProxySettings& settings, const std::wstring& url,
                        const ProxyResolver& resolve, bool* detectionFailed) {
  DWORD error = 0;
  if (!settings.autoConfigUrl.empty()) {
    if (auto choice = resolve(url, settings.autoConfigUrl, &error)) return *choice;
    logging::Warning("proxy: the configuration script " + platform::WideToUtf8(settings.autoConfigUrl) +
                     " gave no answer: " + DescribeWinHttpError(error));
  }
  if (settings.autoDetect && !*detectionFailed) {
    if (auto choice = resolve(url, {}, &error)) return *choice;
    // No script on this network (the usual case, and not worth a log line): searching again
    // for every request would cost seconds each.
    *detectionFailed = true;
  }
  return {};
}

HINTERNET OpenWinHttpSession() {
  auto state = std::make_shared<SessionState>();
  state->proxies = ReadProxySettings();
  const ProxySettings& p = state->proxies;
  const HINTERNET session =
      p.proxy.empty()
          ? WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                        WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC)
          : WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, p.proxy.c_str(),
                        p.bypass.empty() ? WINHTTP_NO_PROXY_BYPASS : p.bypass.c_str(),
                        WINHTTP_FLAG_ASYNC);
  if (session == nullptr) return nullptr;

  WinHttpOptionSetter setter;
  {
    std::lock_guard lock(g_mutex);
    setter = g_setOptionForTesting;
  }
  if (!setter) setter = [](HINTERNET h, DWORD option, void* value, DWORD size) {
    return WinHttpSetOption(h, option, value, size);
  };
  state->tlsRefused = RequestModernTls(session, setter);
  if (state->tlsRefused != 0)
    logging::Error("network: the system refused TLS 1.2 (error " +
                   std::to_string(state->tlsRefused) + ": " +
                   DescribeWinHttpError(state->tlsRefused) + ")");
  if (p.autoDetect || !p.autoConfigUrl.empty())
    state->resolver = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  std::lock_guard lock(g_mutex);
  g_sessions[session] = std::move(state);
  return session;
}

void CloseWinHttpSession(HINTERNET session) {
  if (session == nullptr) return;
  std::shared_ptr<SessionState> state;
  {
    std::lock_guard lock(g_mutex);
    const auto it = g_sessions.find(session);
    if (it != g_sessions.end()) {
      state = std::move(it->second);
      g_sessions.erase(it);
    }
  }
  WinHttpCloseHandle(session);
  if (state && state->resolver != nullptr) {
    std::lock_guard lock(state->mutex);
    WinHttpCloseHandle(state->resolver);
    state->resolver = nullptr;
  }
}

bool PrepareWinHttpRequest(HINTERNET session, HINTERNET request, const std::wstring& url,
                           bool secure, TransportError* failure) {
  const auto state = StateOf(session);
  if (!state) return true;
  if (secure && state->tlsRefused != 0) {
    *failure = {TransportFailure::TlsProtocol, 0,
                "TLS 1.2 refused by the system (error " + std::to_string(state->tlsRefused) +
                    ")"};
    return false;
  }
  if (state->resolver == nullptr) return true;
  ProxyChoice choice;
  {
    std::lock_guard lock(state->mutex);
    if (state->resolver == nullptr) return true;
    const HINTERNET resolver = state->resolver;
    choice = ChooseProxy(
        state->proxies, url,
        [resolver](const std::wstring& u, const std::wstring& script, DWORD* error) {
          return RunProxyScript(resolver, u, script, error);
        },
        &state->detectionFailed);
  }
  if (choice.kind == ProxyChoice::Kind::Session) return true;
  WINHTTP_PROXY_INFO info{};
  if (choice.kind == ProxyChoice::Kind::Named) {
    info.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    info.lpszProxy = choice.proxy.data();
    info.lpszProxyBypass = choice.bypass.empty() ? nullptr : choice.bypass.data();
  } else {
    info.dwAccessType = WINHTTP_ACCESS_TYPE_NO_PROXY;
  }
  WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info);
  return true;
}

}  // namespace orvik
