// A JSON document addressed by colon paths ("color:title:background"), safe to
// use from several threads. Knows nothing of files: the caller brings the text.
#pragma once

#include <list>
#include <map>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace cornerstone {

class JsonStore {
 public:
  JsonStore();

  // Replaces the document with `text`; on a parse error or a top level that is
  // not an object, answers false and keeps the document as it was.
  bool Parse(const std::string& text);
  std::string Serialize() const;
  void Clear();

  // The text stays valid for the life of the store (so callers may keep the
  // pointer); "" when the key is missing or not a string.
  const char* GetString(const std::string& key);
  // Parses "#RRGGBB"; false if missing or malformed.
  bool GetColor(const std::string& key, unsigned char rgb[3]);
  int GetInt(const std::string& key);
  // An array or object, or null. The pointer is valid until the next change.
  const nlohmann::json* GetValueObject(const std::string& key);
  bool HasMember(const std::string& key);
  // Creates the objects along the path; a scalar in the way is replaced.
  bool SetString(const std::string& key, const std::string& value);

 private:
  const nlohmann::json* Find(const std::string& key) const;

  mutable std::mutex m_mutex;
  nlohmann::json m_root;
  // Every distinct text handed out, kept so earlier pointers never dangle.
  std::map<std::string, std::list<std::string>> m_handedOut;
};

}  // namespace cornerstone
