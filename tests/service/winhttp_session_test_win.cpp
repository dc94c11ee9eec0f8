// The WinHTTP session: TLS 1.2 asked for (and what an old system's refusal gives), and the
// order in which the proxy settings are tried.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/user_texts.h"
#include "service/transport_texts.h"
#include "service/winhttp_session.h"
#include "service_fixture.h"
#include "update/update_outcome.h"

namespace orvik::test {
namespace {

using WinHttpSessionTest = ServiceTest;

struct OptionCall {
  DWORD option;
  DWORD value;
};

// Takes only the protocol sets in `accepted`; records every call.
WinHttpOptionSetter Recording(std::vector<OptionCall>& calls, std::vector<DWORD> accepted) {
  return [&calls, accepted](HINTERNET, DWORD option, void* value, DWORD size) -> BOOL {
    EXPECT_EQ(size, sizeof(DWORD));
    const DWORD v = *static_cast<DWORD*>(value);
    calls.push_back({option, v});
    if (std::find(accepted.begin(), accepted.end(), v) != accepted.end()) return TRUE;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  };
}

TEST(ModernTls, AsksForTls12And13ThenTls12AloneThenReportsTheRefusal) {
  constexpr DWORD k12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
  constexpr DWORD k13 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  std::vector<OptionCall> calls;
  EXPECT_EQ(RequestModernTls(nullptr, Recording(calls, {k12 | k13})), 0u);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].option, static_cast<DWORD>(WINHTTP_OPTION_SECURE_PROTOCOLS));
  EXPECT_EQ(calls[0].value, k12 | k13);

  calls.clear();  // Windows 7 with its update: no TLS 1.3
  EXPECT_EQ(RequestModernTls(nullptr, Recording(calls, {k12})), 0u);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].value, k12);

  calls.clear();  // Windows 7 without it
  EXPECT_EQ(RequestModernTls(nullptr, Recording(calls, {})), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(calls.size(), 2u);

  // The real session takes it (Wine as Windows 10 does).
  const HINTERNET session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                        WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(RequestModernTls(session, [](HINTERNET h, DWORD o, void* v, DWORD s) {
              return WinHttpSetOption(h, o, v, s);
            }),
            0u);
  WinHttpCloseHandle(session);
}

// A system that refuses TLS 1.2 sends nothing over https and says what to install; plain
// http requests still go, and the window keeps its run button.
TEST_F(WinHttpSessionTest, RefusedTlsGivesTheMessageForHttpsOnly) {
  std::vector<OptionCall> calls;
  SetTlsOptionSetterForTesting(Recording(calls, {}));
  auto transport = MakeSystemTransport(Address());
  SetTlsOptionSetterForTesting({});
  EXPECT_EQ(calls.size(), 2u);

  Service().SetFault("/api/ok", {.rawBody = "k=v"});
  TransportError error;
  EXPECT_FALSE(transport->GetSecure("/api/ok", &error));
  EXPECT_EQ(error.kind, TransportFailure::TlsProtocol);
  EXPECT_EQ(TransportFailureText(error), text::kTlsProtocolMissing);
  EXPECT_NE(std::string(text::kTlsProtocolMissing).find("KB3140245"), std::string::npos);
  EXPECT_TRUE(RequestsTo("/api/ok").empty());
  EXPECT_EQ(OutcomeOfFailure(error.kind), UpdateOutcome::TlsProtocol);

  FetchRequest fetch;
  fetch.url = Service().SecureOrigin() + "/api/ok";
  EXPECT_EQ(transport->Fetch(fetch).failure, TransportFailure::TlsProtocol);

  Service().SetFault("/api/echo", {.rawBody = "ok=1"});
  EXPECT_EQ(transport->PostForm(Service().BaseUrl() + "/api/echo", "a=1"), "ok=1");
}

TEST(ProxyChoice, ScriptThenDetectionThenTheSessionsOwnWay) {
  std::vector<std::wstring> asked;  // the scripts run, "" for auto-detection
  std::optional<ProxyChoice> scriptAnswer, detectAnswer;
  const ProxyResolver resolve = [&](const std::wstring& url, const std::wstring& script,
                                    DWORD* error) {
    EXPECT_EQ(url, L"https://songs.example/p.7z");
    asked.push_back(script);
    *error = ERROR_WINHTTP_AUTODETECTION_FAILED;
    return script.empty() ? detectAnswer : scriptAnswer;
  };
  const std::wstring url = L"https://songs.example/p.7z";
  const ProxyChoice named{ProxyChoice::Kind::Named, L"10.0.0.1:3128", L"<local>"};
  const ProxyChoice direct{ProxyChoice::Kind::Direct, {}, {}};
  ProxySettings settings{true, L"http://wpad/proxy.pac", L"192.168.0.9:8080", {}};

  bool detectionFailed = false;
  scriptAnswer = named;
  EXPECT_EQ(ChooseProxy(settings, url, resolve, &detectionFailed), named);
  EXPECT_EQ(asked, std::vector<std::wstring>{L"http://wpad/proxy.pac"});

  asked.clear();  // the script fails: auto-detection's answer, here DIRECT
  scriptAnswer.reset();
  detectAnswer = direct;
  EXPECT_EQ(ChooseProxy(settings, url, resolve, &detectionFailed), direct);
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"http://wpad/proxy.pac", L""}));

  asked.clear();  // nothing answers: the session's named proxy (or direct line)
  detectAnswer.reset();
  EXPECT_EQ(ChooseProxy(settings, url, resolve, &detectionFailed), ProxyChoice{});
  EXPECT_TRUE(detectionFailed);
  asked.clear();  // and detection is not searched for again
  EXPECT_EQ(ChooseProxy(settings, url, resolve, &detectionFailed), ProxyChoice{});
  EXPECT_EQ(asked, std::vector<std::wstring>{L"http://wpad/proxy.pac"});

  asked.clear();  // neither set: nothing is run
  EXPECT_EQ(ChooseProxy(ProxySettings{}, url, resolve, &detectionFailed), ProxyChoice{});
  EXPECT_TRUE(asked.empty());
}

}  // namespace
}  // namespace orvik::test
