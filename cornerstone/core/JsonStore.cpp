#include "cornerstone/core/JsonStore.h"

#include <cstdlib>
#include <vector>

namespace cornerstone {
namespace {

std::vector<std::string> SplitKey(const std::string& key) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t colon = key.find(':', start);
    parts.push_back(key.substr(start, colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return parts;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

JsonStore::JsonStore() : m_root(nlohmann::json::object()) {}

bool JsonStore::Parse(const std::string& text) {
  nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) return false;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_root = std::move(parsed);
  return true;
}

std::string JsonStore::Serialize() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  // Invalid UTF-8 that came in through SetString is written replaced, not thrown.
  return m_root.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

void JsonStore::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_root = nlohmann::json::object();
}

// A key may name a member whose own name holds colons ("background:part" beside the
// colour "background"): when the path cannot descend further, the rest of the key is
// tried as one member name.
const nlohmann::json* JsonStore::Find(const std::string& key) const {
  if (key.empty()) return nullptr;
  const std::vector<std::string> parts = SplitKey(key);
  const nlohmann::json* node = &m_root;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!node->is_object()) return nullptr;
    auto it = node->find(parts[i]);
    bool descends = it != node->end() && (i + 1 == parts.size() || it->is_object());
    if (!descends && i + 1 < parts.size()) {
      std::string rest = parts[i];
      for (size_t j = i + 1; j < parts.size(); ++j) rest += ":" + parts[j];
      auto whole = node->find(rest);
      if (whole != node->end()) return &*whole;
    }
    if (it == node->end()) return nullptr;
    node = &*it;
  }
  return node;
}

const char* JsonStore::GetString(const std::string& key) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const nlohmann::json* node = Find(key);
  if (!node || !node->is_string()) return "";
  const std::string& value = node->get_ref<const std::string&>();
  std::list<std::string>& texts = m_handedOut[key];
  for (const std::string& t : texts)
    if (t == value) return t.c_str();
  texts.push_back(value);
  return texts.back().c_str();
}

bool JsonStore::GetColor(const std::string& key, unsigned char rgb[3]) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const nlohmann::json* node = Find(key);
  if (!node || !node->is_string()) return false;
  std::string s = node->get<std::string>();
  if (s.size() != 7 || s[0] != '#') return false;
  s.erase(0, 1);
  for (int i = 0; i < 3; ++i) {
    int hi = HexDigit(s[2 * i]), lo = HexDigit(s[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    rgb[i] = static_cast<unsigned char>(hi * 16 + lo);
  }
  return true;
}

int JsonStore::GetInt(const std::string& key) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const nlohmann::json* node = Find(key);
  if (!node) return 0;
  if (node->is_number_integer() || node->is_number_unsigned()) {
    long long v = node->get<long long>();
    if (v > 0x7FFFFFFF || v < -0x7FFFFFFF - 1) return 0;
    return static_cast<int>(v);
  }
  if (node->is_number_float()) {
    double d = node->get<double>();
    return (d > 2147483647.0 || d < -2147483648.0 || d != d) ? 0 : static_cast<int>(d);
  }
  if (node->is_boolean()) return node->get<bool>() ? 1 : 0;
  if (node->is_string()) {
    const std::string& s = node->get_ref<const std::string&>();
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    return (end && *end == '\0' && !s.empty()) ? static_cast<int>(v) : 0;
  }
  return 0;
}

const nlohmann::json* JsonStore::GetValueObject(const std::string& key) {
  std::lock_guard<std::mutex> lock(m_mutex);
  const nlohmann::json* node = Find(key);
  return (node && (node->is_object() || node->is_array())) ? node : nullptr;
}

bool JsonStore::HasMember(const std::string& key) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Find(key) != nullptr;
}

bool JsonStore::SetString(const std::string& key, const std::string& value) {
  if (key.empty()) return false;
  std::lock_guard<std::mutex> lock(m_mutex);
  nlohmann::json* node = &m_root;
  for (const std::string& part : SplitKey(key)) {
    if (!node->is_object()) *node = nlohmann::json::object();
    node = &(*node)[part];
  }
  *node = value;
  return true;
}

}  // namespace cornerstone
