// SongService in the Windows build, which runs under Wine: each instance is a reference
// service started by the native host whose control address the test fixture wrote (see
// --control-file of orvik-songsvc). Folders and files are handed over as the host's paths.
#include <windows.h>

#include <fstream>
#include <stdexcept>

#include "core/service_address.h"
#include "service/system_transport.h"
#include "songsvc/control_protocol.h"
#include "songsvc/song_service.h"

namespace songsvc {

namespace fs = std::filesystem;
using control::Fields;

namespace {

// Wine's own conversions between its drive letters and the host's paths.
std::string HostPath(const fs::path& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  static const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) throw std::runtime_error("songsvc: the remote service needs Wine");
  if (path.empty()) return {};
  char* text = toUnix(fs::absolute(path).c_str());
  if (text == nullptr) throw std::runtime_error("songsvc: no host path for a folder");
  std::string out(text);
  HeapFree(GetProcessHeap(), 0, text);
  return out;
}

fs::path WindowsPath(const std::string& hostPath) {
  using ToDos = wchar_t*(CDECL*)(const char*);
  static const auto toDos = reinterpret_cast<ToDos>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (toDos == nullptr || hostPath.empty()) return {};
  wchar_t* text = toDos(hostPath.c_str());
  if (text == nullptr) return {};
  fs::path out(text);
  HeapFree(GetProcessHeap(), 0, text);
  return out;
}

std::string ControlUrl() {
  std::ifstream in(WindowsPath(ORVIK_SONGSVC_CONTROL_FILE));
  std::string line;
  std::getline(in, line);
  if (!line.starts_with("control="))
    throw std::runtime_error("songsvc: no service host (" ORVIK_SONGSVC_CONTROL_FILE ")");
  return line.substr(8);
}

Fields Call(const std::string& operation, const Fields& fields) {
  static const std::string url = ControlUrl();
  static const auto transport = orvik::MakeSystemTransport({});
  orvik::TransportError error;
  const auto reply =
      transport->PostForm(url + "/control/" + operation, control::Encode(fields), &error);
  if (!reply) throw std::runtime_error("songsvc host: " + operation + ": " + error.detail);
  Fields out = control::Decode(*reply);
  if (out.contains("error"))
    throw std::runtime_error("songsvc host: " + operation + ": " + out["error"]);
  return out;
}

}  // namespace

struct SongService::Impl {
  Options options;
  std::string id;
  int httpPort = 0;
  int httpsPort = 0;

  Fields Call(const std::string& operation, Fields fields = {}) const {
    fields["id"] = id;
    return songsvc::Call(operation, fields);
  }
};

TestCertificates SharedTestCertificates() { return MakeTestCertificates({}); }

TestCertificates MakeTestCertificates(const fs::path&) {
  const Fields paths = Call("certificates", {});
  return {WindowsPath(paths.at("ca")), WindowsPath(paths.at("cert")), WindowsPath(paths.at("key"))};
}

SongService::SongService(Options options) : impl_(std::make_unique<Impl>()) {
  impl_->options = std::move(options);
}

SongService::~SongService() {
  try {
    Stop();
  } catch (...) {  // the host has gone: nothing left to stop
  }
}

void SongService::Start() {
  Impl& d = *impl_;
  if (!d.id.empty()) return;
  if (!d.options.workDir.empty()) fs::create_directories(d.options.workDir);
  const Options& o = d.options;
  const Fields reply = Call("start", {{"catalog", HostPath(o.catalogDir)},
                                      {"banners", HostPath(o.bannersDir)},
                                      {"work", HostPath(o.workDir)},
                                      {"httpPort", std::to_string(o.httpPort)},
                                      {"httpsPort", std::to_string(o.httpsPort)},
                                      {"delayMs", std::to_string(o.preparationDelay.count())},
                                      {"announce", o.announceAppUpdate ? "1" : "0"},
                                      {"appFileUrl", o.appFileUrl},
                                      {"bannerReply", o.bannerReply}});
  d.id = reply.at("id");
  d.httpPort = std::stoi(reply.at("httpPort"));
  d.httpsPort = std::stoi(reply.at("httpsPort"));
}

void SongService::Stop() {
  if (impl_->id.empty()) return;
  impl_->Call("stop");
  impl_->id.clear();
}

int SongService::HttpPort() const { return impl_->httpPort; }
int SongService::HttpsPort() const { return impl_->httpsPort; }
std::string SongService::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(impl_->httpPort);
}
std::string SongService::SecureOrigin() const {
  return "https://localhost:" + std::to_string(impl_->httpsPort);
}

std::vector<RecordedRequest> SongService::Requests() const {
  return control::ToRequests(impl_->Call("requests"));
}
void SongService::ClearRequests() { impl_->Call("clearRequests"); }

void SongService::SetFault(const std::string& pathPrefix, Fault fault) {
  Fields fields{{"prefix", pathPrefix}};
  // The host's library refuses form bodies over 8 KiB: a large body goes by file.
  if (fault.rawBody && fault.rawBody->size() > 4096) {
    const fs::path file = fs::temp_directory_path() / ("orvik-songsvc-fault-" + impl_->id + "-" +
                                                       std::to_string(GetCurrentProcessId()));
    std::ofstream(file, std::ios::binary) << *fault.rawBody;
    fields["rawBodyFile"] = HostPath(file);
    fault.rawBody.reset();
  }
  fields["fault"] = control::Encode(control::FromFault(fault));
  impl_->Call("fault", fields);
}
void SongService::ClearFaults() { impl_->Call("clearFaults"); }

void SongService::SetPreparationDelay(std::chrono::milliseconds delay) {
  impl_->Call("delay", {{"ms", std::to_string(delay.count())}});
}
void SongService::SetAppUpdate(bool announce, const std::string& appFileUrl) {
  impl_->Call("appUpdate", {{"announce", announce ? "1" : "0"}, {"appFileUrl", appFileUrl}});
}
void SongService::SetBannerReply(const std::string& reply) {
  impl_->Call("bannerReply", {{"reply", reply}});
}

std::string SongService::LastUpdateCode() const { return impl_->Call("lastCode").at("code"); }

bool SongService::WaitForPackage(const std::string& code, std::chrono::milliseconds timeout) const {
  return impl_->Call("waitPackage", {{"code", code}, {"ms", std::to_string(timeout.count())}})
             .at("ok") == "1";
}

fs::path SongService::PackageFile(const std::string& code) const {
  return WindowsPath(impl_->Call("packageFile", {{"code", code}}).at("file"));
}

std::optional<int> SongService::ReportedCount(const std::string& code) const {
  const Fields reply = impl_->Call("reported", {{"code", code}});
  if (!reply.contains("count")) return std::nullopt;
  return std::stoi(reply.at("count"));
}

}  // namespace songsvc
