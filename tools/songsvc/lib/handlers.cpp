// The requests of the launcher, answered from the catalogue, the banners folder and the
// packages prepared in the work folder.
#include <algorithm>
#include <cctype>
#include <set>

#include "catalog.h"
#include "form.h"
#include "service_impl.h"

namespace songsvc {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDeviceConnect = "/api/device-connect";
constexpr std::string_view kUpdateEvent = "/api/update/event/";
constexpr std::string_view kUpdateResult = "/api/update/key-lock/result/";
constexpr std::string_view kBannerList = "/api/app/banner/launcher/";
constexpr std::string_view kEventPage = "/api/app/banner/event/";
constexpr std::string_view kBannerPicture = "/banners/";
constexpr std::string_view kPackage = "/packages/";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// httplib adds the peer's addresses as pseudo headers; they were never on the wire.
bool IsPseudoHeader(const std::string& name) {
  return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
         name == "LOCAL_PORT";
}

// Names that need no escaping in a URL nor in the banner list, and name no folder.
bool IsSafeFileName(const std::string& name) {
  if (name.empty() || name.front() == '.') return false;
  for (unsigned char c : name) {
    if (!std::isalnum(c) && c != '.' && c != '_' && c != '-') return false;
  }
  return true;
}

std::string ContentTypeFor(const fs::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".png") return "image/png";
  if (ext == ".jpg" || ext == ".jpeg") return "image/jpeg";
  if (ext == ".gif") return "image/gif";
  if (ext == ".bmp") return "image/bmp";
  return "application/octet-stream";
}

Reply Text(int status, std::string body) {
  Reply reply;
  reply.status = status;
  reply.body = std::move(body);
  return reply;
}

Reply FileReply(const fs::path& file, std::string contentType) {
  std::error_code ec;
  auto size = fs::file_size(file, ec);
  if (ec) return Text(404, "not found\n");
  Reply reply;
  reply.file = file;
  reply.fileSize = size;
  reply.contentType = std::move(contentType);
  reply.rangeable = true;
  // Size and modification time tell two packages under one name apart.
  const auto stamp = fs::last_write_time(file, ec).time_since_epoch().count();
  reply.headers.emplace_back("ETag",
                             "\"" + std::to_string(size) + "-" + std::to_string(stamp) + "\"");
  return reply;
}

std::string EventPage(const std::string& title, const std::string& text) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
         "</title></head>\n<body><h1>" + title + "</h1><p>" + text + "</p></body></html>\n";
}

}  // namespace

void SongService::Impl::Install(httplib::Server& server, bool secure) {
  auto handler = [this, secure](const httplib::Request& req, httplib::Response& res) {
    Handle(req, res, secure);
  };
  server.Get(".*", handler);
  // Read through a content reader: the library's own reading refuses form bodies over
  // 8 KiB, and a device connect lists every stored song (megabytes for a large store).
  server.Post(".*", [this, secure](const httplib::Request& req, httplib::Response& res,
                                   const httplib::ContentReader& read) {
    httplib::Request whole = req;
    read([&whole](const char* data, size_t size) {
      whole.body.append(data, size);
      return true;
    });
    Handle(whole, res, secure);
  });
}

void SongService::Impl::Handle(const httplib::Request& req, httplib::Response& res, bool secure) {
  RecordedRequest record;
  record.secure = secure;
  record.method = req.method;
  // The raw target keeps the bytes as sent (percent escapes included).
  size_t question = req.target.find('?');
  record.path = req.target.substr(0, question);
  if (question != std::string::npos) record.query = req.target.substr(question + 1);
  for (const auto& [name, value] : req.headers) {
    if (!IsPseudoHeader(name)) record.headers.emplace(name, value);
  }
  record.body = req.body;
  {
    std::lock_guard lock(mutex);
    requests.push_back(record);
  }

  std::optional<Fault> fault = TakeFault(record.path);
  Reply reply;
  if (fault && fault->redirectTo) {
    reply = Text(fault->status != 0 ? fault->status : 302, "");
    reply.headers.emplace_back("Location", *fault->redirectTo);
  } else if (fault && (fault->status != 0 || fault->rawBody)) {
    // The handler does not run: a failed request changes nothing on the service.
    reply = Text(fault->status != 0 ? fault->status : 200, fault->rawBody.value_or(""));
  } else {
    reply = Route(req, record.path, secure);
  }
  Write(req, res, std::move(reply), fault);
}

Reply SongService::Impl::Route(const httplib::Request& req, const std::string& path, bool secure) {
  const bool post = req.method == "POST";
  if (post && path == kDeviceConnect) return DeviceConnect(req);
  if (!post && StartsWith(path, kUpdateEvent)) {
    return UpdateEvent(path.substr(kUpdateEvent.size()));
  }
  if (post && StartsWith(path, kUpdateResult)) {
    return UpdateResult(req, path.substr(kUpdateResult.size()));
  }
  if (post && StartsWith(path, kBannerList)) return BannerList();
  if (!post && path == std::string(kEventPage) + "event-update") {
    Reply page = Text(200, EventPage("Update event", "Songs and launcher updates."));
    page.contentType = "text/html; charset=utf-8";
    return page;
  }
  if (!post && path == std::string(kEventPage) + "event-install") {
    Reply page = Text(200, EventPage("Install event", "Installation news."));
    page.contentType = "text/html; charset=utf-8";
    return page;
  }
  if (!post && !secure && StartsWith(path, kBannerPicture)) {
    return BannerPicture(path.substr(kBannerPicture.size()));
  }
  if (!post && secure && StartsWith(path, kPackage)) {
    return PackageDownload(path.substr(kPackage.size()));
  }
  return Text(404, "not found\n");
}

