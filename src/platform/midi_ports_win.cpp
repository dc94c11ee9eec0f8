#include "platform/midi_ports.h"

#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include "platform/wide_text.h"

namespace orvik::platform {

MidiPortList ListMidiOutputs() {
  MidiPortList list;
  const UINT count = midiOutGetNumDevs();
  UINT failed = 0;
  MMRESULT lastError = MMSYSERR_NOERROR;
  for (UINT i = 0; i < count; ++i) {
    MIDIOUTCAPSW caps{};
    const MMRESULT r = midiOutGetDevCapsW(i, &caps, sizeof caps);
    if (r != MMSYSERR_NOERROR) {
      ++failed;
      lastError = r;
      continue;
    }
    caps.szPname[MAXPNAMELEN - 1] = L'\0';  // a driver's name is not trusted to be ended
    list.names.push_back(WideToUtf8(caps.szPname));
  }
  // Devices the system counts but none it describes: the list is not known.
  if (count > 0 && failed == count) {
    list.error = "midiOutGetDevCapsW failed: " + std::to_string(lastError);
    list.names.clear();
    return list;
  }
  list.readable = true;
  return list;
}

}  // namespace orvik::platform
