// The version feed the update check reads, and what it makes of it. The feed is a JSON document
// at the address "url:update" of the settings:
//
//   {"versions": [
//     {"version": "2.2.0",
//      "notes": ["First change", "Second change"],
//      "installer": {"url": "https://host/setup.exe", "size": 1234567,
//                    "sha256": "64 hex digits"}}]}
//
// "version" is numeric dotted parts only (compared part by part as numbers, as the product's own
// "2.1.163"); "notes" may be missing. A feed read over https must name an https installer: the
// size and digest it vouches for would mean nothing if the file came over plain http. A feed read
// over http (a local test server) may name either. Anything else malformed rejects the whole
// feed: a feed that is partly wrong is not trusted for the rest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FeedInstaller {
  std::wstring url;
  uint64_t size = 0;
  std::string sha256;  // lower-case hex
};

struct FeedVersion {
  std::wstring version;
  std::vector<std::wstring> notes;
  FeedInstaller installer;
};

namespace updatefeed {

// The most a feed may hold; a larger answer is refused before it is read to the end.
constexpr uint64_t kMaxFeedBytes = 1024 * 1024;
// The most an installer may be.
constexpr uint64_t kMaxInstallerBytes = 1024ull * 1024 * 1024;

// Digits separated by single dots, 1 to 4 parts of at most 9 digits each.
bool IsPlainVersion(const std::string& version);
// The versions of `body` newer than `running`, newest first (a version listed twice counts
// once). False with a one-line reason when the feed is malformed.
bool ParseFeed(const std::string& body, bool feedIsHttps, const std::string& running, std::vector<FeedVersion>& newer,
               std::string& error);
// "http://..." or "https://..." (case-insensitive); `https` tells which.
bool SchemeOf(const std::wstring& url, bool& https);

}  // namespace updatefeed
