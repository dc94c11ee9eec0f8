// The bridge between workers and the UI thread, over a front end whose "UI thread" is the
// test thread draining a queue: the same bridge carries the Qt, Win32 and console windows.
#include "window/thread_bridge.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace orvik {
namespace {

class QueueFrontEnd : public ThreadBridge {
 public:
  // Runs the queued calls, one by one, on the calling thread (the UI thread).
  void Drain() {
    while (RunOne()) {
    }
  }
  bool RunOne() {
    std::function<void()> call;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) return false;
      call = std::move(queue_.front());
      queue_.pop_front();
    }
    call();
    return true;
  }
  void WaitForQueued(std::size_t n) {
    std::unique_lock lock(mutex_);
    queued_.wait(lock, [&] { return queue_.size() >= n; });
  }
  std::vector<std::string> Drawn() {
    std::lock_guard lock(mutex_);
    return drawn_;
  }

  bool answer = true;
  bool offUiThreadDrawing = false;

 protected:
  void PostToUiThread(std::function<void()> call) override {
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(call));
    }
    queued_.notify_all();
  }
  bool OnUiThread() const override { return std::this_thread::get_id() == ui_; }

  void UiSetText(int id, const std::string& text) override {
    Draw("text " + std::to_string(id) + " " + text);
  }
  void UiShow(int id, bool show) override { Draw("show " + std::to_string(id) + Flag(show)); }
  void UiSetChecked(int id, bool c) override { Draw("check " + std::to_string(id) + Flag(c)); }
  void UiEnable(int id, bool e) override { Draw("enable " + std::to_string(id) + Flag(e)); }
  void UiInvalidate(const Rect& a) override { Draw("invalidate " + std::to_string(a.left)); }
  void UiSetProgress(int, int pos) override { Draw("progress " + std::to_string(pos)); }
  void UiSetListItems(int, const std::vector<std::string>& items, int selected) override {
    Draw("list " + std::to_string(items.size()) + " " + std::to_string(selected));
  }
  void UiSetBannerPictures(const std::vector<std::filesystem::path>& f) override {
    Draw("banners " + std::to_string(f.size()));
  }
  void UiAddBannerPicture(const std::filesystem::path& f) override { Draw("add " + f.string()); }
  void UiShowAboutBox() override { Draw("about"); }
  void UiOpenProgressDialog() override { Draw("progressdlg"); }
  void UiSetProgressDialog(const std::string& s, int pos) override {
    Draw("progressdlg " + s + " " + std::to_string(pos));
  }
  void UiCloseProgressDialog() override { Draw("progressdlg-close"); }
  void UiStartTimer(int id, int ms) override {
    Draw("timer " + std::to_string(id) + " " + std::to_string(ms));
  }
  void UiStopTimer(int id) override { Draw("killtimer " + std::to_string(id)); }
  void UiDeliverMessage(unsigned m, std::uintptr_t w, std::intptr_t l) override {
    Draw("message " + std::to_string(m) + " " + std::to_string(w) + " " + std::to_string(l));
  }
  bool UiAskYesNo(const std::string& text) override {
    Draw("ask " + text);
    return answer;
  }
  void UiShowMessage(const std::string& text, MessageIcon) override { Draw("box " + text); }
  bool UiOpenAddress(const std::string& address) override {
    Draw("open " + address);
    return true;
  }

 private:
  static std::string Flag(bool on) { return on ? " on" : " off"; }
  void Draw(std::string what) {
    if (!OnUiThread()) offUiThreadDrawing = true;
    std::lock_guard lock(mutex_);
    drawn_.push_back(std::move(what));
  }

  const std::thread::id ui_ = std::this_thread::get_id();
  std::mutex mutex_;
  std::condition_variable queued_;
  std::deque<std::function<void()>> queue_;
  std::vector<std::string> drawn_;
};

using Drawn = std::vector<std::string>;

