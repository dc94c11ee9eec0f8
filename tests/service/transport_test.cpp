// The platform's transport (libcurl, WinHTTP) against the reference service on loopback.
#include <gtest/gtest.h>

#include "core/log.h"
#include "service/transport_limits.h"
#include "service/transport_texts.h"
#include "service_fixture.h"

namespace orvik::test {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

using TransportTest = ServiceTest;

std::string Header(const songsvc::RecordedRequest& request, const std::string& name) {
  const auto it = request.headers.find(name);
  return it == request.headers.end() ? std::string("<none>") : it->second;
}

TEST_F(TransportTest, PostFormSendsTheFormAsGiven) {
  const std::string form = "a=1&b=%B0%A1&c=x+y";
  Service().SetFault("/api/echo", {.rawBody = "ok=1"});
  const auto reply = transport_->PostForm(Service().BaseUrl() + "/api/echo?q=2", form);
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply, "ok=1");
  const auto requests = RequestsTo("/api/echo");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_FALSE(requests[0].secure);
  EXPECT_EQ(requests[0].query, "q=2");
  EXPECT_EQ(requests[0].body, form);
  EXPECT_EQ(Header(requests[0], "Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(Header(requests[0], "Content-Length"), std::to_string(form.size()));
  EXPECT_EQ(Header(requests[0], "Expect"), "<none>");
}

TEST_F(TransportTest, PostFormSendsNothingToAnythingButPlainHttp) {
  for (const std::string& url : {Service().SecureOrigin() + "/api/device-connect",
                                 std::string("not a url"), std::string("file:///etc/passwd")}) {
    EXPECT_FALSE(transport_->PostForm(url, "a=1")) << url;
  }
  EXPECT_TRUE(Service().Requests().empty());
  EXPECT_TRUE(port_.Messages().empty());
}

TEST_F(TransportTest, RepliesAreJoinedWithoutLineFeedsWhateverTheStatus) {
  const std::string url = Service().BaseUrl() + "/api/x";
  Service().SetFault("/api/x", {.rawBody = "a=1\nb=2\n", .remaining = 1});
  EXPECT_EQ(transport_->PostForm(url, ""), "a=1b=2");
  Service().SetFault("/api/x", {.rawBody = "a=1\r\nb=2\r\n", .remaining = 1});
  EXPECT_EQ(transport_->PostForm(url, ""), "a=1\rb=2\r");
  Service().SetFault("/api/x", {.status = 500, .rawBody = "e=1", .remaining = 1});
  EXPECT_EQ(transport_->PostForm(url, ""), "e=1");
}

TEST_F(TransportTest, AnOversizedFormReplyIsNoReply) {
  const std::string url = Service().BaseUrl() + "/api/big";
  Service().SetFault("/api/big", {.rawBody = std::string(kMaxFormReplyBytes + 1, 'x')});
  TransportError error;
  EXPECT_FALSE(transport_->PostForm(url, "", &error));
  EXPECT_EQ(error.kind, TransportFailure::TooLarge);
  Service().SetFault("/api/big", {.rawBody = std::string(kMaxFormReplyBytes, 'x')});
  EXPECT_EQ(transport_->PostForm(url, "")->size(), kMaxFormReplyBytes);
}

TEST_F(TransportTest, GetSecureReadsOver200Only) {
  Service().SetFault("/api/ok", {.rawBody = "k=v\r\n"});
  EXPECT_EQ(transport_->GetSecure("/api/ok"), "k=v\r");
  ASSERT_EQ(RequestsTo("/api/ok").size(), 1u);
  EXPECT_TRUE(RequestsTo("/api/ok")[0].secure);
  EXPECT_EQ(RequestsTo("/api/ok")[0].method, "GET");

  TransportError error;
  Service().SetFault("/api/busy", {.status = 503, .rawBody = "busy"});
  EXPECT_FALSE(transport_->GetSecure("/api/busy", &error));
  EXPECT_EQ(error.kind, TransportFailure::HttpStatus);
  EXPECT_EQ(error.status, 503);
  EXPECT_EQ(TransportFailureText(error), "서버 오류 503");
  EXPECT_TRUE(port_.Messages().empty());  // the caller tells the operator
}

TEST_F(TransportTest, FailuresAreToldInTheOperatorsTermsAndTheDetailIsLogged) {
  std::vector<std::string> logged;
  logging::SetListener([&](logging::Level, const std::string& line) { logged.push_back(line); });
  WriteTextFile(dirs_ / "not-a-ca.pem", "-----BEGIN CERTIFICATE-----\nAAAA\n");
  Service().SetFault("/api/ok", {.rawBody = "k=v"});
  // No bundle (the test CA is in no system store), and a bundle without a certificate.
  for (const std::string& caFile : {std::string(), platform::PathToUtf8(dirs_ / "not-a-ca.pem")}) {
    auto untrusting =
        MakeSystemTransport({Service().BaseUrl(), Service().SecureOrigin(), caFile});
    TransportError error;
    EXPECT_FALSE(untrusting->GetSecure("/api/ok", &error)) << caFile;
    EXPECT_EQ(error.kind, TransportFailure::Certificate) << caFile;
    EXPECT_EQ(TransportFailureText(error), "서버 인증서를 확인할 수 없습니다");
    // WinHTTP lets a private CA's server through the handshake; the program checks the
    // bundle before it reads the reply, after the request went out.
    if (caFile.empty()) {
      EXPECT_TRUE(RequestsTo("/api/ok").empty());
    }
  }
  EXPECT_TRUE(port_.Messages().empty());  // the caller tells the operator

  const std::string closed = "http://127.0.0.1:1/api/device-connect";  // nothing listens there
  TransportError error;
  EXPECT_FALSE(transport_->PostForm(closed, "songs=1", &error));
  EXPECT_EQ(error.kind, TransportFailure::Unreachable);
  EXPECT_EQ(TransportFailureText(error), "서버에 연결할 수 없습니다");
  logging::SetListener(nullptr);
  ASSERT_GE(logged.size(), 2u);
  EXPECT_NE(logged.back().find(closed + " failed: 서버에 연결할 수 없습니다 ("), std::string::npos)
      << logged.back();
  EXPECT_EQ(logged.back().find("songs=1"), std::string::npos);  // never the form body
}

TEST_F(TransportTest, AStoppedTransportSendsNothingAndTellsNobody) {
  std::stop_source shutdown;
  auto stopped = MakeSystemTransport(Address(), shutdown.get_token());
  shutdown.request_stop();
  EXPECT_FALSE(stopped->GetSecure("/api/ok"));
  EXPECT_FALSE(stopped->PostForm(Service().BaseUrl() + "/api/x", ""));
  EXPECT_TRUE(port_.Messages().empty());
  EXPECT_TRUE(Service().Requests().empty());
}

TEST_F(TransportTest, DownloadFileStoresA200BodyOverHttpsOnTheUrlsPort) {
  const auto target = dirs_ / "page.html";
  const std::string url = Service().SecureOrigin() + "/api/app/banner/event/event-update";
  EXPECT_TRUE(transport_->DownloadFile(url, target));
  EXPECT_NE(ReadTextFile(target).find("<html>"), std::string::npos);
  EXPECT_TRUE(RequestsTo("/api/app/banner/event/")[0].secure);
}

TEST_F(TransportTest, DownloadFileFetchesPlainHttpOverPlainHttp) {
  WriteTextFile(BannerPictures() / "p1.png", std::string("\x89PNG\r\n\x1a\n\0data", 13));
  const auto target = dirs_ / "p1.png";
  EXPECT_TRUE(transport_->DownloadFile(Service().BaseUrl() + "/banners/p1.png", target));
  EXPECT_EQ(ReadTextFile(target), std::string("\x89PNG\r\n\x1a\n\0data", 13));
}

TEST_F(TransportTest, DownloadFileFailuresKeepTheOlderFileAndLogWhy) {
  const auto target = dirs_ / "old.png";
  WriteTextFile(target, "older picture");
  struct Case {
    std::string url;
    songsvc::Fault fault;
    TransportFailure kind;
    std::string logged;
  };
  const std::string base = Service().BaseUrl();
  const std::vector<Case> cases = {
      {base + "/banners/missing.png", {}, TransportFailure::HttpStatus, "서버 오류 404"},
      {base + "/f/cut", {.rawBody = std::string(5000, 'x'), .truncateAfter = 100},
       TransportFailure::Other, " failed: "},
      {"no url", {}, TransportFailure::Other, "no url failed: "},
      {"file:///etc/passwd", {}, TransportFailure::Other, "file:///etc/passwd failed: "},
  };
  for (const auto& c : cases) {
    Service().ClearFaults();
    if (c.fault.rawBody) Service().SetFault("/f/", c.fault);
    std::vector<std::string> logged;
    logging::SetListener([&](logging::Level, const std::string& line) { logged.push_back(line); });
    CaptureStderr();
    TransportError error;
    EXPECT_FALSE(transport_->DownloadFile(c.url, target, &error)) << c.url;
    EXPECT_EQ(GetCapturedStderr(), "");  // the log is the one report
    logging::SetListener(nullptr);
    EXPECT_EQ(error.kind, c.kind) << c.url;
    ASSERT_EQ(logged.size(), 1u) << c.url;
    EXPECT_NE(logged[0].find(c.logged), std::string::npos) << logged[0];
    EXPECT_EQ(ReadTextFile(target), "older picture") << c.url;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dirs_.path()), {}), 4);
}

