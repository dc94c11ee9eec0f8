// Before the player starts: is the virtual MIDI port it plays into there? loopMIDI may come
// up without its port (renamed, driver not loaded, a second copy still closing) and the
// player would then roll lyrics in a silent room.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/window_port.h"
#include "platform/midi_ports.h"

namespace orvik {

class SettingsTable;

// loopMIDI's own name for its first port.
inline constexpr const char* kDefaultMidiPort = "loopMIDI Port";

// config.midiPort; an empty value turns the check off (""). Missing: kDefaultMidiPort while
// the virtual tools are used (`toolsUsed`), else no check: a room that plays through its own
// sound module is not told about a port it never asked for.
std::string ConfiguredMidiPort(const SettingsTable& settings, bool toolsUsed);

// Whether a listed port is the configured one: case and surrounding blanks aside, and
// winmm's names cut to 31 characters count as the longer name.
bool MidiPortMatches(std::string_view listed, std::string_view configured);

enum class MidiPortStatus { Off, Present, Missing, Unchecked };

struct MidiPortCheck {
  MidiPortStatus status = MidiPortStatus::Off;
  std::string port;               // the configured name
  std::vector<std::string> seen;  // the outputs of the last readable list
  std::string error;              // Unchecked: why the list could not be read
};

using MidiPortLister = std::function<platform::MidiPortList()>;
// Pauses for the given milliseconds, or less when the window closes.
using MidiPollWait = std::function<void(int ms)>;

struct MidiPortWait {
  int timeoutMs = 5000;
  int pollMs = 250;
};

// Lists the outputs until the port shows up or `timeoutMs` of polls went by. A list that
// cannot be read ends the wait at once: waiting would not make it readable.
MidiPortCheck WaitForMidiPort(const std::string& port, const MidiPortLister& list,
                              const MidiPollWait& wait, MidiPortWait bounds = {});

// What the operator is told for Missing and Unchecked (empty otherwise): the status line,
// the box (status line and advice), and the log line (every status).
std::string MidiPortStatusText(const MidiPortCheck& check);
std::string MidiPortMessage(const MidiPortCheck& check);
std::string MidiPortLogLine(const MidiPortCheck& check);
// Logs the check; Missing and Unchecked also go to the status line and a box.
void ReportMidiPort(WindowPort& port, const std::function<void(const std::string&)>& sayStatus,
                    const MidiPortCheck& check);

// The About box line: "MIDI 출력: a, b" or why there is no list.
std::string MidiOutputsLine(const platform::MidiPortList& list);

}  // namespace orvik
