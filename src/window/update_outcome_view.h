// What the window shows for each way an update check ends: the operator can always start
// the player unless an update can actually go on, and a failure says why in Korean.
#pragma once

#include <optional>
#include <string>

#include "update/update_outcome.h"

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

namespace text {
inline constexpr const char* kPollExpired =
    "업데이트 준비가 늦어지고 있습니다. 나중에 다시 확인합니다";
inline constexpr const char* kNoSettings = "설정 파일이 없습니다: ";
inline constexpr const char* kNoProductNumber =
    "제품 번호가 없습니다: setting.env의 [product] number를 확인하세요";
}  // namespace text

}  // namespace orvik