TEST_F(TransportTest, DownloadFileMakesAnEmptyFileOfAnEmpty200Reply) {
  Service().SetFault("/f/empty", {.rawBody = ""});
  const auto target = dirs_ / "empty.png";
  WriteTextFile(target, "older");
  EXPECT_TRUE(transport_->DownloadFile(Service().BaseUrl() + "/f/empty", target));
  EXPECT_TRUE(std::filesystem::exists(target));
  EXPECT_EQ(std::filesystem::file_size(target), 0u);
}

TEST_F(TransportTest, DownloadFileIntoAMissingFolderSaysSo) {
  WriteTextFile(BannerPictures() / "p.png", "x");
  const auto target = dirs_ / "nowhere" / "p.png";
  TransportError error;
  EXPECT_FALSE(transport_->DownloadFile(Service().BaseUrl() + "/banners/p.png", target, &error));
  EXPECT_EQ(error.kind, TransportFailure::Other);
  EXPECT_NE(error.detail.find(platform::PathToUtf8(target)), std::string::npos) << error.detail;
}

TEST_F(TransportTest, FetchStreamsAndResumes) {
  std::string content;
  for (int i = 0; i < 20000; ++i) content += static_cast<char>('a' + i % 26);
  WriteTextFile(BannerPictures() / "big.bin", content);
  const std::string url = Service().BaseUrl() + "/banners/big.bin";

  FetchHead head;
  std::string body;
  FetchRequest request{.url = url,
                       .onHead = [&](const FetchHead& h) { return head = h, true; },
                       .onBody = [&](std::string_view block) { return body += block, true; }};
  auto result = transport_->Fetch(request);
  EXPECT_TRUE(result.transportOk) << result.error;
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(head.status, 200);
  EXPECT_EQ(head.contentLength, content.size());
  EXPECT_EQ(body, content);

  body.clear();
  request.resumeFrom = 12345;
  result = transport_->Fetch(request);
  EXPECT_TRUE(result.transportOk);
  EXPECT_EQ(result.status, 206);
  ASSERT_TRUE(head.contentRange);
  EXPECT_EQ(head.contentRange->first, 12345u);
  EXPECT_EQ(head.contentRange->total, content.size());
  EXPECT_EQ(body, content.substr(12345));
  EXPECT_EQ(Header(RequestsTo("/banners/big.bin").back(), "Range"), "bytes=12345-");
  EXPECT_EQ(Header(RequestsTo("/banners/big.bin").back(), "User-Agent"), "HTTPS Download");
}

