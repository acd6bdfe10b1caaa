// The product's own contact backup: JSON that keeps every field, identifiers included. Reading
// is strict about the file (marker, version) and forgiving about single contacts, which are
// skipped and counted.
#include <limits>
#include <map>

#include <nlohmann/json.hpp>

#include "modules/courier/formats/ContactFormats.h"
#include "modules/courier/formats/FormatText.h"

using nlohmann::json;
using namespace formats;

namespace {

constexpr char kFormatMarker[] = "zorvane-steward-contacts";


// JSON text of one string, written directly: a book of a million contacts is saved often, and
// a document per contact would cost most of the time.
void AppendJsonString(std::string& out, const std::wstring& text) {
  static const char kHex[] = "0123456789abcdef";
  out.push_back('"');
  for (char c : WideToUtf8(text)) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (byte < 0x20) {
          out += "\\u00";
          out.push_back(kHex[byte >> 4]);
          out.push_back(kHex[byte & 15]);
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

void AppendMember(std::string& out, const char* key, const std::wstring& value, bool first = false) {
  if (!first) out.push_back(',');
  out.push_back('"');
  out += key;
  out += "\":";
  AppendJsonString(out, value);
}

void AppendContactJson(std::string& out, const DemoContact& contact,
                       const std::map<std::wstring, std::wstring>& titles) {
  out.push_back('{');
  AppendMember(out, "id", contact.identifier, true);
  AppendMember(out, "name", contact.name);
  AppendMember(out, "accountName", contact.accountName);
  AppendMember(out, "accountType", contact.accountType);
  // Written only when known, so older copies and this one read alike.
  for (const auto& list : {std::make_pair("nameParts", &contact.nameParts),
                           std::make_pair("phoneticParts", &contact.phoneticParts)}) {
    if (list.second->empty()) continue;
    out += ",\"";
    out += list.first;
    out += "\":[";
    for (size_t i = 0; i < list.second->size(); ++i) {
      if (i != 0) out.push_back(',');
      AppendJsonString(out, (*list.second)[i]);
    }
    out.push_back(']');
  }
  std::string ids;
  out += ",\"groups\":[";
  for (size_t i = 0; i < contact.groups.size(); ++i) {
    auto title = titles.find(contact.groups[i]);
    if (i != 0) {
      out.push_back(',');
      ids.push_back(',');
    }
    AppendJsonString(out, title == titles.end() ? std::wstring() : title->second);
    AppendJsonString(ids, contact.groups[i]);
  }
  out += "],\"groupIds\":[" + ids + "],\"items\":[";
  for (size_t i = 0; i < contact.items.size(); ++i) {
    const DemoContactItem& item = contact.items[i];
    if (i != 0) out.push_back(',');
    out += "{\"kind\":\"";
    out += KindName(item.kind);
    out += "\",\"typeCode\":" + std::to_string(item.typeCode);
    AppendMember(out, "label", item.label);
    AppendMember(out, "value", item.value);
    if (!item.parts.empty()) {
      out += ",\"parts\":[";
      for (size_t k = 0; k < item.parts.size(); ++k) {
        if (k != 0) out.push_back(',');
        AppendJsonString(out, item.parts[k]);
      }
      out.push_back(']');
    }
    out.push_back('}');
  }
  out += "]}";
}

// Why a contact entry was skipped; thrown only inside this file.
struct EntryFault {
  std::string what;
};

std::wstring TextMember(const json& object, const char* key, bool required) {
  auto it = object.find(key);
  if (it == object.end()) {
    if (required) throw EntryFault{std::string(key) + " is missing"};
    return std::wstring();
  }
  if (!it->is_string()) throw EntryFault{std::string(key) + " is not text"};
  // The parser has checked the UTF-8 already.
  return Utf8ToWideLenient(it->get_ref<const std::string&>());
}

// A list of exactly `size` texts, or none.
std::vector<std::wstring> TextList(const json& object, const char* key, size_t size) {
  std::vector<std::wstring> texts;
  auto it = object.find(key);
  if (it == object.end()) return texts;
  if (!it->is_array() || it->size() != size) throw EntryFault{std::string(key) + " is not a list of " + std::to_string(size)};
  for (const json& text : *it) {
    if (!text.is_string()) throw EntryFault{std::string(key) + " holds something not text"};
    texts.push_back(Utf8ToWideLenient(text.get_ref<const std::string&>()));
  }
  return texts;
}

DemoContact ContactFromJson(const json& value) {
  if (!value.is_object()) throw EntryFault{"not an object"};
  DemoContact contact;
  contact.identifier = TextMember(value, "id", false);
  contact.name = TextMember(value, "name", true);
  contact.accountName = TextMember(value, "accountName", false);
  contact.accountType = TextMember(value, "accountType", false);
  contact.nameParts = TextList(value, "nameParts", 5);
  contact.phoneticParts = TextList(value, "phoneticParts", 3);
  auto groups = value.find("groups");
  if (groups != value.end()) {
    if (!groups->is_array()) throw EntryFault{"groups is not a list"};
    for (const json& title : *groups) {
      if (!title.is_string()) throw EntryFault{"a group title is not text"};
      if (!title.get_ref<const std::string&>().empty())
        contact.groups.push_back(Utf8ToWideLenient(title.get_ref<const std::string&>()));
    }
  }
  auto items = value.find("items");
  if (items != value.end()) {
    if (!items->is_array()) throw EntryFault{"items is not a list"};
    for (size_t i = 0; i < items->size(); ++i) {
      const json& entry = (*items)[i];
      const std::string where = "items[" + std::to_string(i) + "]";
      if (!entry.is_object()) throw EntryFault{where + " is not an object"};
      DemoContactItem item;
      auto kind = entry.find("kind");
      if (kind == entry.end() || !kind->is_string() || !KindFromName(kind->get_ref<const std::string&>(), item.kind))
        throw EntryFault{where + " has no known kind"};
      auto code = entry.find("typeCode");
      if (code != entry.end()) {
        if (!code->is_number_integer() || (code->is_number_unsigned() && code->get<uint64_t>() > 0x7FFFFFFF) ||
            code->get<int64_t>() < std::numeric_limits<int32_t>::min() ||
            code->get<int64_t>() > std::numeric_limits<int32_t>::max())
          throw EntryFault{where + " has a bad type code"};
        item.typeCode = static_cast<int32_t>(code->get<int64_t>());
      }
      item.label = TextMember(entry, "label", false);
      item.value = TextMember(entry, "value", true);
      item.parts = TextList(entry, "parts", 7);
      contact.items.push_back(std::move(item));
    }
  }
  return contact;
}

void Fail(ContactReadResult& result, std::string problem) {
  ++result.failed;
  AddProblem(result.problems, result.failed, std::move(problem));
}

// Reads the backup as a stream of parser events: each group and contact is built as a small
// document of its own, turned into the model and dropped, so memory follows the contacts read,
// never the text of the file.
class BackupReader : public nlohmann::json_sax<json> {
 public:
  explicit BackupReader(ContactReadResult& result) : m_result(result) {}

  // After the parser stopped (`parsed` false: at a syntax error or the end of the input).
  void Finish(bool parsed) {
    const bool trusted = m_topIsObject && m_formatOk && m_sawVersion && m_versionProblem.empty();
    if (!parsed && !trusted) return Reject("not a contact backup: the file is not JSON or is cut short");
    if (!m_topIsObject || !m_formatOk) return Reject("not a contact backup of this program");
    if (!m_sawVersion) return Reject("the backup has no valid version");
    if (!m_versionProblem.empty()) return Reject(m_versionProblem);
    // The format is known: what was read before the damage is the user's and is kept.
    if (!parsed) return Fail(m_result, "the file is cut short or damaged after contact " + std::to_string(m_contactNumber));
    if (!m_sawContacts) Reject("the backup holds no contact list");
  }

  bool null() override { return Value(json(nullptr)); }
  bool boolean(bool value) override { return Value(json(value)); }
  bool number_integer(number_integer_t value) override { return Value(json(value)); }
  bool number_unsigned(number_unsigned_t value) override { return Value(json(value)); }
  bool number_float(number_float_t value, const string_t&) override { return Value(json(value)); }
  bool string(string_t& value) override { return Value(json(std::move(value))); }
  bool binary(binary_t& value) override { return Value(json(std::move(value))); }

  bool start_object(std::size_t) override { return Open(json::object()); }
  bool start_array(std::size_t) override { return Open(json::array()); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }

  bool key(string_t& name) override {
    if (m_depth == 1)
      m_topKey = name;
    else
      m_key = name;
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

 private:
  enum class Section { kNone, kGroups, kContacts };

  bool Open(json container) {
    ++m_depth;
    if (m_depth == 1) {
      m_sawTop = true;
      m_topIsObject = container.is_object();
      return true;
    }
    if (m_depth == 2) {
      m_section = Section::kNone;
      if (container.is_array() && m_topKey == "groups") m_section = Section::kGroups;
      if (container.is_array() && m_topKey == "contacts") {
        m_section = Section::kContacts;
        m_sawContacts = true;
      }
      return true;
    }
    if (m_section == Section::kNone) return true;
    if (m_depth == 3) {
      m_element = std::move(container);
      m_stack.assign(1, &m_element);
      return true;
    }
    m_stack.push_back(Add(std::move(container)));
    return true;
  }

  bool Close() {
    if (m_depth >= 3 && m_section != Section::kNone) {
      m_stack.pop_back();
      if (m_depth == 3) Element(m_element);
    }
    --m_depth;
    return true;
  }

  bool Value(json value) {
    if (m_depth == 0) {
      m_sawTop = true;
      return true;
    }
    if (m_depth == 1) {
      if (m_topKey == "format") m_formatOk = value.is_string() && value.get_ref<const std::string&>() == kFormatMarker;
      if (m_topKey == "version") CheckVersion(value);
      return true;
    }
    if (m_section == Section::kNone) return true;
    if (m_depth == 2) {
      Element(value);
      return true;
    }
    Add(std::move(value));
    return true;
  }

  json* Add(json value) {
    json& parent = *m_stack.back();
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    json& slot = parent[m_key];
    slot = std::move(value);
    return &slot;
  }

  void Element(const json& element) {
    if (m_section == Section::kGroups) {
      if (!element.is_object()) return;
      try {
        DemoGroup group;
        group.identifier = TextMember(element, "id", false);
        group.title = TextMember(element, "title", true);
        group.accountType = TextMember(element, "accountType", false);
        m_result.groups.push_back(std::move(group));
      } catch (const EntryFault&) {
        // A group the contacts cannot name is of no use; their titles still travel.
      }
      return;
    }
    ++m_contactNumber;
    try {
      m_result.contacts.push_back(ContactFromJson(element));
    } catch (const EntryFault& fault) {
      Fail(m_result, "contact " + std::to_string(m_contactNumber) + ": " + fault.what);
    }
  }

  void CheckVersion(const json& version) {
    m_versionProblem.clear();
    if (!version.is_number_integer()) {
      m_versionProblem = "the backup has no valid version";
    } else if (version.is_number_unsigned() ? version.get<uint64_t>() > kContactBackupVersion
                                            : version.get<int64_t>() > kContactBackupVersion) {
      m_versionProblem = "the backup was made by a newer version of the program (backup version " + version.dump() +
                         "); update the program to restore it";
    } else if (version.get<int64_t>() < 1) {
      m_versionProblem = "the backup has no valid version";
    }
    m_sawVersion = true;
  }

  // The file is not one to trust: nothing of it is restored.
  void Reject(const std::string& problem) {
    m_result.contacts.clear();
    m_result.contacts.shrink_to_fit();
    m_result.groups.clear();
    m_result.failed = 0;
    m_result.problems.clear();
    Fail(m_result, problem);
  }

 private:
  ContactReadResult& m_result;
  int m_depth = 0;
  bool m_sawTop = false;
  bool m_topIsObject = false;
  bool m_formatOk = false;
  bool m_sawVersion = false;
  bool m_sawContacts = false;
  std::string m_versionProblem;
  std::string m_topKey;
  std::string m_key;
  Section m_section = Section::kNone;
  json m_element;
  std::vector<json*> m_stack;
  size_t m_contactNumber = 0;
};

template <typename Input>
ContactReadResult ReadBackup(Input&& input) {
  ContactReadResult result;
  try {
    BackupReader reader(result);
    const bool parsed = json::sax_parse(std::forward<Input>(input), &reader);
    reader.Finish(parsed);
  } catch (...) {
    result.contacts.clear();
    result.contacts.shrink_to_fit();
    Fail(result, "the backup could not be read");
  }
  return result;
}

}  // namespace

bool WriteContactBackup(ByteSink& sink, const std::vector<DemoContact>& contacts,
                        const std::vector<DemoGroup>& groups) {
  try {
    std::map<std::wstring, std::wstring> titles;
    std::string text = "{\n\t\"format\": \"" + std::string(kFormatMarker) + "\",\n\t\"version\": " +
                       std::to_string(kContactBackupVersion) + ",\n\t\"groups\": [";
    for (size_t i = 0; i < groups.size(); ++i) {
      titles.emplace(groups[i].identifier, groups[i].title);
      text += i == 0 ? "\n\t\t{" : ",\n\t\t{";
      AppendMember(text, "id", groups[i].identifier, true);
      AppendMember(text, "title", groups[i].title);
      AppendMember(text, "accountType", groups[i].accountType);
      text.push_back('}');
    }
    text += groups.empty() ? "],\n\t\"contacts\": [" : "\n\t],\n\t\"contacts\": [";
    if (!sink.Write(text)) return false;
    for (size_t i = 0; i < contacts.size(); ++i) {
      text = i == 0 ? "\n\t\t" : ",\n\t\t";
      AppendContactJson(text, contacts[i], titles);
      if (!sink.Write(text)) return false;
    }
    return sink.Write(contacts.empty() ? "]\n}\n" : "\n\t]\n}\n");
  } catch (...) {
    return false;
  }
}

std::string WriteContactBackup(const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups) {
  return WriteToString([&](ByteSink& sink) { return WriteContactBackup(sink, contacts, groups); });
}

ContactReadResult ReadContactBackup(const std::string& bytes) { return ReadBackup(bytes); }

ContactReadResult ReadContactBackup(std::istream& in) { return ReadBackup(in); }
