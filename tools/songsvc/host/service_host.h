// A host of reference services for tests that cannot run one in-process (the Windows build
// under Wine): a control listener on loopback starts and stops services and forwards every
// test call of SongService to them.
#pragma once

#include <filesystem>
#include <memory>

namespace songsvc {

class ServiceHost {
 public:
  // Test certificates are made (or reused) in `certDir`.
  explicit ServiceHost(std::filesystem::path certDir);
  ~ServiceHost();

  // Listens on 127.0.0.1 (any free port); throws std::runtime_error when it cannot.
  void Start();
  void Stop();
  std::string ControlUrl() const;  // "http://127.0.0.1:<port>"

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace songsvc
