#include "platform/midi_ports.h"

#include <gtest/gtest.h>

namespace orvik::platform {
namespace {

// The system's own list (ALSA here, winmm under Wine or Windows): whatever the machine has,
// the call returns, and says either what it found or why it could not look.
TEST(MidiPorts, TheSystemListAnswersEitherWay) {
  const MidiPortList list = ListMidiOutputs();
  if (list.readable) {
    EXPECT_TRUE(list.error.empty()) << list.error;
    for (const auto& name : list.names) {
      EXPECT_EQ(name.find('\0'), std::string::npos);
#ifdef _WIN32
      EXPECT_LE(name.size(), 31u * 3);  // winmm's 31 UTF-16 units, as UTF-8
#endif
    }
  } else {
    EXPECT_FALSE(list.error.empty());
    EXPECT_TRUE(list.names.empty());
  }
  // Asking again leaves nothing open behind and gives the same kind of answer.
  for (int i = 0; i < 20; ++i) EXPECT_EQ(ListMidiOutputs().readable, list.readable);
  std::printf("MIDI outputs (%s): %zu%s%s\n", list.readable ? "readable" : "not readable",
              list.names.size(), list.error.empty() ? "" : ", ", list.error.c_str());
}

}  // namespace
}  // namespace orvik::platform
