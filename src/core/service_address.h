// Where the song service is: section [service] of setting.env, else the compiled-in host.
#pragma once

#include <string>

namespace orvik {

struct ServiceAddress {
  std::string baseUrl;       // plain base URL for form posts, e.g. "http://127.0.0.1:8080"
  std::string secureOrigin;  // origin of the HTTPS requests and event pages
  std::string caFile;        // optional PEM bundle trusted besides the system's
};

class SettingsTable;
// Plain lookups: a file without [service] is not changed by reading it.
ServiceAddress ReadServiceAddress(const SettingsTable& settings);

}  // namespace orvik