Reply SongService::Impl::DeviceConnect(const httplib::Request& req) {
  std::map<std::string, std::string> form = ParseForm(req.body);
  std::vector<int> clientSongs = ParseSongList(form["songs"]);
  std::map<int, fs::path> catalog = ScanCatalog(options.catalogDir);

  std::vector<std::pair<std::string, std::string>> pairs;
  {
    std::lock_guard lock(mutex);
    pairs.emplace_back("needUpdateApp", options.announceAppUpdate ? "true" : "false");
    if (options.announceAppUpdate) pairs.emplace_back("appFileUrl", options.appFileUrl);
  }

  std::set<int> held(clientSongs.begin(), clientSongs.end());
  std::vector<int> missing;
  for (const auto& [number, file] : catalog) {
    if (!held.count(number)) missing.push_back(number);
  }
  std::vector<int> withdrawn;
  for (int number : clientSongs) {
    if (!catalog.count(number)) withdrawn.push_back(number);
  }

  if (!missing.empty()) {
    std::string code = StartPackage(missing, catalog);
    pairs.emplace_back("needUpdateSong", "true");
    pairs.emplace_back("action", "insert");
    pairs.emplace_back("updateSongCount", std::to_string(missing.size()));
    pairs.emplace_back("updateCode", code);
  } else if (!withdrawn.empty()) {
    pairs.emplace_back("needUpdateSong", "true");
    pairs.emplace_back("action", "remove");
    pairs.emplace_back("updateSongCount", std::to_string(withdrawn.size()));
    pairs.emplace_back("songsId", JoinSongList(withdrawn));
  } else {
    pairs.emplace_back("needUpdateSong", "false");
  }
  return Text(200, JoinReply(pairs));
}

Reply SongService::Impl::UpdateEvent(const std::string& code) {
  std::lock_guard lock(mutex);
  auto it = packages.find(code);
  if (it == packages.end()) return Text(404, "unknown update code\n");
  const songsvc::Package& p = it->second;
  bool ready =
      p.built && std::chrono::steady_clock::now() >= p.connectedAt + options.preparationDelay;
  if (!ready) return Text(200, JoinReply({{"downloadUrl", ""}, {"fileSize", "0"}}));
  return Text(200,
              JoinReply({{"downloadUrl", SecureOrigin() + std::string(kPackage) + code + ".zip"},
                         {"fileSize", std::to_string(p.size)}}));
}

Reply SongService::Impl::UpdateResult(const httplib::Request& req, const std::string& code) {
  std::map<std::string, std::string> form = ParseForm(req.body);
  std::string count =
      form.count("insertCount") ? form["insertCount"] : req.get_param_value("inserCount");
  std::lock_guard lock(mutex);
  auto it = packages.find(code);
  if (it != packages.end()) it->second.reportedCount = std::atoi(count.c_str());
  return Text(200, "ok");
}

Reply SongService::Impl::BannerList() {
  std::string explicitReply;
  {
    std::lock_guard lock(mutex);
    explicitReply = options.bannerReply;
  }
  if (!explicitReply.empty()) return Text(200, explicitReply);

  std::vector<std::string> names;
  std::error_code ec;
  if (!options.bannersDir.empty()) {
    for (const auto& entry : fs::directory_iterator(options.bannersDir, ec)) {
      std::string name = entry.path().filename().string();
      if (entry.is_regular_file(ec) && IsSafeFileName(name)) names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!text.empty()) text += '|';
    text += std::to_string(i + 1) + "," + BaseUrl() + std::string(kBannerPicture) + names[i] + "," +
            names[i] + "," + SecureOrigin() + std::string(kEventPage) + "event-update";
  }
  return Text(200, text);
}

Reply SongService::Impl::BannerPicture(const std::string& name) {
  if (options.bannersDir.empty() || !IsSafeFileName(name)) return Text(404, "not found\n");
  fs::path file = options.bannersDir / name;
  return FileReply(file, ContentTypeFor(file));
}

Reply SongService::Impl::PackageDownload(const std::string& name) {
  const std::string suffix = ".zip";
  if (name.size() <= suffix.size() || name.compare(name.size() - 4, 4, suffix) != 0) {
    return Text(404, "not found\n");
  }
  std::string code = name.substr(0, name.size() - suffix.size());
  fs::path file;
  {
    std::lock_guard lock(mutex);
    auto it = packages.find(code);
    if (it == packages.end() || !it->second.built) return Text(404, "not found\n");
    file = it->second.file;
  }
  return FileReply(file, "application/zip");
}

}  // namespace songsvc
