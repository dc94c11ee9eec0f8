// The service buttons: the skin's image buttons 1032-1036 (a radio group) and the legacy
// text buttons 1026, 1028-1031, which type each stands for, and what a click on one does.
#pragma once

#include <set>
#include <string_view>

#include "core/catalogue.h"
#include "window/control_ids.h"

namespace orvik {

class ProductNumberSource;
class WindowPort;
struct LauncherState;

struct ServiceButtons {
  std::string_view key;
  int legacyButton = 0;  // 0: none
  int imageButton = 0;   // 0: none
};

// Exact lookups; nullptr for any other id.
const ServiceInfo* FindServiceByImageButton(int buttonId);
const ServiceInfo* FindServiceByLegacyButton(int buttonId);
// The buttons of a type; both 0 for a type without buttons.
ServiceButtons ButtonsOfService(std::string_view key);

// What a selection asks of the song-service side.
class ServiceSelectionHooks {
 public:
  virtual ~ServiceSelectionHooks() = default;
  virtual void MarkReplyStale() = 0;    // clear the service client's connect-done flag
  virtual void StartUpdateCheck() = 0;  // start the update-check thread unless it runs
};

// The image buttons' radio group as the window set it. UI thread only.
struct ServiceRadioGroup {
  int current = ctl::kServiceTunova;  // the checked button
  // A disabled image button still takes clicks (it only shows its disabled face); its
  // command is ignored.
  std::set<int> disabled;

  void Enable(WindowPort& port, int buttonId, bool enable);
};

// Commands 1032-1036 (image buttons) and 1026, 1028-1031 (legacy buttons); UI thread only.
// Unknown ids do nothing.
void SelectServiceByImageButton(LauncherState& state, ServiceRadioGroup& group, WindowPort& port,
                                ServiceSelectionHooks& hooks, ProductNumberSource& products,
                                int buttonId);
void SelectServiceByLegacyButton(LauncherState& state, WindowPort& port,
                                 ServiceSelectionHooks& hooks, int buttonId);
// The current type's legacy button gets its plain display name back.
void ResetLegacyButtonText(const LauncherState& state, WindowPort& port);

}  // namespace orvik
