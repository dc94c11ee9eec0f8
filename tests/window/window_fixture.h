// A main window's logic over a recording port, a fake transport and a fake process layer.
// The test thread plays the UI thread: it hands posted messages to the window itself.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/fake_processes.h"
#include "core/product_source.h"
#include "fake_transport.h"
#include "service/banners.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"
#include "window/orvik_window.h"

namespace orvik::test {

class FakeProducts : public ProductNumberSource {
 public:
  std::optional<ProductInfo> product;
  std::optional<ProductInfo> Current() override { return product; }
  std::optional<ProductInfo> ForServiceKey(const std::string&) override { return product; }
};

class WindowTest : public ::testing::Test {
 protected:
  // Opens the window over `settings` (empty: no settings file).
  void Open(const std::string& settings) {
    if (!settings.empty()) WriteTextFile(SettingsFile(), settings);
    WindowDependencies deps;
    deps.moduleDir = dir_.path();
    deps.makeTransport = [this](const ServiceAddress&, std::stop_token) {
      return std::move(pendingTransport_);
    };
    deps.processes = &processes_;
    deps.wait = [](int) {};
    deps.products = std::move(pendingProducts_);
    window_ = std::make_unique<COrvikWindow>(port_, std::move(deps));
    window_->OnInitDialog();
  }

  // Hands the next posted message of this number to the window, as the UI thread's queue
  // would; fails when it is never posted.
  PortCall Deliver(unsigned message) {
    const std::size_t n = ++delivered_[message];
    EXPECT_TRUE(port_.WaitForPosted(message, n)) << "message " << message << " never posted";
    std::size_t seen = 0;
    for (const auto& call : port_.Posted()) {
      if (call.id != static_cast<int>(message) || ++seen < n) continue;
      window_->OnWindowMessage(message, static_cast<std::uintptr_t>(call.value),
                               static_cast<std::intptr_t>(call.extra));
      return call;
    }
    return {};
  }

  // Lets the banner thread finish before a test looks at what the window did.
  void SettleBanners() { Deliver(WM_BANNERS_READY); }

  // Makes the client hold a device-connect reply, as the update worker would.
  void Connect(const std::string& reply) {
    transport_->formReplies["/api/device-connect"] = reply;
    window_->Client()->SetConnectDone(false);
    window_->Client()->DeviceConnect("id", "tunova", "1234567890", "0.9.1", 0, "", false);
  }

  std::filesystem::path SettingsFile() const { return dir_ / "setting.env"; }
  std::filesystem::path Images() const { return BannerImageFolder(dir_.path()); }
  void MakePicture(const std::string& name) {
    std::filesystem::create_directories(Images());
    WriteTextFile(Images() / name, "picture");
  }
  std::size_t CallCount() const { return port_.Calls().size(); }

  TempDir dir_;
  RecordingPort port_;
  FakeProcesses processes_;
  std::unique_ptr<FakeTransport> pendingTransport_ = std::make_unique<FakeTransport>();
  FakeTransport* transport_ = pendingTransport_.get();
  std::unique_ptr<FakeProducts> pendingProducts_ = std::make_unique<FakeProducts>();
  FakeProducts* products_ = pendingProducts_.get();
  std::unique_ptr<COrvikWindow> window_;
  std::map<unsigned, std::size_t> delivered_;
};

}  // namespace orvik::test
