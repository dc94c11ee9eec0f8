// The virtual MIDI tool options (boxes 1016-1019 of the window): "use the tools" and one
// per tool. Shared between the window, which writes them, and the launch worker.
#pragma once

#include <atomic>

namespace orvik {

enum class ToolOption { UseTools, LoopMidi, KvSynth, Cantata };

// What the operator has chosen, as the window last showed it.
class ToolOptions {
 private:
  // One switch for both the writable and the read-only look-up.
  template <typename Self>
  static auto* Flag(Self* self, ToolOption option) {
    switch (option) {
      case ToolOption::UseTools:
        return &self->useTools;
      case ToolOption::LoopMidi:
        return &self->loopMidi;
      case ToolOption::KvSynth:
        return &self->kvSynth;
      case ToolOption::Cantata:
        break;
    }
    return &self->cantata;
  }

 public:
  std::atomic<bool> useTools{false};
  std::atomic<bool> loopMidi{false};
  std::atomic<bool> kvSynth{false};
  std::atomic<bool> cantata{false};

  std::atomic<bool>& operator[](ToolOption option) { return *Flag(this, option); }
  bool operator[](ToolOption option) const { return Flag(this, option)->load(); }
  // A tool is asked for only while the tools are used at all.
  bool Wants(ToolOption tool) const { return useTools && (*this)[tool]; }
};

}  // namespace orvik
