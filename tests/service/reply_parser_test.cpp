#include "service/reply_parser.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace orvik {
namespace {

using Entries = std::map<std::string, std::string>;

Entries Parse(const std::string& text) {
  ReplyMap map;
  ParseReply(text, map);
  return map.Entries();
}

TEST(ParseReply, TakesPairsAsSent) {
  struct Case {
    std::string reply;
    Entries expected;
  };
  const std::vector<Case> cases = {
      {"needUpdateSong=true&updateSongCount=12 &action=insert",
       {{"needUpdateSong", "true"}, {"updateSongCount", "12"}, {"action", "insert"}}},
      {"a=1&a=2", {{"a", "2"}}},
      {"url=x?p=1=2", {{"url", "x?p=1=2"}}},
      {"", {{"", ""}}},
      {"a=1&", {{"a", "1"}, {"", ""}}},
      {"k= v \t\r\n", {{"k", " v"}}},                       // leading blanks stay, trailing go
      {" k=v", {{" k", "v"}}},                              // spaces in a key stay
      {"a=%41+b&#38;=x", {{"a", "%41+b"}, {"#38;", "x"}}},  // nothing decoded
      {"flag&b=2", {{"flag", ""}, {"b", "2"}}},             // no "=": the piece names itself
      {"a=1\r&b=2", {{"a", "1"}, {"b", "2"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.reply), c.expected) << c.reply;
}

TEST(ParseReply, AddsToWhatTheMapHolds) {
  ReplyMap map;
  ParseReply("a=1&b=2", map);
  ParseReply("b=3", map);
  EXPECT_EQ(map.Entries(), (Entries{{"a", "1"}, {"b", "3"}}));
}

TEST(ReplyMap, FlagsAreExactlyTrue) {
  for (const auto& [reply, expected] :
       std::vector<std::pair<std::string, bool>>{{"needUpdateApp=true", true},
                                                 {"needUpdateApp=true ", true},
                                                 {"needUpdateApp=True", false},
                                                 {"needUpdateApp=1", false},
                                                 {"needUpdateApp= true", false},
                                                 {" needUpdateApp=true", false},
                                                 {"", false}}) {
    ReplyMap map;
    ParseReply(reply, map);
    EXPECT_EQ(map.NeedUpdateApp(), expected) << "[" << reply << "]";
  }
}

TEST(ReplyMap, ReadingsOfAnEmptyReplyAreFalseOrEmptyAndInsertTheirKeys) {
  ReplyMap map;
  ParseReply("", map);
  EXPECT_FALSE(map.NeedUpdateApp());
  EXPECT_FALSE(map.NeedUpdateSong());
  EXPECT_FALSE(map.IsActionRemove());
  EXPECT_EQ(map.GetAction(), "");
  EXPECT_EQ(map.GetAppFileUrl(), "");
  EXPECT_EQ(map.GetUpdateSongCount(), "");
  EXPECT_EQ(map.Entries(), (Entries{{"", ""},
                                    {"needUpdateApp", ""},
                                    {"needUpdateSong", ""},
                                    {"action", ""},
                                    {"appFileUrl", ""},
                                    {"updateSongCount", ""}}));
}

TEST(SplitByChar, KeepsEmptyPiecesButNoTrailingOne) {
  using Pieces = std::vector<std::string>;
  EXPECT_EQ(SplitByChar("a,,b", ','), (Pieces{"a", "", "b"}));
  EXPECT_EQ(SplitByChar("a,b,", ','), (Pieces{"a", "b"}));
  EXPECT_EQ(SplitByChar(",a", ','), (Pieces{"", "a"}));
  EXPECT_EQ(SplitByChar("", ','), Pieces{});
  EXPECT_EQ(SplitByChar(",", ','), Pieces{""});
  EXPECT_EQ(SplitByChar("abc", ','), Pieces{"abc"});
  EXPECT_EQ(SplitByChar("a||", '|'), (Pieces{"a", ""}));
}

}  // namespace
}  // namespace orvik
