#include "core/tool_paths.h"

namespace orvik {

// On Linux the players run beside ALSA/JACK: a2jmidid bridges the virtual MIDI ports the
// way loopMIDI does on Windows, and Qsynth is the desktop software synthesizer in place of
// KV Synth. Both come from Debian packages (a2jmidid, qsynth).
#ifdef _WIN32
#define ORVIK_LOOPMIDI_PATH "C:\\Program Files (x86)\\Harlan Vost\\loopMIDI\\loopMIDI.exe"
#define ORVIK_LOOPMIDI_NAME "loopMIDI.exe"
#define ORVIK_KVSYNTH_PATH "C:\\Program Files (x86)\\KVSynth\\KVSynth.exe"
#define ORVIK_KVSYNTH_NAME "KVSynth.exe"
#else
#define ORVIK_LOOPMIDI_PATH "/usr/bin/a2jmidid"
#define ORVIK_LOOPMIDI_NAME "a2jmidid"
#define ORVIK_KVSYNTH_PATH "/usr/bin/qsynth"
#define ORVIK_KVSYNTH_NAME "qsynth"
#endif

const ToolInfo& LoopMidiTool() {
  static const ToolInfo tool{"Loop MIDI", ORVIK_LOOPMIDI_PATH, ORVIK_LOOPMIDI_NAME,
                             ToolOption::LoopMidi};
  return tool;
}

const ToolInfo& KvSynthTool() {
  static const ToolInfo tool{"KV Synth", ORVIK_KVSYNTH_PATH, ORVIK_KVSYNTH_NAME,
                             ToolOption::KvSynth};
  return tool;
}

}  // namespace orvik
