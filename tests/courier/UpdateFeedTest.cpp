// The version feed and the digest, without a network: what counts as newer, in which order, and
// which feeds are refused whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules/courier/update/Sha256.h"
#include "modules/courier/update/UpdateFeed.h"

namespace {

const std::string kDigest(64, 'a');

std::string Entry(const std::string& version, const std::string& notes = "[]",
                  const std::string& url = "https://example.test/setup.exe", const std::string& size = "10",
                  const std::string& sha = kDigest) {
  return "{\"version\": \"" + version + "\", \"notes\": " + notes + ", \"installer\": {\"url\": \"" + url +
         "\", \"size\": " + size + ", \"sha256\": \"" + sha + "\"}}";
}

std::string Feed(const std::vector<std::string>& entries) {
  std::string body = "{\"versions\": [";
  for (size_t i = 0; i < entries.size(); ++i) body += (i ? "," : "") + entries[i];
  return body + "]}";
}

}  // namespace

TEST(UpdateFeed, OnlyNewerVersionsCountNewestFirstWithTheirNotes) {
  std::vector<FeedVersion> newer;
  std::string error;
  const std::string body = Feed({Entry("2.1.163"), Entry("2.1.170", "[\"Faster contacts\"]"), Entry("2.0.999"),
                                 Entry("2.10", "[\"Wi-Fi\", \"Themes \\u00e9\"]"), Entry("2.1.170"), Entry("2.1.99")});
  ASSERT_TRUE(updatefeed::ParseFeed(body, true, "2.1.163", newer, error)) << error;
  ASSERT_EQ(newer.size(), 2u);  // numerically 2.10 > 2.1.170 > 2.1.163 > 2.1.99; the repeat counts once
  EXPECT_EQ(newer[0].version, L"2.10");
  EXPECT_EQ(newer[0].notes, (std::vector<std::wstring>{L"Wi-Fi", L"Themes \u00e9"}));
  EXPECT_EQ(newer[1].version, L"2.1.170");
  EXPECT_EQ(newer[1].notes, std::vector<std::wstring>{L"Faster contacts"});
  EXPECT_EQ(newer[1].installer.size, 10u);

  ASSERT_TRUE(updatefeed::ParseFeed(Feed({Entry("2.1.163"), Entry("1.9")}), true, "2.1.163", newer, error));
  EXPECT_TRUE(newer.empty());
  ASSERT_TRUE(updatefeed::ParseFeed("{\"versions\": []}", true, "2.1.163", newer, error));
  EXPECT_TRUE(newer.empty());
}

TEST(UpdateFeed, MalformedFeedsAreRefusedWhole) {
  const std::pair<const char*, std::string> cases[] = {
      {"not JSON", "<html>maintenance</html>"},
      {"truncated", Feed({Entry("3.0")}).substr(0, 40)},
      {"not an object", "[1, 2]"},
      {"no list", "{\"version\": \"3.0\"}"},
      {"list of wrong type", "{\"versions\": {\"3.0\": 1}}"},
      {"entry not an object", "{\"versions\": [\"3.0\"]}"},
      {"beta version", Feed({Entry("10.x-beta")})},
      {"empty part", Feed({Entry("3..0")})},
      {"version a number", "{\"versions\": [{\"version\": 3, \"installer\": {}}]}"},
      {"note not text", Feed({Entry("3.0", "[1]")})},
      {"notes not a list", Feed({Entry("3.0", "\"one\"")})},
      {"no installer", "{\"versions\": [{\"version\": \"3.0\"}]}"},
      {"size as text", Feed({Entry("3.0", "[]", "https://example.test/s.exe", "\"10\"")})},
      {"size zero", Feed({Entry("3.0", "[]", "https://example.test/s.exe", "0")})},
      {"size negative", Feed({Entry("3.0", "[]", "https://example.test/s.exe", "-5")})},
      {"size too large", Feed({Entry("3.0", "[]", "https://example.test/s.exe", "99999999999")})},
      {"short digest", Feed({Entry("3.0", "[]", "https://example.test/s.exe", "10", "abc")})},
      {"digest not hex", Feed({Entry("3.0", "[]", "https://example.test/s.exe", "10", std::string(64, 'g'))})},
      {"file address", Feed({Entry("3.0", "[]", "file:///c:/setup.exe")})},
      {"http installer in an https feed", Feed({Entry("3.0", "[]", "http://example.test/setup.exe")})},
      // An older entry that is malformed spoils the feed too: it is not half trusted.
      {"bad older entry", Feed({Entry("3.0"), Entry("1.0", "[]", "https://example.test/s.exe", "10", "abc")})},
  };
  for (const auto& [what, body] : cases) {
    std::vector<FeedVersion> newer;
    std::string error;
    EXPECT_FALSE(updatefeed::ParseFeed(body, true, "2.1.163", newer, error)) << what;
    EXPECT_FALSE(error.empty()) << what;
    EXPECT_TRUE(newer.empty()) << what;
  }
}

TEST(UpdateFeed, AnHttpFeedMayNameAnHttpInstaller) {
  std::vector<FeedVersion> newer;
  std::string error;
  ASSERT_TRUE(
      updatefeed::ParseFeed(Feed({Entry("3.0", "[]", "http://127.0.0.1:80/setup.exe", "10", std::string(64, 'A'))}),
                            false, "2.1.163", newer, error))
      << error;
  ASSERT_EQ(newer.size(), 1u);
  EXPECT_EQ(newer[0].installer.sha256, std::string(64, 'a'));  // compared in lower case
}

TEST(UpdateFeed, PlainVersionsAreDigitsAndDots) {
  for (const char* good : {"2", "2.1", "2.1.163", "10.0.0.1", "007"})
    EXPECT_TRUE(updatefeed::IsPlainVersion(good)) << good;
  for (const char* bad : {"", ".", "2.", ".2", "2.1.1.1.1", "v2", "2.1-rc", "2,1", " 2.1", "1234567890"})
    EXPECT_FALSE(updatefeed::IsPlainVersion(bad)) << bad;
}

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(Sha256::Of(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256::Of("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // Fed in pieces, the same as at once.
  Sha256 pieces;
  const std::string text(200000, 'q');
  for (size_t at = 0; at < text.size(); at += 7919)
    pieces.Update(text.data() + at, std::min<size_t>(7919, text.size() - at));
  EXPECT_EQ(pieces.Finish(), Sha256::Of(text));
}
