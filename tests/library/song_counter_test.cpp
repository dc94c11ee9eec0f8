#include "library/song_counter.h"

#include <gtest/gtest.h>

#include "library/inventory.h"
#include "library/song_store.h"

namespace orvik {
namespace {

struct CountCase {
  const char* what;
  std::string listing;
  int count;
  std::string ids;
};

TEST(SongCounting, ListingLinesGiveCountAndIds) {
  const CountCase cases[] = {
      {"empty listing", "", 0, ""},
      {"one song", "/s/K1000/01234.sgd\r\n", 1, "1234"},
      {"extension in any case, same name once", "/s/K1000/01234.sgd\r\n/s/K1000/01234.SGD\r\n", 1,
       "1234"},
      {"same name in two blocks", "/s/K1000/01234.sgd\n/s/K2000/01234.sgd\n", 1, "1234"},
      {"lower-case k counts", "/s/k0000/00007.sgd\n", 1, "7"},
      {"any folder starting with K", "/s/Karaoke/00009.sgd\n", 1, "9"},
      {"other folders do not", "/s/Pop/00007.sgd\n/s/K0000/sub/00008.sgd\n", 0, ""},
      {"no digits give 0", "/s/K0000/abc.sgd\n", 1, "0"},
      {"names compared exactly", "/s/K0000/00012.sgd\n/s/K0000/012.sgd\n/s/K0000/12a.sgd\n", 3,
       "12,12,12"},
      {"listing order kept", "/s/K2000/02000.sgd\n/s/K0000/00001.sgd\n", 2, "2000,1"},
      {"blanks around the line", "  \t/s/K0000/00003.sgd \r\n", 1, "3"},
      {"no separator", "00001.sgd\n", 0, ""},
      {"no parent folder separator", "K0000/00001.sgd\n", 0, ""},
      {"file in the root", "/00001.sgd\n", 0, ""},
      {"not .sgd", "/s/K0000/00001.sgdx\n/s/K0000/00001.sg\n/s/K0000/sgd\n", 0, ""},
      {"bare .sgd is the empty song name", "/s/K0000/.sgd\n", 1, "0"},
      {"spaces and Korean in names", "/s/K 곡/00005 노래.sgd\n/s/K0000/ 6.sgd\n", 2, "5,0"},
      {"digits overflow saturate", "/s/K0000/99999999999.sgd\n", 1, "2147483647"},
      {"last line without line end", "/s/K0000/00001.sgd\n/s/K0000/00002.sgd", 2, "1,2"},
  };
  for (const auto& c : cases) {
    const SongTally tally = CountListingText(c.listing, '/');
    EXPECT_EQ(tally.count, c.count) << c.what;
    EXPECT_EQ(tally.ids, c.ids) << c.what;
  }
}

TEST(SongCounting, LongLinesAreWhole) {
  // A path longer than 1023 bytes is one line, not pieces that might count on their own.
  const std::string deep = "/s/" + std::string(1100, 'x') + "/K0000/00004.sgd\n";
  EXPECT_EQ(CountListingText(deep, '/'), (SongTally{1, "4"}));
  const std::string piece = "/s/K0000/" + std::string(1020, 'y') + "/K1/00005.sgd\n";
  EXPECT_EQ(CountListingText(piece, '/'), (SongTally{1, "5"}));
}

TEST(SongCounting, WindowsListingWithBackslashes) {
  EXPECT_EQ(CountListingText("D:\\Songs\\K1000\\01234.sgd\r\nD:\\Songs\\Pop\\1.sgd\r\n", '\\'),
            (SongTally{1, "1234"}));
}

TEST(FormatWithThousands, GroupsOfThreeFromTheRight) {
  EXPECT_EQ(FormatWithThousands(0), "0");
  EXPECT_EQ(FormatWithThousands(1000), "1,000");
  EXPECT_EQ(FormatWithThousands(1234567), "1,234,567");
  EXPECT_EQ(FormatWithThousands(-123), "-123");
  EXPECT_EQ(FormatWithThousands(-1234), "-1,234");
  EXPECT_EQ(FormatWithThousands(-2147483647 - 1), "-2,147,483,648");
  EXPECT_EQ(StoredCountLabel(1234), "1,234곡");
  EXPECT_EQ(StoredCountLabel(0), "0곡");
}

TEST(SongStore, NumberToFolderAndFileName) {
  EXPECT_EQ(SongBlockFolderName(7), "K0000");
  EXPECT_EQ(SongBlockFolderName(12999), "K12000");
  EXPECT_EQ(SongFileName(7), "00007.sgd");
  EXPECT_EQ(SongFileName(123456), "123456.sgd");
  EXPECT_EQ(SongFilePath("/songs", 1234), std::filesystem::path("/songs/K1000/01234.sgd"));
  EXPECT_TRUE(SongFilePath("/songs", 0).empty());
  EXPECT_TRUE(SongFilePath("/songs", -5).empty());
  // The layout and the counting agree.
  constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
  EXPECT_EQ(CountListingText(SongFilePath("/songs", 999).string() + "\n", kSeparator),
            (SongTally{1, "999"}));
}

}  // namespace
}  // namespace orvik
