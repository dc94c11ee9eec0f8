// The service types of the Tunova family: their names, captions and program lists, and the
// name the song service is told. Pure data: which buttons stand for a type is the window's.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvik {

struct ServiceInfo {
  std::string_view key;           // canonical: "tunovaHL"
  std::string_view lowerForm;     // accepted in setting.env: "tunovahl"
  std::string_view displayName;   // legacy button text; empty when the type has no buttons
  std::string_view selectedText;  // "▶ " form of the display name
  std::string_view runCaption;    // text of button 1006
  std::span<const std::string_view> programs;  // program-list entries, in table order
  // Asks the product number source for a number of its own instead of the installation's,
  // and checks at once when selected.
  bool ownProductNumber = false;
};

std::span<const ServiceInfo> ServiceCatalogue();
// Exact, case-sensitive lookups; nullptr when nothing matches.
const ServiceInfo* FindService(std::string_view key);
// Whether the type has a product number of its own (false outside the catalogue).
bool HasOwnProductNumber(std::string_view key);

// The one case-insensitive step: a lower-case match becomes the canonical key, an empty
// text "tunova", anything else stays as it is.
std::string NormaliseServiceKey(std::string_view stored);
// Program-list entries of an installation type, sorted as the list control keeps them;
// empty for a type outside the catalogue.
std::vector<std::string> ProgramEntriesFor(std::string_view serviceKey);
// The serviceType sent with the device connect; later rules win over earlier ones.
std::string WireServiceName(std::string_view serviceKey, int productKind);

}  // namespace orvik
