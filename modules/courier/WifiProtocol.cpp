#include "modules/courier/WifiProtocol.h"

#include <map>
#include <utility>

#include <nlohmann/json.hpp>

#include "modules/courier/DemoDataParser.h"
#include "modules/courier/formats/ContactFormats.h"

using nlohmann::json;

namespace wifi {

namespace {

// What a hello may tell about the phone; the rest of a phone's description (its identifier, its
// connection steps) is this PC's to decide.
const char* const kHelloPhoneMembers[] = {"displayName",  "modelName", "productName", "model",         "androidVersion",
                                          "serialNumber", "battery",   "phoneMemory", "storageMemory", "accounts"};

// A Wi-Fi phone has no driver or cable: it walks the wizard straight to ready.
json WifiConnectionSteps() {
  return json::array({{{"status", 1}, {"delayMs", 300}}, {{"status", 18}, {"delayMs", 300}}, {{"status", 22}}});
}

std::string Dump(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string Typed(const char* type) { return Dump(json{{"type", type}}); }

// A backup document (which starts with "{") with the message's type as its first member.
std::string TypedBackup(const char* type, const std::string& backup) {
  if (backup.empty() || backup[0] != '{') return std::string();
  return std::string("{\"type\":\"") + type + "\"," + backup.substr(1);
}

}  // namespace

bool FrameReader::Feed(const char* data, size_t size) {
  if (Failed()) return false;
  if (m_offset > 0 && m_offset == m_buffer.size()) {
    m_buffer.clear();
    m_offset = 0;
  }
  m_buffer.append(data, size);
  return CheckHeader();
}

bool FrameReader::CheckHeader() {
  if (m_buffer.size() - m_offset < kFrameHeaderBytes) return true;
  const auto* header = reinterpret_cast<const unsigned char*>(m_buffer.data() + m_offset);
  const uint32_t length =
      (uint32_t(header[0]) << 24) | (uint32_t(header[1]) << 16) | (uint32_t(header[2]) << 8) | uint32_t(header[3]);
  if (length == 0) {
    m_error = "an empty frame";
  } else if (length > kMaxFrameBytes) {
    m_error = "a frame of " + std::to_string(length) + " bytes announced";
  }
  if (Failed()) {
    m_buffer.clear();
    m_offset = 0;
    return false;
  }
  return true;
}

bool FrameReader::Next(std::string& frame) {
  if (Failed() || m_buffer.size() - m_offset < kFrameHeaderBytes) return false;
  const auto* header = reinterpret_cast<const unsigned char*>(m_buffer.data() + m_offset);
  const size_t length =
      (size_t(header[0]) << 24) | (size_t(header[1]) << 16) | (size_t(header[2]) << 8) | size_t(header[3]);
  if (m_buffer.size() - m_offset - kFrameHeaderBytes < length) return false;
  frame.assign(m_buffer, m_offset + kFrameHeaderBytes, length);
  m_offset += kFrameHeaderBytes + length;
  // Keep the buffer small: what was read is dropped once it is most of it.
  if (m_offset > kMaxFrameBytes / 2 || m_offset == m_buffer.size()) {
    m_buffer.erase(0, m_offset);
    m_offset = 0;
  }
  CheckHeader();
  return true;
}

std::string EncodeFrame(std::string_view text) {
  if (text.empty() || text.size() > kMaxFrameBytes) return std::string();
  const uint32_t length = static_cast<uint32_t>(text.size());
  std::string frame;
  frame.reserve(kFrameHeaderBytes + text.size());
  frame.push_back(static_cast<char>(length >> 24));
  frame.push_back(static_cast<char>(length >> 16));
  frame.push_back(static_cast<char>(length >> 8));
  frame.push_back(static_cast<char>(length));
  frame.append(text.data(), text.size());
  return frame;
}

bool ParseMessage(const std::string& frame, Message& message, std::string& error) {
  // Only the type is looked at here; a full document is parsed where the type needs one.
  const json value = json::parse(frame, nullptr, false);
  if (value.is_discarded() || !value.is_object()) {
    error = "a frame that is not a JSON object";
    return false;
  }
  auto type = value.find("type");
  if (type == value.end() || !type->is_string() || type->get_ref<const std::string&>().empty()) {
    error = "a message without a type";
    return false;
  }
  message.type = type->get<std::string>();
  message.text = frame;
  return true;
}

bool ReadHello(const Message& hello, const std::wstring& address, DemoPhone& phone, std::string& error) {
  if (hello.type != "hello") {
    error = "expected a hello, got \"" + hello.type.substr(0, 40) + "\"";
    return false;
  }
  const json value = json::parse(hello.text, nullptr, false);
  if (value.is_discarded() || !value.is_object()) {
    error = "a hello that is not a JSON object";
    return false;
  }
  auto versions = value.find("versions");
  bool common = false;
  if (versions != value.end() && versions->is_array()) {
    for (const json& version : *versions)
      common = common || (version.is_number_integer() && version == kProtocolVersion);
  }
  if (!common) {
    error = "no protocol version in common (this PC speaks " + std::to_string(kProtocolVersion) + ")";
    return false;
  }
  auto details = value.find("phone");
  if (details == value.end() || !details->is_object()) {
    error = "a hello without the phone's details";
    return false;
  }
  json described = json::object();
  for (const auto& member : details->items()) {
    bool known = false;
    for (const char* name : kHelloPhoneMembers) known = known || member.key() == name;
    if (!known) {
      error = "phone." + member.key().substr(0, 40) + ": not a member of a hello";
      return false;
    }
    described[member.key()] = member.value();
  }
  std::string identifier;
  for (wchar_t c : address) {
    if (c > 0x7F) {
      error = "not a network address";
      return false;
    }
    identifier.push_back(static_cast<char>(c));
  }
  described["identifier"] = identifier;
  described["connection"] = WifiConnectionSteps();
  const json document = {{"format", DemoDataParser::kFormatVersion}, {"phones", json::array({described})}};
  DemoCatalog catalog;
  if (!DemoDataParser::Parse(Dump(document), std::filesystem::path(), catalog, error)) return false;
  if (catalog.phones().size() != 1) {
    error = "a hello without a phone";
    return false;
  }
  phone = std::move(catalog.MutablePhones().front());
  return true;
}

bool ReadContactBatch(const Message& batch, std::vector<DemoGroup>& groups, std::vector<DemoContact>& contacts,
                      std::string& error) {
  ContactReadResult read = ReadContactBackup(batch.text);
  if (read.failed > 0) {
    error = read.problems.empty() ? "a contacts batch that could not be read" : "contacts: " + read.problems.front();
    return false;
  }
  if (contacts.size() + read.contacts.size() > kMaxContacts) {
    error = "more than " + std::to_string(kMaxContacts) + " contacts";
    return false;
  }
  std::map<std::wstring, std::wstring> idOfTitle;
  for (const DemoGroup& group : groups) idOfTitle.emplace(group.title, group.identifier);
  for (const DemoGroup& group : read.groups) {
    if (group.title.empty() || idOfTitle.count(group.title) != 0) continue;
    // The phone's own identifier, unless another group has it already.
    std::wstring identifier = group.identifier;
    for (const DemoGroup& other : groups) {
      if (other.identifier == identifier) identifier.clear();
    }
    if (identifier.empty()) identifier = L"wifi-" + std::to_wstring(groups.size() + 1);
    groups.push_back(DemoGroup{identifier, group.title, group.accountType});
    idOfTitle.emplace(group.title, identifier);
  }
  for (DemoContact& contact : read.contacts) {
    std::vector<std::wstring> ids;
    for (const std::wstring& title : contact.groups) {
      auto it = idOfTitle.find(title);
      if (it != idOfTitle.end()) ids.push_back(it->second);
    }
    contact.groups = std::move(ids);
    contacts.push_back(std::move(contact));
  }
  return true;
}

std::string WelcomeMessage() {
  return Dump(json{{"type", "welcome"}, {"version", kProtocolVersion}, {"state", "waiting for the user"}});
}
std::string AcceptedMessage() { return Typed("accepted"); }
std::string DeclinedMessage(const std::string& reason) { return Dump(json{{"type", "declined"}, {"reason", reason}}); }
std::string ListContactsMessage() { return Typed("contacts.list"); }
std::string PingMessage() { return Typed("ping"); }
std::string PongMessage() { return Typed("pong"); }
std::string ByeMessage(const std::string& reason) { return Dump(json{{"type", "bye"}, {"reason", reason}}); }
std::string ErrorMessage(const std::string& reason) { return Dump(json{{"type", "error"}, {"reason", reason}}); }

std::string SaveContactMessage(const DemoContact& contact, const std::vector<DemoGroup>& groups) {
  return TypedBackup("contact.save", WriteContactBackup(std::vector<DemoContact>{contact}, groups));
}

std::string DeleteContactsMessage(const std::vector<std::wstring>& identifiers) {
  json ids = json::array();
  for (const std::wstring& identifier : identifiers) ids.push_back(WideToUtf8(identifier));
  return Dump(json{{"type", "contact.delete"}, {"ids", ids}});
}

}  // namespace wifi
