#include "modules/courier/update/UpdateFeed.h"

#include <algorithm>
#include <cwctype>

#include <nlohmann/json.hpp>

#include "contracts/cornerstone/Cornerstone.h"

namespace updatefeed {

namespace {

// The product's own comparison, once both sides are known to be plain versions.
int CompareVersions(const std::string& a, const std::string& b) {
  return BASUtilityString::CompareVersion(a.c_str(), b.c_str());
}

std::vector<std::string> Parts(const std::string& version) {
  std::vector<std::string> parts(1);
  for (char c : version) {
    if (c == '.')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

std::wstring Widen(const std::string& utf8) {
  // The feed is UTF-8; nlohmann has checked it is well-formed.
  std::wstring out;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    uint32_t code = c;
    size_t length = 1;
    if (c >= 0xF0) {
      code = c & 0x07;
      length = 4;
    } else if (c >= 0xE0) {
      code = c & 0x0F;
      length = 3;
    } else if (c >= 0xC0) {
      code = c & 0x1F;
      length = 2;
    }
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
    i += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (code >> 10));
      out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<wchar_t>(code);
    }
  }
  return out;
}

bool Refuse(std::string& error, const char* why) {
  error = why;
  return false;
}

bool IsHexDigest(const std::string& text) {
  return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
         });
}

bool ReadVersion(const nlohmann::json& entry, bool feedIsHttps, FeedVersion& out, std::string& error) {
  if (!entry.is_object()) return Refuse(error, "a version entry is not an object");
  auto version = entry.find("version");
  if (version == entry.end() || !version->is_string() || !IsPlainVersion(version->get<std::string>()))
    return Refuse(error, "a version is missing or not numeric dotted parts");
  out.version = Widen(version->get<std::string>());

  auto notes = entry.find("notes");
  if (notes != entry.end()) {
    if (!notes->is_array()) return Refuse(error, "notes are not a list");
    for (const nlohmann::json& line : *notes) {
      if (!line.is_string()) return Refuse(error, "a note line is not text");
      out.notes.push_back(Widen(line.get<std::string>()));
    }
  }

  auto installer = entry.find("installer");
  if (installer == entry.end() || !installer->is_object()) return Refuse(error, "an installer is missing");
  auto url = installer->find("url");
  auto size = installer->find("size");
  auto sha = installer->find("sha256");
  if (url == installer->end() || !url->is_string()) return Refuse(error, "an installer has no address");
  out.installer.url = Widen(url->get<std::string>());
  bool https = false;
  if (!SchemeOf(out.installer.url, https)) return Refuse(error, "an installer address is not http or https");
  if (feedIsHttps && !https) return Refuse(error, "an https feed names an http installer");
  if (size == installer->end() || !size->is_number_unsigned() || size->get<uint64_t>() == 0 ||
      size->get<uint64_t>() > kMaxInstallerBytes)
    return Refuse(error, "an installer size is missing or out of range");
  out.installer.size = size->get<uint64_t>();
  if (sha == installer->end() || !sha->is_string() || !IsHexDigest(sha->get<std::string>()))
    return Refuse(error, "an installer digest is not 64 hex digits");
  out.installer.sha256 = sha->get<std::string>();
  std::transform(out.installer.sha256.begin(), out.installer.sha256.end(), out.installer.sha256.begin(),
                 [](char c) { return static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c); });
  return true;
}

}  // namespace

bool IsPlainVersion(const std::string& version) {
  const std::vector<std::string> parts = Parts(version);
  if (parts.size() > 4) return false;
  for (const std::string& part : parts) {
    if (part.empty() || part.size() > 9) return false;
    if (!std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  }
  return true;
}

bool SchemeOf(const std::wstring& url, bool& https) {
  std::wstring head = url.substr(0, 8);
  for (wchar_t& c : head) c = static_cast<wchar_t>(std::towlower(c));
  if (head.rfind(L"https://", 0) == 0) {
    https = true;
    return url.size() > 8;
  }
  if (head.rfind(L"http://", 0) == 0) {
    https = false;
    return url.size() > 7;
  }
  return false;
}

bool ParseFeed(const std::string& body, bool feedIsHttps, const std::string& running, std::vector<FeedVersion>& newer,
               std::string& error) {
  newer.clear();
  if (!IsPlainVersion(running)) return Refuse(error, "the running version is not numeric");
  const nlohmann::json feed = nlohmann::json::parse(body, nullptr, false);
  if (feed.is_discarded()) return Refuse(error, "the feed is not JSON");
  if (!feed.is_object()) return Refuse(error, "the feed is not an object");
  auto versions = feed.find("versions");
  if (versions == feed.end() || !versions->is_array()) return Refuse(error, "the feed has no version list");

  std::vector<std::pair<std::string, FeedVersion>> found;
  for (const nlohmann::json& entry : *versions) {
    FeedVersion version;
    if (!ReadVersion(entry, feedIsHttps, version, error)) return false;
    const std::string number = entry["version"].get<std::string>();
    if (CompareVersions(number, running) <= 0) continue;
    const bool listed = std::any_of(found.begin(), found.end(),
                                    [&](const auto& known) { return CompareVersions(known.first, number) == 0; });
    if (!listed) found.emplace_back(number, std::move(version));
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return CompareVersions(a.first, b.first) > 0; });
  for (auto& entry : found) newer.push_back(std::move(entry.second));
  return true;
}

}  // namespace updatefeed
