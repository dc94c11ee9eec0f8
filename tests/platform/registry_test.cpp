#include "platform/registry.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvik::platform {
namespace {

const char* kKey = "SOFTWARE\\KESTOVA";

TEST(MachineValueFile, FindsTheValueInTheKeySection) {
  const std::string text =
      "; install folders\r\n"
      "Tunova2016InstallDir=/wrong/no-section\r\n"
      "[SOFTWARE\\OTHER]\r\n"
      "Tunova2016InstallDir=/wrong/other-key\r\n"
      "[software\\kestova]\r\n"
      "  tunova2016installdir  =  /opt/tunova new=1  \r\n";
  EXPECT_EQ(FindIniValue(text, kKey, "Tunova2016InstallDir"), "/opt/tunova new=1");
  EXPECT_EQ(FindIniValue(text, kKey, "Missing"), std::nullopt);
  EXPECT_EQ(FindIniValue(text, "SOFTWARE\\NONE", "Tunova2016InstallDir"), std::nullopt);
}

TEST(MachineValueFile, LastEntryWinsAndEmptyValueIsAValue) {
  EXPECT_EQ(FindIniValue("[K]\nv=1\nv=2", "K", "v"), "2");
  EXPECT_EQ(FindIniValue("[K]\nv=\n", "K", "v"), "");
  EXPECT_EQ(FindIniValue("[K]\nv\n[K]x\n", "K", "v"), std::nullopt);
  EXPECT_EQ(FindIniValue(std::string("[K]\nv=a\0b\n", 10), "K", "v"), std::string("a\0b", 3));
}

TEST(MachineValueFile, ReadsFromAFileAndMissingFileIsNoValue) {
  test::TempDir dir;
  test::WriteTextFile(dir / "KESTOVA.conf", "[SOFTWARE\\KESTOVA]\nTunova2016InstallDir=/srv/t\n");
  EXPECT_EQ(ReadIniValue(dir / "KESTOVA.conf", kKey, "Tunova2016InstallDir"), "/srv/t");
  EXPECT_EQ(ReadIniValue(dir / "absent.conf", kKey, "Tunova2016InstallDir"), std::nullopt);
}

}  // namespace
}  // namespace orvik::platform
