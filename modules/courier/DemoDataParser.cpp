#include "modules/courier/DemoDataParser.h"

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <set>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "modules/courier/ConnectionStatus.h"

using nlohmann::json;

namespace {

// The first fault found; thrown only inside this file and caught in Parse.
struct ParseFault {
  std::string message;
};

[[noreturn]] void Fail(const std::string& path, const std::string& what) {
  throw ParseFault{path.empty() ? what : path + ": " + what};
}

std::string Member(const std::string& path, const char* key) { return path.empty() ? key : path + "." + key; }
std::string Element(const std::string& path, size_t index) { return path + "[" + std::to_string(index) + "]"; }

// An object whose members are all known: a misspelt member would otherwise be silently lost.
const json& ExpectObject(const json& value, const std::string& path, std::initializer_list<const char*> known) {
  if (!value.is_object()) Fail(path, "expected an object");
  for (auto it = value.begin(); it != value.end(); ++it) {
    bool found = false;
    for (const char* key : known) found = found || it.key() == key;
    if (!found) Fail(Member(path, it.key().c_str()), "unknown member");
  }
  return value;
}

const json* Find(const json& object, const char* key) {
  auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

bool HasControl(const std::wstring& text) {
  for (wchar_t c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

std::wstring ToText(const json& value, const std::string& path, bool allowEmpty, bool singleLine) {
  if (!value.is_string()) Fail(path, "expected a string");
  std::wstring wide;
  if (!Utf8ToWide(value.get_ref<const std::string&>(), wide)) Fail(path, "not valid UTF-8");
  if (!allowEmpty && wide.empty()) Fail(path, "must not be empty");
  if (singleLine && HasControl(wide)) Fail(path, "must be one line without control characters");
  return wide;
}

std::wstring Text(const json& object, const std::string& path, const char* key) {
  const json* value = Find(object, key);
  if (value == nullptr) Fail(Member(path, key), "missing");
  return ToText(*value, Member(path, key), false, true);
}

std::wstring OptionalText(const json& object, const std::string& path, const char* key, bool multiLine = false) {
  const json* value = Find(object, key);
  return value == nullptr ? std::wstring() : ToText(*value, Member(path, key), true, !multiLine);
}

int64_t ToInteger(const json& value, const std::string& path, int64_t minimum, int64_t maximum) {
  if (!value.is_number_integer()) Fail(path, "expected an integer");
  if (value.is_number_unsigned() && value.get<uint64_t>() > static_cast<uint64_t>(maximum)) {
    Fail(path, "out of range");
  }
  const int64_t number = value.get<int64_t>();
  if (number < minimum || number > maximum) {
    Fail(path, "out of range (" + std::to_string(minimum) + " to " + std::to_string(maximum) + ")");
  }
  return number;
}

int64_t Integer(const json& object, const std::string& path, const char* key, int64_t minimum, int64_t maximum) {
  const json* value = Find(object, key);
  if (value == nullptr) Fail(Member(path, key), "missing");
  return ToInteger(*value, Member(path, key), minimum, maximum);
}

int64_t OptionalInteger(const json& object, const std::string& path, const char* key, int64_t minimum, int64_t maximum,
                        int64_t fallback) {
  const json* value = Find(object, key);
  return value == nullptr ? fallback : ToInteger(*value, Member(path, key), minimum, maximum);
}

bool OptionalBool(const json& object, const std::string& path, const char* key, bool fallback) {
  const json* value = Find(object, key);
  if (value == nullptr) return fallback;
  if (!value->is_boolean()) Fail(Member(path, key), "expected true or false");
  return value->get<bool>();
}

const json& EmptyArray() {
  static const json kEmpty = json::array();
  return kEmpty;
}

const json& Array(const json& object, const std::string& path, const char* key, bool required) {
  const json* value = Find(object, key);
  if (value == nullptr) {
    if (required) Fail(Member(path, key), "missing");
    return EmptyArray();
  }
  if (!value->is_array()) Fail(Member(path, key), "expected an array");
  return *value;
}

constexpr int64_t kMaxBytes = int64_t(1) << 50;  // a petabyte: larger is a typo
constexpr int64_t kMaxDelayMs = 10 * 60 * 1000;

// Identifiers, unique within their kind on one phone.
void Claim(std::set<std::wstring>& taken, const std::wstring& identifier, const std::string& path) {
  if (!taken.insert(identifier).second) Fail(path, "duplicate identifier");
}

// "YYYY-MM-DD HH:MM", the way the panes show dates.
std::wstring Date(const json& object, const std::string& path, const char* key) {
  std::wstring date = Text(object, path, key);
  auto digits = [&](size_t at, size_t count, int minimum, int maximum) {
    int number = 0;
    for (size_t i = at; i < at + count; ++i) {
      if (date[i] < L'0' || date[i] > L'9') return false;
      number = number * 10 + (date[i] - L'0');
    }
    return number >= minimum && number <= maximum;
  };
  const bool ok = date.size() == 16 && date[4] == L'-' && date[7] == L'-' && date[10] == L' ' && date[13] == L':' &&
                  digits(0, 4, 1970, 2100) && digits(5, 2, 1, 12) && digits(8, 2, 1, 31) && digits(11, 2, 0, 23) &&
                  digits(14, 2, 0, 59);
  if (!ok) Fail(Member(path, key), "expected a date \"YYYY-MM-DD HH:MM\"");
  return date;
}

std::wstring PhonePath(const json& object, const std::string& path, const char* key) {
  std::wstring phonePath = Text(object, path, key);
  if (phonePath[0] != L'/' || phonePath.back() == L'/') Fail(Member(path, key), "expected an absolute file path");
  return phonePath;
}

bool IsDottedNumber(const std::wstring& text) {
  if (text.empty() || text.front() == L'.' || text.back() == L'.') return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'.' ? text[i + 1] == L'.' : (text[i] < L'0' || text[i] > L'9')) return false;
  }
  return true;
}

// A Wi-Fi phone is named by its address, "a.b.c.d" with an optional ":port".
bool IsNetworkAddress(const std::wstring& text) {
  const size_t colon = text.find(L':');
  const std::wstring host = text.substr(0, colon);
  if (colon != std::wstring::npos) {
    const std::wstring port = text.substr(colon + 1);
    if (port.empty() || port.size() > 5) return false;
    for (wchar_t c : port) {
      if (c < L'0' || c > L'9') return false;
    }
    if (std::stol(port) > 65535) return false;
  }
  size_t parts = 0;
  size_t start = 0;
  while (start <= host.size()) {
    size_t dot = host.find(L'.', start);
    if (dot == std::wstring::npos) dot = host.size();
    const std::wstring part = host.substr(start, dot - start);
    if (part.empty() || part.size() > 3) return false;
    for (wchar_t c : part) {
      if (c < L'0' || c > L'9') return false;
    }
    if (std::stoi(part) > 255) return false;
    ++parts;
    start = dot + 1;
  }
  return parts == 4;
}

std::wstring Extension(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  const size_t slash = name.find_last_of(L"/\\");
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return std::wstring();
  std::wstring extension = name.substr(dot);
  for (wchar_t& c : extension) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return extension;
}

bool IsImageExtension(const std::wstring& extension) {
  for (const wchar_t* known : {L".png", L".jpg", L".jpeg", L".gif", L".bmp", L".webp"}) {
    if (extension == known) return true;
  }
  return false;
}

std::filesystem::path WidePath(const std::wstring& text) {
  if constexpr (sizeof(wchar_t) == 2) {
    return std::filesystem::path(text);
  } else {
    // On POSIX the narrow form is the file-system form; the file names are UTF-8.
    return std::filesystem::path(WideToUtf8(text));
  }
}

// A picture beside the data file. The file is written by hand or by a download, so its paths
// may only reach down into the data folder, never out of it.
std::filesystem::path ShippedFile(const std::wstring& relative, const std::filesystem::path& root,
                                  const std::string& path) {
  const std::filesystem::path file = WidePath(relative);
  if (file.is_absolute() || file.has_root_name() || file.has_root_directory() || relative[0] == L'/' ||
      relative[0] == L'\\') {
    Fail(path, "must be relative to the data file's folder");
  }
  for (const std::filesystem::path& part : file) {
    if (part == "..") Fail(path, "must not leave the data file's folder");
  }
  const std::filesystem::path full = root / file;
  std::error_code failure;
  if (!std::filesystem::is_regular_file(full, failure)) Fail(path, "no such file beside the data file");
  return full;
}

std::filesystem::path PictureFile(const std::wstring& relative, const std::filesystem::path& root,
                                  const std::string& path) {
  if (!IsImageExtension(Extension(relative))) Fail(path, "not a picture (.png, .jpg, .gif, .bmp, .webp)");
  return ShippedFile(relative, root, path);
}

class PhoneReader {
 public:
  PhoneReader(const std::filesystem::path& mediaRoot, DemoPhone& phone) : m_root(mediaRoot), m_phone(phone) {}

  void Read(const json& value, const std::string& basePath) {
    m_path = basePath;
    if (!value.is_object()) Fail(m_path, "expected an object");
    m_phone.identifier = Text(value, m_path, "identifier");
    // From here on the phone is named in every message.
    m_path += " (" + WideToUtf8(m_phone.identifier) + ")";
    ExpectObject(value, m_path,
                 {"identifier",     "displayName",  "modelName",     "productName",     "model",
                  "androidVersion", "serialNumber", "battery",       "phoneMemory",     "storageMemory",
                  "connection",     "accounts",     "groups",        "contacts",        "generatedContacts",
                  "conversations",  "photos",       "music",         "playlists",       "videos",
                  "books",          "apps",         "defaultSmsApp", "incomingMessages"});
    if (m_phone.identifier.size() > 64) Fail(Member(m_path, "identifier"), "longer than 64 characters");
    if (m_phone.identifier.find(L'.') != std::wstring::npos && !IsNetworkAddress(m_phone.identifier)) {
      Fail(Member(m_path, "identifier"), "an identifier with a dot must be a network address a.b.c.d[:port]");
    }
    m_phone.displayName = OptionalText(value, m_path, "displayName");
    m_phone.modelName = OptionalText(value, m_path, "modelName");
    m_phone.productName = OptionalText(value, m_path, "productName");
    if (m_phone.displayName.empty() && m_phone.modelName.empty() && m_phone.productName.empty()) {
      Fail(m_path, "needs a displayName, modelName or productName");
    }
    m_phone.model = Text(value, m_path, "model");
    m_phone.androidVersion = Text(value, m_path, "androidVersion");
    if (!IsDottedNumber(m_phone.androidVersion))
      Fail(Member(m_path, "androidVersion"), "expected a version such as \"4.4\"");
    m_phone.serialNumber = OptionalText(value, m_path, "serialNumber");
    if (m_phone.serialNumber.empty()) m_phone.serialNumber = m_phone.identifier;
    ReadBattery(value);
    m_phone.phoneMemory = ReadMemory(value, "phoneMemory");
    m_phone.storageMemory = ReadMemory(value, "storageMemory");
    ReadConnection(Array(value, m_path, "connection", true), Member(m_path, "connection"));
    ReadAccounts(Array(value, m_path, "accounts", false), Member(m_path, "accounts"));
    ReadGroups(Array(value, m_path, "groups", false), Member(m_path, "groups"));
    ReadContacts(Array(value, m_path, "contacts", false), Member(m_path, "contacts"));
    m_phone.generatedContacts = static_cast<size_t>(OptionalInteger(
        value, m_path, "generatedContacts", 0, static_cast<int64_t>(DemoDataParser::kMaxGeneratedContacts), 0));
    ReadConversations(Array(value, m_path, "conversations", false), Member(m_path, "conversations"));
    const std::wstring smsRole = OptionalText(value, m_path, "defaultSmsApp");
    if (smsRole.empty() || smsRole == L"accepts")
      m_phone.smsRole = DemoSmsRole::kAccepts;
    else if (smsRole == L"already")
      m_phone.smsRole = DemoSmsRole::kAlready;
    else if (smsRole == L"declines")
      m_phone.smsRole = DemoSmsRole::kDeclines;
    else
      Fail(Member(m_path, "defaultSmsApp"), "expected \"already\", \"accepts\" or \"declines\"");
    ReadIncoming(Array(value, m_path, "incomingMessages", false), Member(m_path, "incomingMessages"));
    ReadPhotos(Array(value, m_path, "photos", false), Member(m_path, "photos"));
    ReadSongs(Array(value, m_path, "music", false), Member(m_path, "music"));
    ReadPlaylists(Array(value, m_path, "playlists", false), Member(m_path, "playlists"));
    ReadVideos(Array(value, m_path, "videos", false), Member(m_path, "videos"));
    ReadBooks(Array(value, m_path, "books", false), Member(m_path, "books"));
    ReadApps(Array(value, m_path, "apps", false), Member(m_path, "apps"));
  }

 private:
  void ReadBattery(const json& phone) {
    const json* battery = Find(phone, "battery");
    const std::string path = Member(m_path, "battery");
    if (battery == nullptr) Fail(path, "missing");
    ExpectObject(*battery, path, {"percent", "charging"});
    m_phone.batteryPercent = static_cast<int32_t>(Integer(*battery, path, "percent", 0, 100));
    m_phone.charging = OptionalBool(*battery, path, "charging", false);
  }

  DemoMemory ReadMemory(const json& phone, const char* key) {
    const json* memory = Find(phone, key);
    const std::string path = Member(m_path, key);
    if (memory == nullptr) Fail(path, "missing");
    ExpectObject(*memory, path, {"totalBytes", "freeBytes"});
    DemoMemory result;
    result.totalBytes = Integer(*memory, path, "totalBytes", 0, kMaxBytes);
    result.freeBytes = Integer(*memory, path, "freeBytes", 0, kMaxBytes);
    if (result.freeBytes > result.totalBytes) Fail(Member(path, "freeBytes"), "larger than totalBytes");
    return result;
  }

  static DemoRetry RetryOf(const std::wstring& name) {
    if (name == L"RETRY_CONNECT_DEVICE") return DemoRetry::kRetryConnect;
    if (name == L"INSTALL_RETRY") return DemoRetry::kInstallRetry;
    if (name == L"DEBUG_AUTHORIZE_RETRY") return DemoRetry::kDebugAuthorize;
    if (name == L"ROOT_AUTHORIZE_RETRY") return DemoRetry::kRootAuthorize;
    return DemoRetry::kNone;
  }

  void ReadConnection(const json& steps, const std::string& path) {
    if (steps.empty()) Fail(path, "needs at least one step");
    for (size_t i = 0; i < steps.size(); ++i) {
      const std::string stepPath = Element(path, i);
      const json& value = ExpectObject(
          steps[i], stepPath, {"status", "event", "delayMs", "text", "link", "download", "waitFor", "timeoutMs"});
      DemoStep step;
      step.delayMs = static_cast<int32_t>(OptionalInteger(value, stepPath, "delayMs", 0, kMaxDelayMs, 0));
      const json* event = Find(value, "event");
      if (event != nullptr) {
        const std::wstring name = ToText(*event, Member(stepPath, "event"), false, true);
        if (name == L"disconnect") {
          step.action = DemoStepAction::kDisconnect;
        } else if (name == L"crash") {
          step.action = DemoStepAction::kCrash;
        } else {
          Fail(Member(stepPath, "event"), "expected \"disconnect\" or \"crash\"");
        }
        for (const char* key : {"status", "text", "link", "download", "waitFor", "timeoutMs"}) {
          if (Find(value, key) != nullptr) Fail(Member(stepPath, key), "not allowed with an event");
        }
        m_phone.connection.push_back(std::move(step));
        continue;
      }
      step.status = static_cast<int32_t>(Integer(value, stepPath, "status", 0, kStatusMax));
      step.text = OptionalText(value, stepPath, "text");
      const std::wstring link = OptionalText(value, stepPath, "link");
      step.narrowText = WideToUtf8(link);
      const json* download = Find(value, "download");
      if (step.status == 6) {
        // The wizard shows byte progress only for the driver download.
        const std::string downloadPath = Member(stepPath, "download");
        if (download == nullptr) Fail(downloadPath, "missing (status 6 is the driver download)");
        ExpectObject(*download, downloadPath, {"totalBytes", "chunks"});
        step.downloadBytes = Integer(*download, downloadPath, "totalBytes", 1, kMaxBytes);
        step.downloadChunks = static_cast<int32_t>(Integer(*download, downloadPath, "chunks", 1, 1000));
      } else if (download != nullptr) {
        Fail(Member(stepPath, "download"), "only for status 6");
      }
      const json* waitFor = Find(value, "waitFor");
      if (waitFor != nullptr) {
        step.action = DemoStepAction::kWaitForRetry;
        step.retry = RetryOf(ToText(*waitFor, Member(stepPath, "waitFor"), false, true));
        if (step.retry == DemoRetry::kNone) {
          Fail(Member(stepPath, "waitFor"),
               "expected RETRY_CONNECT_DEVICE, INSTALL_RETRY, DEBUG_AUTHORIZE_RETRY or ROOT_AUTHORIZE_RETRY");
        }
        step.timeoutMs = static_cast<int32_t>(OptionalInteger(value, stepPath, "timeoutMs", 0, kMaxDelayMs, 0));
        // Without a timeout only the wizard's button ends the wait, and at most statuses it has none.
        if (step.timeoutMs == 0 && RetryOfferedAt(step.status) != step.retry) {
          Fail(Member(stepPath, "waitFor"),
               "the wizard offers no such retry at status " + std::to_string(step.status) + "; give a timeoutMs");
        }
      } else if (Find(value, "timeoutMs") != nullptr) {
        Fail(Member(stepPath, "timeoutMs"), "only with waitFor");
      }
      m_phone.connection.push_back(std::move(step));
    }
  }

  void ReadAccounts(const json& accounts, const std::string& path) {
    std::set<std::wstring> names;
    for (size_t i = 0; i < accounts.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(accounts[i], itemPath, {"name", "type"});
      DemoAccount account{Text(value, itemPath, "name"), Text(value, itemPath, "type")};
      Claim(names, account.name, Member(itemPath, "name"));
      m_phone.accounts.push_back(std::move(account));
    }
  }

  void ReadGroups(const json& groups, const std::string& path) {
    std::set<std::wstring> ids;
    for (size_t i = 0; i < groups.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(groups[i], itemPath, {"id", "title", "accountType"});
      DemoGroup group{Text(value, itemPath, "id"), Text(value, itemPath, "title"),
                      Text(value, itemPath, "accountType")};
      Claim(ids, group.identifier, Member(itemPath, "id"));
      bool typeKnown = false;
      for (const DemoAccount& account : m_phone.accounts) typeKnown = typeKnown || account.type == group.accountType;
      if (!typeKnown) Fail(Member(itemPath, "accountType"), "no account of this type on the phone");
      m_phone.groups.push_back(std::move(group));
    }
  }

  // Items of one kind: [{"label": ..., valueKey: ...}].
  void ReadItems(const json& contact, const std::string& path, const char* key, DemoItemKind kind, const char* valueKey,
                 DemoContact& out) {
    const json& items = Array(contact, path, key, false);
    for (size_t i = 0; i < items.size(); ++i) {
      const std::string itemPath = Element(Member(path, key), i);
      const json& value = ExpectObject(items[i], itemPath, {"label", valueKey});
      DemoContactItem item;
      item.kind = kind;
      item.label = Text(value, itemPath, "label");
      item.typeCode = ContactTypeCode(kind, item.label);
      item.value = Text(value, itemPath, valueKey);
      out.items.push_back(std::move(item));
    }
  }

  void ReadSingleItem(const json& contact, const std::string& path, const char* key, DemoItemKind kind,
                      DemoContact& out) {
    const bool multiLine = kind == DemoItemKind::kNote;
    std::wstring text = OptionalText(contact, path, key, multiLine);
    if (text.empty()) return;
    DemoContactItem item;
    item.kind = kind;
    item.value = std::move(text);
    out.items.push_back(std::move(item));
  }

  void ReadContacts(const json& contacts, const std::string& path) {
    std::set<std::wstring> ids;
    for (size_t i = 0; i < contacts.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(contacts[i], itemPath,
                                       {"id", "name", "account", "groups", "phones", "emails", "postalAddresses",
                                        "websites", "organization", "nickname", "note"});
      DemoContact contact;
      contact.identifier = Text(value, itemPath, "id");
      Claim(ids, contact.identifier, Member(itemPath, "id"));
      contact.name = Text(value, itemPath, "name");
      contact.accountName = OptionalText(value, itemPath, "account");
      if (!contact.accountName.empty()) {
        const DemoAccount* account = nullptr;
        for (const DemoAccount& candidate : m_phone.accounts) {
          if (candidate.name == contact.accountName) account = &candidate;
        }
        if (account == nullptr) Fail(Member(itemPath, "account"), "no such account on the phone");
        contact.accountType = account->type;
      }
      const json& groups = Array(value, itemPath, "groups", false);
      for (size_t g = 0; g < groups.size(); ++g) {
        const std::string groupPath = Element(Member(itemPath, "groups"), g);
        std::wstring id = ToText(groups[g], groupPath, false, true);
        const DemoGroup* group = nullptr;
        for (const DemoGroup& candidate : m_phone.groups) {
          if (candidate.identifier == id) group = &candidate;
        }
        if (group == nullptr) Fail(groupPath, "no such group on the phone");
        // Android keeps groups per account: a phone-only contact belongs to none.
        if (group->accountType != contact.accountType) Fail(groupPath, "the group belongs to another account type");
        contact.groups.push_back(std::move(id));
      }
      ReadItems(value, itemPath, "phones", DemoItemKind::kPhone, "number", contact);
      ReadItems(value, itemPath, "emails", DemoItemKind::kEmail, "address", contact);
      ReadItems(value, itemPath, "postalAddresses", DemoItemKind::kPostalAddress, "address", contact);
      ReadItems(value, itemPath, "websites", DemoItemKind::kWebsite, "url", contact);
      ReadSingleItem(value, itemPath, "organization", DemoItemKind::kOrganization, contact);
      ReadSingleItem(value, itemPath, "nickname", DemoItemKind::kNickname, contact);
      ReadSingleItem(value, itemPath, "note", DemoItemKind::kNote, contact);
      m_phone.contacts.push_back(std::move(contact));
    }
  }

  void ReadIncoming(const json& messages, const std::string& path) {
    int64_t previous = 0;
    for (size_t i = 0; i < messages.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(messages[i], itemPath, {"delayMs", "address", "body"});
      DemoIncomingMessage message;
      message.delayMs = static_cast<int32_t>(Integer(value, itemPath, "delayMs", 0, 600000));
      if (message.delayMs < previous) Fail(Member(itemPath, "delayMs"), "earlier than the message before");
      previous = message.delayMs;
      message.address = Text(value, itemPath, "address");
      const json* body = Find(value, "body");
      if (body == nullptr) Fail(Member(itemPath, "body"), "missing");
      message.body = ToText(*body, Member(itemPath, "body"), false, false);
      m_phone.incomingMessages.push_back(std::move(message));
    }
  }

  void ReadConversations(const json& conversations, const std::string& path) {
    std::set<std::wstring> threadIds;
    std::set<std::wstring> messageIds;
    for (size_t i = 0; i < conversations.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(conversations[i], itemPath, {"id", "address", "messages"});
      DemoConversation conversation;
      conversation.identifier = Text(value, itemPath, "id");
      Claim(threadIds, conversation.identifier, Member(itemPath, "id"));
      conversation.address = Text(value, itemPath, "address");
      const json& messages = Array(value, itemPath, "messages", true);
      if (messages.empty()) Fail(Member(itemPath, "messages"), "a conversation needs a message");
      for (size_t m = 0; m < messages.size(); ++m) {
        const std::string messagePath = Element(Member(itemPath, "messages"), m);
        const json& item = ExpectObject(messages[m], messagePath, {"id", "box", "date", "read", "body"});
        DemoMessage message;
        message.identifier = Text(item, messagePath, "id");
        Claim(messageIds, message.identifier, Member(messagePath, "id"));
        message.box = Text(item, messagePath, "box");
        if (message.box != L"inbox" && message.box != L"sent" && message.box != L"draft") {
          Fail(Member(messagePath, "box"), "expected \"inbox\", \"sent\" or \"draft\"");
        }
        message.date = Date(item, messagePath, "date");
        message.read = OptionalBool(item, messagePath, "read", true);
        const json* body = Find(item, "body");
        if (body == nullptr) Fail(Member(messagePath, "body"), "missing");
        message.body = ToText(*body, Member(messagePath, "body"), false, false);
        conversation.messages.push_back(std::move(message));
      }
      m_phone.conversations.push_back(std::move(conversation));
    }
  }

  void ReadPhotos(const json& photos, const std::string& path) {
    std::set<std::wstring> ids;
    for (size_t i = 0; i < photos.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(photos[i], itemPath, {"id", "file", "phonePath", "album", "dateCreated"});
      DemoPhoto photo;
      photo.identifier = Text(value, itemPath, "id");
      Claim(ids, photo.identifier, Member(itemPath, "id"));
      photo.file = PictureFile(Text(value, itemPath, "file"), m_root, Member(itemPath, "file"));
      std::error_code failure;
      const std::uintmax_t size = std::filesystem::file_size(photo.file, failure);
      if (failure) Fail(Member(itemPath, "file"), "cannot be read");
      photo.sizeBytes = static_cast<int64_t>(size);
      photo.phonePath = PhonePath(value, itemPath, "phonePath");
      photo.format = Extension(photo.phonePath);
      if (!IsImageExtension(photo.format)) Fail(Member(itemPath, "phonePath"), "not a picture file name");
      const size_t slash = photo.phonePath.rfind(L'/');
      photo.name = photo.phonePath.substr(slash + 1, photo.phonePath.size() - slash - 1 - photo.format.size());
      if (photo.name.empty()) Fail(Member(itemPath, "phonePath"), "no file name");
      photo.album = OptionalText(value, itemPath, "album");
      photo.dateCreated = Date(value, itemPath, "dateCreated");
      m_phone.photos.push_back(std::move(photo));
    }
  }

  void ReadSongs(const json& songs, const std::string& path) {
    std::set<std::wstring> ids;
    for (size_t i = 0; i < songs.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(
          songs[i], itemPath, {"id", "title", "artist", "album", "durationSec", "sizeBytes", "phonePath", "file"});
      DemoSong song;
      song.identifier = Text(value, itemPath, "id");
      Claim(ids, song.identifier, Member(itemPath, "id"));
      song.title = Text(value, itemPath, "title");
      song.artist = OptionalText(value, itemPath, "artist");
      song.album = OptionalText(value, itemPath, "album");
      song.durationSec = static_cast<int32_t>(Integer(value, itemPath, "durationSec", 0, 24 * 3600));
      song.sizeBytes = Integer(value, itemPath, "sizeBytes", 0, kMaxBytes);
      song.phonePath = PhonePath(value, itemPath, "phonePath");
      if (value.contains("file"))
        song.file = ShippedFile(Text(value, itemPath, "file"), m_root, Member(itemPath, "file"));
      m_phone.songs.push_back(std::move(song));
    }
  }

  void ReadPlaylists(const json& playlists, const std::string& path) {
    std::set<std::wstring> ids;
    for (size_t i = 0; i < playlists.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(playlists[i], itemPath, {"id", "name", "songs"});
      DemoPlaylist playlist;
      playlist.identifier = Text(value, itemPath, "id");
      Claim(ids, playlist.identifier, Member(itemPath, "id"));
      playlist.name = Text(value, itemPath, "name");
      const json& songs = Array(value, itemPath, "songs", false);
      std::set<std::wstring> members;
      for (size_t s = 0; s < songs.size(); ++s) {
        const std::string songPath = Element(Member(itemPath, "songs"), s);
        std::wstring id = ToText(songs[s], songPath, false, true);
        bool known = false;
        for (const DemoSong& song : m_phone.songs) known = known || song.identifier == id;
        if (!known) Fail(songPath, "no such song on the phone");
        Claim(members, id, songPath);
        playlist.songs.push_back(std::move(id));
      }
      m_phone.playlists.push_back(std::move(playlist));
    }
  }

  void ReadVideos(const json& videos, const std::string& path) {
    std::set<std::wstring> ids;
    for (size_t i = 0; i < videos.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(
          videos[i], itemPath, {"id", "title", "durationSec", "width", "height", "sizeBytes", "phonePath", "file"});
      DemoVideo video;
      video.identifier = Text(value, itemPath, "id");
      Claim(ids, video.identifier, Member(itemPath, "id"));
      video.title = Text(value, itemPath, "title");
      video.durationSec = static_cast<int32_t>(Integer(value, itemPath, "durationSec", 0, 24 * 3600));
      video.width = static_cast<int32_t>(Integer(value, itemPath, "width", 1, 16384));
      video.height = static_cast<int32_t>(Integer(value, itemPath, "height", 1, 16384));
      video.sizeBytes = Integer(value, itemPath, "sizeBytes", 0, kMaxBytes);
      video.phonePath = PhonePath(value, itemPath, "phonePath");
      if (value.contains("file"))
        video.file = ShippedFile(Text(value, itemPath, "file"), m_root, Member(itemPath, "file"));
      m_phone.videos.push_back(std::move(video));
    }
  }

  void ReadBooks(const json& books, const std::string& path) {
    std::set<std::wstring> ids;
    for (size_t i = 0; i < books.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(books[i], itemPath, {"id", "title", "author", "sizeBytes", "phonePath", "file"});
      DemoBook book;
      book.identifier = Text(value, itemPath, "id");
      Claim(ids, book.identifier, Member(itemPath, "id"));
      book.title = Text(value, itemPath, "title");
      book.author = OptionalText(value, itemPath, "author");
      book.sizeBytes = Integer(value, itemPath, "sizeBytes", 0, kMaxBytes);
      book.phonePath = PhonePath(value, itemPath, "phonePath");
      if (value.contains("file"))
        book.file = ShippedFile(Text(value, itemPath, "file"), m_root, Member(itemPath, "file"));
      m_phone.books.push_back(std::move(book));
    }
  }

  void ReadApps(const json& apps, const std::string& path) {
    std::set<std::wstring> packages;
    for (size_t i = 0; i < apps.size(); ++i) {
      const std::string itemPath = Element(path, i);
      const json& value = ExpectObject(apps[i], itemPath, {"package", "name", "version", "sizeBytes", "system", "file"});
      DemoApp app;
      app.package = Text(value, itemPath, "package");
      if (app.package.find(L'.') == std::wstring::npos || app.package.find(L' ') != std::wstring::npos) {
        Fail(Member(itemPath, "package"), "expected a package name such as \"org.example.app\"");
      }
      Claim(packages, app.package, Member(itemPath, "package"));
      app.name = Text(value, itemPath, "name");
      app.version = Text(value, itemPath, "version");
      app.sizeBytes = Integer(value, itemPath, "sizeBytes", 0, kMaxBytes);
      app.system = OptionalBool(value, itemPath, "system", false);
      if (value.contains("file"))
        app.file = ShippedFile(Text(value, itemPath, "file"), m_root, Member(itemPath, "file"));
      m_phone.apps.push_back(std::move(app));
    }
  }

  const std::filesystem::path& m_root;
  DemoPhone& m_phone;
  std::string m_path;
};

}  // namespace

bool DemoDataParser::Parse(const std::string& text, const std::filesystem::path& mediaRoot, DemoCatalog& catalog,
                           std::string& error) {
  catalog.Clear();
  error.clear();
  DemoCatalog result;
  try {
    const json document = json::parse(text);
    ExpectObject(document, "", {"format", "startupDelayMs", "phones"});
    if (Integer(document, "", "format", 0, std::numeric_limits<int32_t>::max()) != kFormatVersion) {
      Fail("format", "expected " + std::to_string(kFormatVersion));
    }
    result.SetStartupDelayMs(static_cast<int32_t>(OptionalInteger(document, "", "startupDelayMs", 0, kMaxDelayMs, 0)));
    const json& phones = Array(document, "", "phones", true);
    if (phones.size() > kMaxPhones) Fail("phones", "more than " + std::to_string(kMaxPhones) + " phones");
    std::set<std::wstring> identifiers;
    for (size_t i = 0; i < phones.size(); ++i) {
      result.MutablePhones().emplace_back();
      PhoneReader(mediaRoot, result.MutablePhones().back()).Read(phones[i], Element("phones", i));
      Claim(identifiers, result.MutablePhones().back().identifier, Element("phones", i) + ".identifier");
    }
  } catch (const ParseFault& fault) {
    error = fault.message;
    return false;
  } catch (const json::exception& failure) {
    error = std::string("not valid JSON: ") + failure.what();
    return false;
  } catch (const std::exception& failure) {
    error = std::string("cannot be read: ") + failure.what();
    return false;
  } catch (...) {
    error = "cannot be read";
    return false;
  }
  catalog = std::move(result);
  return true;
}

bool DemoDataParser::LoadFile(const std::filesystem::path& file, DemoCatalog& catalog, std::string& error) {
  catalog.Clear();
  std::error_code failure;
  const std::uintmax_t size = std::filesystem::file_size(file, failure);
  if (failure) {
    error = "cannot be read: " + failure.message();
    return false;
  }
  if (size > kMaxFileBytes) {
    error = "larger than " + std::to_string(kMaxFileBytes) + " bytes";
    return false;
  }
  std::ifstream stream(file, std::ios::binary);
  std::string text(static_cast<size_t>(size), '\0');
  if (!stream || !stream.read(text.data(), static_cast<std::streamsize>(text.size()))) {
    error = "cannot be read";
    return false;
  }
  return Parse(text, file.parent_path(), catalog, error);
}
