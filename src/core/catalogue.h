// The service types of the Tunova family: their names, buttons and program lists, the name
// the song service is told, and the operations that switch the current type.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvik {

class WindowPort;
class ProductNumberSource;
struct LauncherState;

struct ServiceInfo {
  std::string_view key;           // canonical: "tunovaHL"
  std::string_view lowerForm;     // accepted in setting.env: "tunovahl"
  std::string_view displayName;   // legacy button text; empty when the type has no buttons
  std::string_view selectedText;  // "▶ " form of the display name
  std::string_view runCaption;    // text of button 1006
  int legacyButton = 0;           // 0: none
  int imageButton = 0;            // 0: none
  std::span<const std::string_view> programs;  // program-list entries, in table order
  // Asks the product number source for a number of its own instead of the installation's,
  // and checks at once when selected.
  bool ownProductNumber = false;
};

std::span<const ServiceInfo> ServiceCatalogue();
// Exact, case-sensitive lookups; nullptr when nothing matches.
const ServiceInfo* FindService(std::string_view key);
const ServiceInfo* FindServiceByImageButton(int buttonId);
const ServiceInfo* FindServiceByLegacyButton(int buttonId);
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

// What a selection asks of the song-service side, which lives above this layer.
class ServiceSelectionHooks {
 public:
  virtual ~ServiceSelectionHooks() = default;
  virtual void MarkReplyStale() = 0;    // clear the service client's connect-done flag
  virtual void StartUpdateCheck() = 0;  // start the update-check thread unless it runs
};

// Commands 1032-1036 (image buttons) and 1026, 1028-1031 (legacy buttons); UI thread only.
// Unknown ids do nothing.
void SelectServiceByImageButton(LauncherState& state, WindowPort& port,
                                ServiceSelectionHooks& hooks, ProductNumberSource& products,
                                int buttonId);
void SelectServiceByLegacyButton(LauncherState& state, WindowPort& port,
                                 ServiceSelectionHooks& hooks, int buttonId);
// The current type's legacy button gets its plain display name back.
void ResetLegacyButtonText(const LauncherState& state, WindowPort& port);

}  // namespace orvik