TEST_F(TransportTest, FetchEndsWhenTheCallerOrTheStopTokenSaysSo) {
  // Larger than any block a transport reads at once (WinHTTP's: 1 MiB).
  constexpr std::size_t kSize = 4u << 20;
  WriteTextFile(BannerPictures() / "big.bin", std::string(kSize, 'z'));
  const std::string url = Service().BaseUrl() + "/banners/big.bin";

  FetchRequest refuseHead{.url = url, .onHead = [](const FetchHead&) { return false; }};
  auto result = transport_->Fetch(refuseHead);
  EXPECT_TRUE(result.aborted);
  EXPECT_FALSE(result.transportOk);

  std::stop_source stop;
  std::size_t received = 0;
  FetchRequest stopped{.url = url,
                       .onBody =
                           [&](std::string_view block) {
                             received += block.size();
                             stop.request_stop();
                             return true;
                           },
                       .stop = stop.get_token()};
  result = transport_->Fetch(stopped);
  EXPECT_TRUE(result.aborted);
  EXPECT_LT(received, kSize);

  FetchRequest missing{.url = Service().BaseUrl() + "/banners/none.bin"};
  result = transport_->Fetch(missing);
  EXPECT_TRUE(result.transportOk);
  EXPECT_EQ(result.status, 404);
  EXPECT_FALSE(transport_->Fetch({"file:///etc/passwd", std::nullopt, {}, {}, {}}).transportOk);
}

