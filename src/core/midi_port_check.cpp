#include "core/midi_port_check.h"

#include <algorithm>
#include <cctype>

#include "core/log.h"
#include "core/settings_table.h"
#include "core/user_texts.h"

namespace orvik {
namespace {

std::string_view Trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// winmm's MIDIOUTCAPS keeps 31 UTF-16 units of a device name.
constexpr std::size_t kWinmmNameUnits = 31;

std::size_t Utf16Units(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) ++units;  // a lead byte starts a code point
    if ((b & 0xF8) == 0xF0) ++units;  // four-byte sequences are surrogate pairs
  }
  return units;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

}  // namespace

std::string ConfiguredMidiPort(const SettingsTable& settings, bool toolsUsed) {
  if (!settings.Has("config.midiPort")) return toolsUsed ? kDefaultMidiPort : "";
  return std::string(Trimmed(settings.Get("config.midiPort")));
}

bool MidiPortMatches(std::string_view listed, std::string_view configured) {
  listed = Trimmed(listed);
  configured = Trimmed(configured);
  if (listed.empty() || configured.empty()) return false;
  if (SameIgnoringCase(listed, configured)) return true;
  return Utf16Units(listed) == kWinmmNameUnits && listed.size() < configured.size() &&
         SameIgnoringCase(listed, configured.substr(0, listed.size()));
}

MidiPortCheck WaitForMidiPort(const std::string& port, const MidiPortLister& list,
                              const MidiPollWait& wait, MidiPortWait bounds) {
  MidiPortCheck check;
  check.port = port;
  if (Trimmed(port).empty()) return check;
  const int pollMs = std::max(1, bounds.pollMs);
  for (int waited = 0;; waited += pollMs) {
    platform::MidiPortList outputs = list();
    if (!outputs.readable) {
      check.status = MidiPortStatus::Unchecked;
      check.error = outputs.error;
      return check;
    }
    check.seen = std::move(outputs.names);
    for (const auto& name : check.seen) {
      if (MidiPortMatches(name, port)) {
        check.status = MidiPortStatus::Present;
        return check;
      }
    }
    if (waited >= bounds.timeoutMs) break;
    wait(pollMs);
  }
  check.status = MidiPortStatus::Missing;
  return check;
}

std::string MidiPortStatusText(const MidiPortCheck& check) {
  switch (check.status) {
    case MidiPortStatus::Missing:
      return text::kMidiPortHead + check.port + text::kMidiPortNotFound;
    case MidiPortStatus::Unchecked:
      return text::kMidiPortHead + check.port + text::kMidiPortNotChecked;
    default:
      return {};
  }
}

std::string MidiPortMessage(const MidiPortCheck& check) {
  switch (check.status) {
    case MidiPortStatus::Missing:
      return MidiPortStatusText(check) + text::kMidiPortAdvice;
    case MidiPortStatus::Unchecked:
      return MidiPortStatusText(check) + text::kMidiPortListUnreadable + text::kMidiPortAdvice;
    default:
      return {};
  }
}

void ReportMidiPort(WindowPort& port, const std::function<void(const std::string&)>& sayStatus,
                    const MidiPortCheck& check) {
  const std::string line = MidiPortLogLine(check);
  if (check.status == MidiPortStatus::Missing || check.status == MidiPortStatus::Unchecked) {
    logging::Warning(line);
    if (sayStatus) sayStatus(MidiPortStatusText(check));
    port.ShowMessage(MidiPortMessage(check), MessageIcon::Warning);
  } else {
    logging::Info(line);
  }
}

std::string MidiPortLogLine(const MidiPortCheck& check) {
  switch (check.status) {
    case MidiPortStatus::Off:
      return "midi port: check off (config.midiPort is empty)";
    case MidiPortStatus::Present:
      return "midi port: \"" + check.port + "\" present";
    case MidiPortStatus::Missing:
      return "midi port: \"" + check.port + "\" missing; outputs: " +
             (check.seen.empty() ? std::string("none") : Joined(check.seen));
    case MidiPortStatus::Unchecked:
      return "midi port: \"" + check.port + "\" could not be checked: " + check.error;
  }
  return {};
}

std::string MidiOutputsLine(const platform::MidiPortList& list) {
  if (!list.readable) return std::string(text::kAboutMidiOutputs) + text::kAboutMidiUnreadable;
  if (list.names.empty()) return std::string(text::kAboutMidiOutputs) + text::kAboutMidiNone;
  return text::kAboutMidiOutputs + Joined(list.names);
}

}  // namespace orvik
