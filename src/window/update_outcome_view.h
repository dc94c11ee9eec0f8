// What the window shows for each way an update check ends: the operator can always start
// the player unless an update can actually go on, and a failure says why in Korean.
#pragma once

#include <optional>
#include <string>

#include "update/update_outcome.h"
#include "core/user_texts.h"

namespace orvik {

struct OutcomeView {
  bool showRun = true;  // run button 1041 in place of update button 1040
  // The status line's new text; nothing: it keeps what it says (the engine has already
  // written the reason there, or the outcome needs no word).
  std::optional<std::string> status;
  // Not a real answer from the service: the check runs again by itself later.
  bool checkAgain = false;
};

// `detail`: the HTTP status of HttpError; `settingsFile`: where setting.env belongs.
OutcomeView ViewOfOutcome(UpdateOutcome outcome, long detail, const std::string& settingsFile);

}  // namespace orvik
