// Low CPU and I/O priority for the calling thread while it reads the whole song store, so a
// player beside it keeps its sound. Restored when the scope ends.
#pragma once

namespace orvik::platform {

class BackgroundPriority {
 public:
  BackgroundPriority();
  ~BackgroundPriority();
  BackgroundPriority(const BackgroundPriority&) = delete;
  BackgroundPriority& operator=(const BackgroundPriority&) = delete;

  bool Lowered() const { return lowered_; }  // false: the system refused; the work goes on

 private:
  bool lowered_ = false;
  int oldNice_ = 0;
  int oldIoPriority_ = -1;
};

}  // namespace orvik::platform
