#include "tests/probe/ProbeConfig.h"

#include <windows.h>

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

constexpr int64_t kMaxDelayMs = 0x7FFFFFFF;  // USER_TIMER_MAXIMUM

bool ReadInt(const json& object, const char* key, int64_t& out, std::string& error) {
  auto it = object.find(key);
  if (it == object.end()) return true;
  if (!it->is_number_integer()) {
    error = std::string("\"") + key + "\" must be an integer";
    return false;
  }
  out = it->get<int64_t>();
  return true;
}

bool ReadDelay(const json& object, const char* key, uint32_t& out, std::string& error) {
  int64_t delay = 0;
  if (!ReadInt(object, key, delay, error)) return false;
  if (delay < 0 || delay > kMaxDelayMs) {
    error = std::string("\"") + key + "\" is out of range";
    return false;
  }
  out = static_cast<uint32_t>(delay);
  return true;
}

bool ReadString(const json& object, const char* key, std::string& out, bool& present, std::string& error) {
  auto it = object.find(key);
  present = it != object.end();
  if (!present) return true;
  if (!it->is_string()) {
    error = std::string("\"") + key + "\" must be a string";
    return false;
  }
  out = it->get<std::string>();
  return true;
}

bool CheckKeys(const json& object, const std::vector<std::string>& known, const char* where, std::string& error) {
  for (auto it = object.begin(); it != object.end(); ++it) {
    bool found = false;
    for (const auto& key : known) found = found || key == it.key();
    if (!found) {
      error = "unknown key \"" + it.key() + "\" in " + where;
      return false;
    }
  }
  return true;
}

bool ParsePost(const json& item, ProbePost& post, std::string& error) {
  if (!item.is_object()) {
    error = "every \"post\" item must be an object";
    return false;
  }
  if (!CheckKeys(item,
                 {"name", "afterMs", "action", "code", "value", "count", "entries", "total", "position", "text",
                  "narrowText", "windowFromLastReceived", "instanceSelf"},
                 "a post", error))
    return false;
  bool present = false;
  if (!ReadString(item, "name", post.name, present, error)) return false;
  if (!present || post.name.empty()) {
    error = "every post needs a \"name\"";
    return false;
  }
  int64_t action = 0;
  if (!ReadDelay(item, "afterMs", post.afterMs, error) || !ReadInt(item, "action", action, error) ||
      !ReadInt(item, "code", post.code, error) || !ReadInt(item, "value", post.value, error) ||
      !ReadInt(item, "count", post.count, error) || !ReadInt(item, "entries", post.entries, error) ||
      !ReadInt(item, "total", post.total, error) || !ReadInt(item, "position", post.position, error))
    return false;
  if (action < 0 || action > 255) {
    error = "\"action\" is out of range";
    return false;
  }
  post.action = static_cast<uint8_t>(action);
  std::string text;
  if (!ReadString(item, "text", text, post.hasText, error)) return false;
  post.text = ProbeWideFromUtf8(text);
  if (!ReadString(item, "narrowText", post.narrowText, post.hasNarrowText, error)) return false;
  if (!ReadString(item, "windowFromLastReceived", post.windowFrom, present, error)) return false;
  auto self = item.find("instanceSelf");
  if (self != item.end()) {
    if (!self->is_boolean()) {
      error = "\"instanceSelf\" must be true or false";
      return false;
    }
    post.instanceSelf = self->get<bool>();
  }
  return true;
}

bool ParseAnswer(const json& item, ProbeAnswer& answer, std::string& error) {
  if (!item.is_object()) {
    error = "every answer must be an object";
    return false;
  }
  if (!CheckKeys(item, {"window", "value"}, "an answer", error)) return false;
  std::string window;
  bool present = false;
  if (!ReadString(item, "window", window, present, error)) return false;
  if (present && window != "self") {
    error = "an answer's \"window\" can only be \"self\"";
    return false;
  }
  answer.createWindow = present;
  answer.hasValue = item.contains("value");
  return ReadInt(item, "value", answer.value, error);
}

}  // namespace

std::wstring ProbeWideFromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(size > 0 ? size : 0, L'\0');
  if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
  return wide;
}

std::string ProbeUtf8FromWide(const wchar_t* text) {
  if (text == nullptr || *text == 0) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string narrow(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], size, nullptr, nullptr);
  narrow.resize(size - 1);
  return narrow;
}

bool ParseProbeConfig(const std::string& text, ProbeConfig& config, std::string& error) {
  error.clear();
  json root = json::parse(text, nullptr, false);
  if (root.is_discarded() || !root.is_object()) {
    error = "the file is not a JSON object";
    return false;
  }
  std::string log;
  bool hasLog = false;
  if (!ReadString(root, "log", log, hasLog, error)) return false;
  if (hasLog) config.logPath = ProbeWideFromUtf8(log);
  if (!CheckKeys(root, {"log", "register", "post", "answer", "closeAfterMs", "peekData"}, "the script", error)) return false;

  auto names = root.find("register");
  if (names != root.end()) {
    if (!names->is_array()) {
      error = "\"register\" must be an array of names";
      return false;
    }
    for (const auto& name : *names) {
      if (!name.is_string() || name.get<std::string>().empty()) {
        error = "\"register\" must hold only non-empty names";
        return false;
      }
      config.registerNames.push_back(name.get<std::string>());
    }
  }

  auto posts = root.find("post");
  if (posts != root.end()) {
    if (!posts->is_array()) {
      error = "\"post\" must be an array";
      return false;
    }
    for (const auto& item : *posts) {
      ProbePost post;
      if (!ParsePost(item, post, error)) return false;
      config.posts.push_back(std::move(post));
    }
  }

  auto answers = root.find("answer");
  if (answers != root.end()) {
    if (!answers->is_object()) {
      error = "\"answer\" must be an object keyed by command name";
      return false;
    }
    for (auto it = answers->begin(); it != answers->end(); ++it) {
      ProbeAnswer answer;
      if (!ParseAnswer(it.value(), answer, error)) return false;
      config.answers[it.key()] = answer;
    }
  }

  auto peeks = root.find("peekData");
  if (peeks != root.end()) {
    if (!peeks->is_object()) {
      error = "\"peekData\" must be an object keyed by command name";
      return false;
    }
    for (auto it = peeks->begin(); it != peeks->end(); ++it) {
      if (!it.value().is_number_unsigned() || it.value().get<uint32_t>() > 64) {
        error = "a \"peekData\" count must be a number from 0 to 64";
        return false;
      }
      config.peekData[it.key()] = it.value().get<uint32_t>();
    }
  }

  config.closes = root.contains("closeAfterMs");
  return ReadDelay(root, "closeAfterMs", config.closeAfterMs, error);
}
