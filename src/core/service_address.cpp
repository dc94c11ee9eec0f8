#include "core/service_address.h"

#include "core/settings_table.h"
#include "platform/path_text.h"

namespace orvik {
namespace {

// An empty entry counts as absent; a trailing "/" is dropped so paths can be appended.
std::string Lookup(const SettingsTable& settings, const std::string& key,
                   const std::string& fallback) {
  std::string value = settings.Get(key);
  while (!value.empty() && value.back() == '/') value.pop_back();
  return value.empty() ? fallback : value;
}

}  // namespace

ServiceAddress ReadServiceAddress(const SettingsTable& settings) {
  const std::string host = ORVIK_DEFAULT_SERVICE_HOST;
  ServiceAddress address;
  address.baseUrl = Lookup(settings, "service.url", "http://" + host);
  address.secureOrigin = Lookup(settings, "service.secureUrl", "https://" + host);
  address.caFile = platform::SettingTextToUtf8(settings.Get("service.caFile"));
  return address;
}

}  // namespace orvik
