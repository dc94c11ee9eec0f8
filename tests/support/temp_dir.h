// A fresh folder under the system's temporary folder, removed with the object.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace orvik::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void WriteTextFile(const std::filesystem::path& file, const std::string& bytes);
std::string ReadTextFile(const std::filesystem::path& file);

using Tree = std::map<std::string, std::string>;  // relative '/'-separated path -> content
// Every file under `root`; empty when it is not there.
Tree ReadTree(const std::filesystem::path& root);

}  // namespace orvik::test
