// SongService: listeners, their threads, and the run-time settings.
#include <sys/socket.h>

#include <stdexcept>

#include "service_impl.h"

namespace songsvc {

namespace {

// Runs the listener on its own thread and returns once it accepts connections, so that a
// Stop() right after Start() cannot miss it.
std::thread RunListener(httplib::Server& server) {
  std::thread thread([&server] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::yield();
  return thread;
}

void Configure(httplib::Server& server) {
  // httplib's default adds SO_REUSEPORT, which would let a second service share a busy port.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  // Bounds how long Stop() waits for an idle keep-alive connection.
  server.set_keep_alive_timeout(1);
  server.set_read_timeout(10);
  server.set_write_timeout(10);
}

}  // namespace

SongService::SongService(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

SongService::~SongService() { Stop(); }

void SongService::Start() {
  Impl& d = *impl_;
  if (d.started) return;
  if (!d.options.workDir.empty()) std::filesystem::create_directories(d.options.workDir);
  {
    std::lock_guard lock(d.mutex);
    d.stopping = false;
  }
  d.http = std::make_unique<httplib::Server>();
  const TestCertificates& certs = d.options.certificates;
  d.https = std::make_unique<httplib::SSLServer>(certs.certFile.c_str(), certs.keyFile.c_str());
  if (!d.https->is_valid()) {
    throw std::runtime_error("songsvc: cannot load certificate " + certs.certFile.string());
  }
  Configure(*d.http);
  Configure(*d.https);
  d.Install(*d.http, false);
  d.Install(*d.https, true);

  auto bind = [&](httplib::Server& server, int port, const char* what) {
    int bound = port == 0 ? server.bind_to_any_port(d.options.host)
                          : (server.bind_to_port(d.options.host, port) ? port : -1);
    if (bound <= 0) {
      throw std::runtime_error(std::string("songsvc: cannot listen for ") + what + " on " +
                               d.options.host + ":" + std::to_string(port));
    }
    return bound;
  };
  d.httpPort = bind(*d.http, d.options.httpPort, "http");
  d.httpsPort = bind(*d.https, d.options.httpsPort, "https");
  d.httpThread = RunListener(*d.http);
  d.httpsThread = RunListener(*d.https);
  d.started = true;
}

void SongService::Stop() {
  Impl& d = *impl_;
  if (!d.started) return;
  {
    std::lock_guard lock(d.mutex);
    d.stopping = true;
  }
  d.changed.notify_all();
  d.http->stop();
  d.https->stop();
  d.httpThread.join();
  d.httpsThread.join();
  std::vector<std::thread> builders;
  {
    std::lock_guard lock(d.mutex);
    builders.swap(d.builders);
  }
  for (std::thread& t : builders) t.join();
  d.started = false;
}

int SongService::HttpPort() const { return impl_->httpPort; }
int SongService::HttpsPort() const { return impl_->httpsPort; }
std::string SongService::BaseUrl() const { return impl_->BaseUrl(); }
std::string SongService::SecureOrigin() const { return impl_->SecureOrigin(); }

std::string SongService::Impl::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(httpPort);
}

std::string SongService::Impl::SecureOrigin() const {
  return "https://localhost:" + std::to_string(httpsPort);
}

std::vector<RecordedRequest> SongService::Requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->requests;
}

void SongService::ClearRequests() {
  std::lock_guard lock(impl_->mutex);
  impl_->requests.clear();
}

void SongService::SetFault(const std::string& pathPrefix, Fault fault) {
  std::lock_guard lock(impl_->mutex);
  impl_->faults[pathPrefix] = std::move(fault);
}

void SongService::ClearFaults() {
  std::lock_guard lock(impl_->mutex);
  impl_->faults.clear();
}

void SongService::SetPreparationDelay(std::chrono::milliseconds delay) {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->options.preparationDelay = delay;
  }
  impl_->changed.notify_all();
}

void SongService::SetAppUpdate(bool announce, const std::string& appFileUrl) {
  std::lock_guard lock(impl_->mutex);
  impl_->options.announceAppUpdate = announce;
  impl_->options.appFileUrl = appFileUrl;
}

void SongService::SetBannerReply(const std::string& reply) {
  std::lock_guard lock(impl_->mutex);
  impl_->options.bannerReply = reply;
}

}  // namespace songsvc
