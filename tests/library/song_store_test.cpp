// Which store files are songs, by their names: what the update history counts.
#include "library/song_store.h"

#include <gtest/gtest.h>

#include "platform/path_text.h"

namespace orvik {
namespace {

TEST(SongStore, SongNumbersComeOnlyFromSongFileNames) {
  EXPECT_EQ(SongNumberOfFile("K12000/12345.sgd"), 12345);
  EXPECT_EQ(SongNumberOfFile("K0000/00007.sgd"), 7);
  EXPECT_EQ(SongNumberOfFile(SongFilePath("store", 999999)), 999999);
  for (const char* other : {"K0000/00000.sgd", "K0000/readme.txt", "K0000/12a45.sgd", "K0000/.sgd",
                            "K0000/12345.sgd.bak", "K0000/1234567890.sgd", "K0000/-0001.sgd"})
    EXPECT_FALSE(SongNumberOfFile(other)) << other;
  EXPECT_FALSE(SongNumberOfFile(platform::PathFromUtf8("K0000/노래.sgd")));
}

}  // namespace
}  // namespace orvik
