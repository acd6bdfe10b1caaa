// The settings document: colon paths, fallbacks for missing or mistyped keys,
// and malformed input that must leave the previous document whole.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "cornerstone/core/JsonStore.h"

using cornerstone::JsonStore;

TEST(JsonStore, ColonPathsReachNestedValues) {
  JsonStore store;
  ASSERT_TRUE(store.Parse(R"({"color":{"title":{"background":"#1A2B3C"}},"url":{"feedback":"https://x/y"},
                             "task":{"visible":1},"list":[1,2],"n":"42"})"));
  EXPECT_STREQ(store.GetString("url:feedback"), "https://x/y");
  unsigned char rgb[3];
  ASSERT_TRUE(store.GetColor("color:title:background", rgb));
  EXPECT_EQ(rgb[0], 0x1A);
  EXPECT_EQ(rgb[1], 0x2B);
  EXPECT_EQ(rgb[2], 0x3C);
  EXPECT_EQ(store.GetInt("task:visible"), 1);
  EXPECT_EQ(store.GetInt("n"), 42);
  ASSERT_NE(store.GetValueObject("list"), nullptr);
  EXPECT_TRUE(store.GetValueObject("list")->is_array());
  EXPECT_NE(store.GetValueObject("color:title"), nullptr);
  EXPECT_TRUE(store.HasMember("color:title"));
}

TEST(JsonStore, MissingOrMistypedKeysFallBack) {
  JsonStore store;
  ASSERT_TRUE(store.Parse(R"({"a":{"b":5,"s":"text","bad":"#12345G","short":"#123"}})"));
  EXPECT_STREQ(store.GetString("a:missing"), "");
  EXPECT_STREQ(store.GetString("a:b"), "");  // a number is not a string
  EXPECT_STREQ(store.GetString("a:b:deeper"), "");
  EXPECT_STREQ(store.GetString(""), "");
  EXPECT_STREQ(store.GetString(":"), "");
  EXPECT_EQ(store.GetInt("a:s"), 0);
  EXPECT_EQ(store.GetInt("a"), 0);
  unsigned char rgb[3];
  EXPECT_FALSE(store.GetColor("a:bad", rgb));
  EXPECT_FALSE(store.GetColor("a:short", rgb));
  EXPECT_FALSE(store.GetColor("a:b", rgb));
  EXPECT_EQ(store.GetValueObject("a:b"), nullptr);
  EXPECT_FALSE(store.HasMember("a:zzz"));
}

TEST(JsonStore, AMemberNameMayHoldColonsBesideAValueOfItsPrefix) {
  JsonStore store;
  ASSERT_TRUE(store.Parse(R"({"color":{"title":{"background":"#1E9E63","background:part":"#E6F5EE"}}})"));
  unsigned char rgb[3];
  ASSERT_TRUE(store.GetColor("color:title:background", rgb));
  EXPECT_EQ(rgb[0], 0x1E);
  ASSERT_TRUE(store.GetColor("color:title:background:part", rgb));
  EXPECT_EQ(rgb[0], 0xE6);
  EXPECT_FALSE(store.HasMember("color:title:background:other"));
}

TEST(JsonStore, MalformedTextKeepsThePreviousDocument) {
  JsonStore store;
  ASSERT_TRUE(store.Parse(R"({"k":"v"})"));
  for (const char* bad : {"", "{", "{\"k\":}", "[1,2]", "\"just a string\"", "{\"k\":\"v\"} trailing", "\xff\xfe{}"}) {
    EXPECT_FALSE(store.Parse(bad)) << bad;
    EXPECT_STREQ(store.GetString("k"), "v");
  }
}

TEST(JsonStore, SetStringCreatesThePathAndRoundTrips) {
  JsonStore store;
  EXPECT_TRUE(store.SetString("contact:export:dir", "C:\\Users\\Ana\\Документы"));
  EXPECT_TRUE(store.SetString("scalar", "x"));
  EXPECT_TRUE(store.SetString("scalar:inner", "y"));  // the scalar in the way becomes an object
  EXPECT_FALSE(store.SetString("", "x"));
  JsonStore copy;
  ASSERT_TRUE(copy.Parse(store.Serialize()));
  EXPECT_STREQ(copy.GetString("contact:export:dir"), "C:\\Users\\Ana\\Документы");
  EXPECT_STREQ(copy.GetString("scalar:inner"), "y");
}

TEST(JsonStore, HandedOutTextOutlivesLaterChanges) {
  JsonStore store;
  store.SetString("k", "first");
  const char* first = store.GetString("k");
  store.SetString("k", "second");
  const char* second = store.GetString("k");
  EXPECT_STREQ(first, "first");
  EXPECT_STREQ(second, "second");
  EXPECT_EQ(store.GetString("k"), second);  // asking again does not grow the store
}

TEST(JsonStore, InvalidUtf8IsWrittenReplacedNotThrown) {
  JsonStore store;
  store.SetString("k", "ok\xC3(");
  std::string text;
  EXPECT_NO_THROW(text = store.Serialize());
  JsonStore copy;
  EXPECT_TRUE(copy.Parse(text));
}

TEST(JsonStore, ConcurrentReadersAndWriters) {
  JsonStore store;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&store, t] {
      for (int i = 0; i < 500; ++i) {
        std::string key = "t" + std::to_string(t) + ":k" + std::to_string(i % 7);
        store.SetString(key, std::to_string(i));
        store.GetString(key);
        store.Serialize();
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_STREQ(store.GetString("t3:k0"), "497");
}
