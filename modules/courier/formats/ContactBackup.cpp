// The product's own contact backup: JSON that keeps every field, identifiers included. Reading
// is strict about the file (marker, version) and forgiving about single contacts, which are
// skipped and counted.
#include <limits>
#include <map>

#include <nlohmann/json.hpp>

#include "modules/courier/formats/ContactFormats.h"
#include "modules/courier/formats/FormatText.h"

using nlohmann::json;
// Written in member order, so that the marker and version open the file.
using nlohmann::ordered_json;
using namespace formats;

namespace {

constexpr char kFormatMarker[] = "zorvane-steward-contacts";

std::string Utf8(const std::wstring& text) { return WideToUtf8(text); }

ordered_json ContactToJson(const DemoContact& contact, const std::map<std::wstring, std::wstring>& titles) {
  ordered_json groupTitles = ordered_json::array();
  ordered_json groupIds = ordered_json::array();
  for (const std::wstring& identifier : contact.groups) {
    auto title = titles.find(identifier);
    groupIds.push_back(Utf8(identifier));
    groupTitles.push_back(title == titles.end() ? std::string() : Utf8(title->second));
  }
  ordered_json items = ordered_json::array();
  for (const DemoContactItem& item : contact.items) {
    items.push_back({{"kind", KindName(item.kind)},
                     {"typeCode", item.typeCode},
                     {"label", Utf8(item.label)},
                     {"value", Utf8(item.value)}});
  }
  return {{"id", Utf8(contact.identifier)},
          {"name", Utf8(contact.name)},
          {"accountName", Utf8(contact.accountName)},
          {"accountType", Utf8(contact.accountType)},
          {"groups", groupTitles},
          {"groupIds", groupIds},
          {"items", items}};
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

DemoContact ContactFromJson(const json& value) {
  if (!value.is_object()) throw EntryFault{"not an object"};
  DemoContact contact;
  contact.identifier = TextMember(value, "id", false);
  contact.name = TextMember(value, "name", true);
  contact.accountName = TextMember(value, "accountName", false);
  contact.accountType = TextMember(value, "accountType", false);
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
      contact.items.push_back(std::move(item));
    }
  }
  return contact;
}

void Fail(ContactReadResult& result, std::string problem) {
  ++result.failed;
  AddProblem(result.problems, result.failed, std::move(problem));
}

void ReadBackup(const std::string& bytes, ContactReadResult& result) {
  const json document = json::parse(bytes, nullptr, false);
  if (document.is_discarded()) {
    Fail(result, "not a contact backup: the file is not JSON or is cut short");
    return;
  }
  auto format = document.is_object() ? document.find("format") : document.end();
  if (!document.is_object() || format == document.end() || *format != kFormatMarker) {
    Fail(result, "not a contact backup of this program");
    return;
  }
  auto version = document.find("version");
  if (version == document.end() || !version->is_number_integer()) {
    Fail(result, "the backup has no valid version");
    return;
  }
  const bool newer = version->is_number_unsigned() ? version->get<uint64_t>() > kContactBackupVersion
                                                   : version->get<int64_t>() > kContactBackupVersion;
  if (newer) {
    Fail(result, "the backup was made by a newer version of the program (backup version " + version->dump() +
                     "); update the program to restore it");
    return;
  }
  if (version->get<int64_t>() < 1) {
    Fail(result, "the backup has no valid version");
    return;
  }
  auto contacts = document.find("contacts");
  if (contacts == document.end() || !contacts->is_array()) {
    Fail(result, "the backup holds no contact list");
    return;
  }
  auto groups = document.find("groups");
  if (groups != document.end() && groups->is_array()) {
    for (const json& entry : *groups) {
      if (!entry.is_object()) continue;
      try {
        DemoGroup group;
        group.identifier = TextMember(entry, "id", false);
        group.title = TextMember(entry, "title", true);
        group.accountType = TextMember(entry, "accountType", false);
        result.groups.push_back(std::move(group));
      } catch (const EntryFault&) {
        // A group the contacts cannot name is of no use; their titles still travel.
      }
    }
  }
  for (size_t i = 0; i < contacts->size(); ++i) {
    try {
      result.contacts.push_back(ContactFromJson((*contacts)[i]));
    } catch (const EntryFault& fault) {
      Fail(result, "contact " + std::to_string(i + 1) + ": " + fault.what);
    }
  }
}

}  // namespace

std::string WriteContactBackup(const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups) {
  try {
    std::map<std::wstring, std::wstring> titles;
    ordered_json groupList = ordered_json::array();
    for (const DemoGroup& group : groups) {
      titles.emplace(group.identifier, group.title);
      groupList.push_back(
          {{"id", Utf8(group.identifier)}, {"title", Utf8(group.title)}, {"accountType", Utf8(group.accountType)}});
    }
    ordered_json contactList = ordered_json::array();
    for (const DemoContact& contact : contacts) contactList.push_back(ContactToJson(contact, titles));
    const ordered_json document = {{"format", kFormatMarker},
                                   {"version", kContactBackupVersion},
                                   {"groups", groupList},
                                   {"contacts", contactList}};
    return document.dump(1, '\t', false, ordered_json::error_handler_t::replace) + "\n";
  } catch (...) {
    return std::string();
  }
}

ContactReadResult ReadContactBackup(const std::string& bytes) {
  ContactReadResult result;
  try {
    ReadBackup(bytes, result);
  } catch (...) {
    Fail(result, "the backup could not be read");
  }
  return result;
}
