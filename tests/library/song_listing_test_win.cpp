// songs.txt holds what "dir /s /b" writes on the machine: the system code page, CR LF.
#include <windows.h>

#include <gtest/gtest.h>

#include "library/song_counter.h"
#include "library/song_listing.h"
#include "platform/codepage.h"
#include "platform/path_text.h"
#include "support/temp_dir.h"

namespace orvik {
namespace {

namespace fs = std::filesystem;

TEST(SongListingFile, SystemCodePageWithUtf8ForWhatItCannotHold) {
  if (::GetACP() != 949) GTEST_SKIP() << "needs the Korean code page (the test scripts set it)";
  test::TempDir dir;
  const fs::path store = dir.path() / platform::PathFromUtf8("노래방");
  const char* const names[] = {"K0000\\00001.sgd", "K0000\\곡 2.sgd", "K1000\\01000 🎤.sgd"};
  for (const char* name : names) {
    const fs::path file = store / platform::PathFromUtf8(name);
    fs::create_directories(file.parent_path());
    test::WriteTextFile(file, "");
  }
  std::vector<std::string> lines;
  const fs::path listing = dir.path() / "songs.txt";
  const ListingOutcome outcome =
      WriteSongListing(store, listing, [&](std::string_view line) { lines.emplace_back(line); });
  ASSERT_TRUE(outcome.fileWritten);
  ASSERT_EQ(lines.size(), 3u);

  const std::string root = platform::PathToUtf8(store);
  EXPECT_EQ(lines[0], root + "\\K0000\\00001.sgd");  // the callback gets UTF-8 throughout
  std::string expected = platform::Utf8ToCp949(lines[0]) + "\r\n" +
                         platform::Utf8ToCp949(lines[1]) + "\r\n" +
                         lines[2] + "\r\n";  // the microphone has no code 949 form
  EXPECT_EQ(test::ReadTextFile(listing), expected);
  EXPECT_NE(expected.find(platform::Utf8ToCp949("노래방")), std::string::npos);

  // The file counts as the walk did.
  EXPECT_EQ(CountListingText(test::ReadTextFile(listing)).count, 3);
}

}  // namespace
}  // namespace orvik
