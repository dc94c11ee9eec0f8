// The system's MIDI outputs by name: winmm's output devices on Windows, the ALSA sequencer's
// writable ports elsewhere. Used to see that the virtual port the player plays into exists.
#pragma once

#include <string>
#include <vector>

namespace orvik::platform {

struct MidiPortList {
  bool readable = false;           // false: the system would not tell (no ALSA, a failing call)
  std::vector<std::string> names;  // UTF-8, in the system's order
  std::string error;               // why the list could not be read, for the log
};

MidiPortList ListMidiOutputs();

}  // namespace orvik::platform