TEST_F(TransportTest, ARedirectFromHttpsDownToPlainHttpIsRefusedAsSuch) {
  const std::string secure = Service().SecureOrigin();
  Service().SetFault("/r/body", {.rawBody = "package body"});
  Service().SetFault("/r/two-hops", {.redirectTo = secure + "/r/one-hop"});
  Service().SetFault("/r/one-hop", {.redirectTo = Service().BaseUrl() + "/r/body"});
  Service().SetFault("/r/stays-secure", {.redirectTo = secure + "/r/body"});

  std::string body;
  FetchRequest request{.url = secure + "/r/stays-secure",
                       .onBody = [&](std::string_view block) { return body += block, true; }};
  auto result = transport_->Fetch(request);
  EXPECT_TRUE(result.transportOk) << result.error;
  EXPECT_EQ(body, "package body");

  std::vector<std::string> logged;
  logging::SetListener([&](logging::Level, const std::string& line) { logged.push_back(line); });
  Service().ClearRequests();
  body.clear();
  request.url = secure + "/r/two-hops";
  result = transport_->Fetch(request);
  EXPECT_FALSE(result.transportOk);
  EXPECT_FALSE(result.aborted);
  EXPECT_EQ(result.failure, TransportFailure::UnsafeRedirect) << result.error;
  EXPECT_EQ(body, "");
  for (const auto& r : Service().Requests()) EXPECT_TRUE(r.secure) << r.path;

  TransportError error;
  EXPECT_FALSE(transport_->DownloadFile(secure + "/r/two-hops", dirs_ / "p.bin", &error));
  EXPECT_EQ(error.kind, TransportFailure::UnsafeRedirect) << error.detail;
  EXPECT_EQ(TransportFailureText(error), "서버가 안전하지 않은 주소로 넘겼습니다");
  logging::SetListener(nullptr);
  // (Under Wine the service's own control requests are logged in between.)
  std::erase_if(logged, [](const std::string& line) { return line.find("/r/two-hops") == std::string::npos; });
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_NE(logged[0].find("/r/two-hops failed: 서버가 안전하지 않은"), std::string::npos)
      << logged[0];
}

}  // namespace
}  // namespace orvik::test