TEST(ThreadBridge, WorkerCallsAreDrawnOnTheUiThreadInTheirOrder) {
  QueueFrontEnd window;
  WindowPort& port = window;
  std::thread worker([&] {
    port.SetControlText(1012, "a");
    port.ShowControl(1040, false);
    port.SetControlChecked(1041, true);
    port.EnableControl(1033, false);
    port.SetProgressPos(1010, 40);
    port.SetListItems(1024, {"x", "y"}, 1);
    port.SetBannerPictures({"p.png"});
    port.AddBannerPicture("q.png");
    port.InvalidateArea({524, 418, 691, 508});
    port.StartTimer(3, 2000);
    port.StopTimer(3);
    port.PostWindowMessage(0x405, 1, 2);
    port.ShowAboutBox();
    port.OpenProgressDialog();
    port.SetProgressDialog("s", 7);
    port.CloseProgressDialog();
  });
  worker.join();
  EXPECT_TRUE(window.Drawn().empty());  // nothing until the UI thread takes its turn
  window.Drain();
  EXPECT_EQ(window.Drawn(),
            (Drawn{"text 1012 a", "show 1040 off", "check 1041 on", "enable 1033 off",
                   "progress 40", "list 2 1", "banners 1", "add q.png", "invalidate 524",
                   "timer 3 2000", "killtimer 3", "message 1029 1 2", "about", "progressdlg",
                   "progressdlg s 7", "progressdlg-close"}));
  EXPECT_FALSE(window.offUiThreadDrawing);
}

TEST(ThreadBridge, OnTheUiThreadCallsRunAtOnceButMessagesWaitTheirTurn) {
  QueueFrontEnd window;
  window.SetControlText(1012, "now");
  window.PostWindowMessage(0x401, 0, 0);
  window.SetControlText(1012, "still before the message");
  EXPECT_EQ(window.Drawn(), (Drawn{"text 1012 now", "text 1012 still before the message"}));
  EXPECT_TRUE(window.AskYesNo("q"));  // the UI thread asks its own box directly
  window.Drain();
  EXPECT_EQ(window.Drawn().back(), "message 1025 0 0");
}

TEST(ThreadBridge, EachWorkersCallsKeepTheirOrderAmongOtherWorkers) {
  QueueFrontEnd window;
  constexpr int kCalls = 200;
  auto work = [&](int who) {
    for (int i = 0; i < kCalls; ++i) window.SetProgressPos(who, who * 1000 + i);
  };
  std::thread a(work, 1), b(work, 2);
  a.join();
  b.join();
  window.Drain();
  const Drawn drawn = window.Drawn();
  ASSERT_EQ(drawn.size(), 2u * kCalls);
  int next[3] = {0, 1000, 2000};
  for (const auto& d : drawn) {
    const int pos = std::stoi(d.substr(9));
    int& expected = next[pos / 1000];
    EXPECT_EQ(pos, expected);
    expected = pos + 1;
  }
}

TEST(ThreadBridge, AWorkersQuestionWaitsForTheUiThreadsAnswer) {
  QueueFrontEnd window;
  bool yes = false, opened = false;
  std::thread worker([&] {
    yes = window.AskYesNo("use the package?");
    window.ShowMessage("done", MessageIcon::Information);
    opened = window.OpenAddress("https://x.test/");
  });
  // Each question is answered only by the UI thread's box; the worker asks the next one
  // only once the previous has been answered.
  for (int i = 0; i < 3; ++i) {
    window.WaitForQueued(1);
    window.RunOne();
  }
  worker.join();
  EXPECT_TRUE(yes);
  EXPECT_TRUE(opened);
  EXPECT_EQ(window.Drawn(), (Drawn{"ask use the package?", "box done", "open https://x.test/"}));
}

TEST(ThreadBridge, ClosingReleasesAWaitingQuestionWithItsDefaultAndShowsNoBoxLater) {
  QueueFrontEnd window;
  bool yes = true, opened = true;
  std::thread worker([&] {
    yes = window.AskYesNo("keep going?");
    window.ShowMessage("late", MessageIcon::Stop);  // after the close: no wait at all
    opened = window.OpenAddress("https://x.test/");
  });
  window.WaitForQueued(1);
  // The UI thread closes and joins the worker without running its queue.
  window.BeginClosing();
  worker.join();
  EXPECT_FALSE(yes);
  EXPECT_FALSE(opened);

  window.StartTimer(1, 1800);  // a closed window starts no timer
  window.Drain();              // the boxes' turn comes after the close: none is shown
  EXPECT_TRUE(window.Drawn().empty());
  EXPECT_FALSE(window.AskYesNo("from the UI thread"));
  EXPECT_TRUE(window.Drawn().empty());
}

}  // namespace
}  // namespace orvik
