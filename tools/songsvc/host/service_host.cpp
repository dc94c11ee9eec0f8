#include "service_host.h"

#include <httplib.h>

#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "songsvc/control_protocol.h"
#include "songsvc/song_service.h"

namespace songsvc {

namespace fs = std::filesystem;
using control::Fields;

struct ServiceHost::Impl {
  TestCertificates certificates;
  httplib::Server server;
  std::thread thread;
  int port = 0;
  std::mutex mutex;  // the services
  std::map<int, std::unique_ptr<SongService>> services;
  int lastId = 0;

  std::unique_ptr<SongService>& Service(const Fields& f) {
    const auto it = services.find(std::atoi(f.count("id") ? f.at("id").c_str() : "0"));
    if (it == services.end()) throw std::runtime_error("no such service");
    return it->second;
  }

  Fields Run(const std::string& operation, const Fields& f);
};

Fields ServiceHost::Impl::Run(const std::string& op, const Fields& f) {
  const auto text = [&](const char* key) { return f.count(key) ? f.at(key) : std::string(); };
  if (op == "certificates") {
    return {{"ca", fs::absolute(certificates.caFile).string()},
            {"cert", fs::absolute(certificates.certFile).string()},
            {"key", fs::absolute(certificates.keyFile).string()}};
  }
  if (op == "start") {
    Options options;
    options.catalogDir = text("catalog");
    options.bannersDir = text("banners");
    options.workDir = text("work");
    options.certificates = certificates;
    options.httpPort = std::atoi(text("httpPort").c_str());
    options.httpsPort = std::atoi(text("httpsPort").c_str());
    options.preparationDelay = std::chrono::milliseconds(std::atoll(text("delayMs").c_str()));
    options.announceAppUpdate = text("announce") == "1";
    options.appFileUrl = text("appFileUrl");
    options.bannerReply = text("bannerReply");
    auto service = std::make_unique<SongService>(options);
    service->Start();
    const int id = ++lastId;
    Fields reply{{"id", std::to_string(id)},
                 {"httpPort", std::to_string(service->HttpPort())},
                 {"httpsPort", std::to_string(service->HttpsPort())}};
    services[id] = std::move(service);
    return reply;
  }
  auto& service = Service(f);
  const std::string code = text("code");
  if (op == "stop") {
    service->Stop();
    services.erase(std::atoi(text("id").c_str()));
  } else if (op == "requests") {
    return control::FromRequests(service->Requests());
  } else if (op == "clearRequests") {
    service->ClearRequests();
  } else if (op == "fault") {
    Fault fault = control::ToFault(control::Decode(text("fault")));
    if (f.count("rawBodyFile")) {  // a body too large for a form
      std::ifstream in(f.at("rawBodyFile"), std::ios::binary);
      fault.rawBody = std::string(std::istreambuf_iterator<char>(in), {});
      fs::remove(f.at("rawBodyFile"));
    }
    service->SetFault(text("prefix"), std::move(fault));
  } else if (op == "clearFaults") {
    service->ClearFaults();
  } else if (op == "delay") {
    service->SetPreparationDelay(std::chrono::milliseconds(std::atoll(text("ms").c_str())));
  } else if (op == "appUpdate") {
    service->SetAppUpdate(text("announce") == "1", text("appFileUrl"));
  } else if (op == "bannerReply") {
    service->SetBannerReply(text("reply"));
  } else if (op == "lastCode") {
    return {{"code", service->LastUpdateCode()}};
  } else if (op == "waitPackage") {
    // Waits outside the lock: other calls go on meanwhile.
    SongService* s = service.get();
    mutex.unlock();
    const bool ok =
        s->WaitForPackage(code, std::chrono::milliseconds(std::atoll(text("ms").c_str())));
    mutex.lock();
    return {{"ok", ok ? "1" : "0"}};
  } else if (op == "packageFile") {
    const fs::path file = service->PackageFile(code);
    return {{"file", file.empty() ? std::string() : fs::absolute(file).string()}};
  } else if (op == "reported") {
    const auto count = service->ReportedCount(code);
    return count ? Fields{{"count", std::to_string(*count)}} : Fields{};
  } else {
    throw std::runtime_error("unknown operation " + op);
  }
  return {};
}

ServiceHost::ServiceHost(fs::path certDir) : impl_(std::make_unique<Impl>()) {
  impl_->certificates = MakeTestCertificates(certDir);
}

ServiceHost::~ServiceHost() { Stop(); }

void ServiceHost::Start() {
  Impl& d = *impl_;
  d.server.Post(R"(/control/(\w+))", [&d](const httplib::Request& req, httplib::Response& res) {
    try {
      std::unique_lock lock(d.mutex);
      const Fields reply = d.Run(req.matches[1], control::Decode(req.body));
      res.set_content(control::Encode(reply), "text/plain");
    } catch (const std::exception& e) {
      res.status = 500;
      res.set_content(control::Encode({{"error", e.what()}}), "text/plain");
    }
  });
  d.port = d.server.bind_to_any_port("127.0.0.1");
  if (d.port <= 0) throw std::runtime_error("songsvc: cannot listen for control");
  d.thread = std::thread([&d] { d.server.listen_after_bind(); });
  while (!d.server.is_running()) std::this_thread::yield();
}

void ServiceHost::Stop() {
  Impl& d = *impl_;
  if (!d.thread.joinable()) return;
  d.server.stop();
  d.thread.join();
  std::lock_guard lock(d.mutex);
  d.services.clear();
}

std::string ServiceHost::ControlUrl() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port);
}

}  // namespace songsvc
