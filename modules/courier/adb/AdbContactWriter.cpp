#include "modules/courier/adb/AdbContactWriter.h"

namespace {

constexpr char kDataUri[] = "content://com.android.contacts/data";
constexpr char kRawContactsUri[] = "content://com.android.contacts/raw_contacts";

std::string Utf8(const std::wstring& text) { return WideToUtf8(text); }

std::optional<std::string> Optional(const std::wstring& text) {
  if (text.empty()) return std::nullopt;
  return Utf8(text);
}

std::wstring Part(const std::vector<std::wstring>& parts, size_t index) {
  return index < parts.size() ? parts[index] : std::wstring();
}

const char* MimetypeOf(DemoItemKind kind) {
  switch (kind) {
    case DemoItemKind::kPhone:
      return "vnd.android.cursor.item/phone_v2";
    case DemoItemKind::kEmail:
      return "vnd.android.cursor.item/email_v2";
    case DemoItemKind::kPostalAddress:
      return "vnd.android.cursor.item/postal-address_v2";
    case DemoItemKind::kWebsite:
      return "vnd.android.cursor.item/website";
    case DemoItemKind::kOrganization:
      return "vnd.android.cursor.item/organization";
    case DemoItemKind::kNickname:
      return "vnd.android.cursor.item/nickname";
    case DemoItemKind::kNote:
      return "vnd.android.cursor.item/note";
    case DemoItemKind::kIm:
      return "vnd.android.cursor.item/im";
    case DemoItemKind::kEvent:
      return "vnd.android.cursor.item/contact_event";
    case DemoItemKind::kSipAddress:
      return "vnd.android.cursor.item/sip_address";
    case DemoItemKind::kRelation:
      return "vnd.android.cursor.item/relation";
    case DemoItemKind::kPhoto:
      return nullptr;  // the picture is a blob the shell cannot carry: the phone keeps its own
  }
  return nullptr;
}

constexpr const char* kNameMimetype = "vnd.android.cursor.item/name";

// The type code and, for the user's own type (0), its label.
void AddType(const DemoContactItem& item, PhoneDataRow& row) {
  row.columns.push_back({"data2", true, std::to_string(item.typeCode)});
  row.columns.push_back({"data3", false, item.typeCode == 0 ? Optional(item.label) : std::nullopt});
}

std::string Binding(const PhoneDataColumn& column) {
  if (!column.value) return column.name + ":n:";
  return ShellQuote(column.name + (column.integer ? ":i:" : ":s:") + *column.value);
}

bool Same(const ContentRow& held, const PhoneDataRow& wanted) {
  auto mimetype = held.find("mimetype");
  if (mimetype == held.end() || mimetype->second != wanted.mimetype) return false;
  for (const PhoneDataColumn& column : wanted.columns) {
    auto value = held.find(column.name);
    // The provider keeps an empty text as written; a missing one as NULL.
    const bool heldEmpty = value == held.end() || value->second.empty();
    const bool wantedEmpty = !column.value || column.value->empty();
    if (heldEmpty != wantedEmpty) return false;
    if (!heldEmpty && value->second != *column.value) return false;
  }
  return true;
}

}  // namespace

std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\0') continue;
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  quoted += '\'';
  return quoted;
}

std::vector<PhoneDataRow> DataRowsOfContact(const DemoContact& contact) {
  std::vector<PhoneDataRow> rows;
  if (!contact.name.empty() || !contact.nameParts.empty()) {
    PhoneDataRow name{kNameMimetype, {}};
    const std::vector<std::wstring>& parts = contact.nameParts;  // prefix, given, middle, family, suffix
    const std::vector<std::wstring>& phonetic = contact.phoneticParts;
    name.columns = {{"data1", false, Optional(contact.name)},      {"data2", false, Optional(Part(parts, 1))},
                    {"data3", false, Optional(Part(parts, 3))},    {"data4", false, Optional(Part(parts, 0))},
                    {"data5", false, Optional(Part(parts, 2))},    {"data6", false, Optional(Part(parts, 4))},
                    {"data7", false, Optional(Part(phonetic, 0))}, {"data8", false, Optional(Part(phonetic, 1))},
                    {"data9", false, Optional(Part(phonetic, 2))}};
    rows.push_back(std::move(name));
  }
  for (const DemoContactItem& item : contact.items) {
    const char* mimetype = MimetypeOf(item.kind);
    if (mimetype == nullptr || item.value.empty()) continue;
    PhoneDataRow row{mimetype, {{"data1", false, Utf8(item.value)}}};
    switch (item.kind) {
      case DemoItemKind::kOrganization:
        row.columns.push_back({"data4", false, Optional(item.label)});  // the job title
        break;
      case DemoItemKind::kNote:
        break;
      case DemoItemKind::kPostalAddress: {
        AddType(item, row);
        // post office box, neighbourhood, street, city, region, postcode, country
        const char* columns[] = {"data5", "data6", "data4", "data7", "data8", "data9", "data10"};
        for (size_t i = 0; i < 7; ++i) row.columns.push_back({columns[i], false, Optional(Part(item.parts, i))});
        break;
      }
      default:
        AddType(item, row);
        break;
    }
    rows.push_back(std::move(row));
  }
  // Only the phone's own groups, known by their row identifiers, can be joined.
  for (const std::wstring& group : contact.groups) {
    const std::string id = Utf8(group);
    if (IsRowIdentifier(id)) rows.push_back(PhoneDataRow{kGroupMembershipMimetype, {{"data1", true, id}}});
  }
  return rows;
}

bool IsWrittenMimetype(std::string_view mimetype) {
  if (mimetype == kNameMimetype || mimetype == kGroupMembershipMimetype) return true;
  for (DemoItemKind kind : kAllItemKinds) {
    const char* written = MimetypeOf(kind);
    if (written != nullptr && mimetype == written) return true;
  }
  return false;
}

bool IsRowIdentifier(std::string_view text) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

const std::vector<std::string>& ContactRowColumns() {
  static const std::vector<std::string> columns = [] {
    std::vector<std::string> all = {"_id"};
    all.insert(all.end(), kContactDataColumns.begin(), kContactDataColumns.end());
    return all;
  }();
  return columns;
}

std::string QueryContactRowsCommand(const std::string& rawId) {
  std::string projection;
  for (const std::string& column : ContactRowColumns()) projection += (projection.empty() ? "" : ":") + column;
  return std::string("content query --uri ") + kDataUri + " --projection " + projection +
         " --where 'raw_contact_id=" + rawId + "' --sort _id";
}

std::string InsertRawContactCommand(const std::wstring& accountName, const std::wstring& accountType) {
  // No account keeps the contact on the phone alone.
  const bool account = !accountName.empty() && !accountType.empty();
  return std::string("content insert --uri ") + kRawContactsUri + " --bind " +
         (account ? ShellQuote("account_name:s:" + Utf8(accountName)) : "account_name:n:") + " --bind " +
         (account ? ShellQuote("account_type:s:" + Utf8(accountType)) : "account_type:n:");
}

std::string QueryNewestRawContactCommand() {
  return std::string("content query --uri ") + kRawContactsUri + " --projection _id --sort '_id DESC'";
}

std::string InsertDataCommand(const std::string& rawId, const PhoneDataRow& row) {
  std::string command = std::string("content insert --uri ") + kDataUri + " --bind raw_contact_id:i:" + rawId +
                        " --bind " + ShellQuote("mimetype:s:" + row.mimetype);
  for (const PhoneDataColumn& column : row.columns) {
    if (column.value) command += " --bind " + Binding(column);
  }
  return command;
}

std::string DeleteDataRowsCommand(const std::vector<std::string>& rowIds) {
  std::string list;
  for (const std::string& id : rowIds) list += (list.empty() ? "" : ",") + id;
  return std::string("content delete --uri ") + kDataUri + " --where '_id IN (" + list + ")'";
}

std::string DeleteRawContactCommand(const std::string& rawId) {
  return std::string("content delete --uri ") + kRawContactsUri + " --where '_id=" + rawId + "'";
}

ContactWritePlan PlanContactWrite(const std::vector<ContentRow>& held, const DemoContact& wanted) {
  ContactWritePlan plan;
  std::vector<bool> kept(held.size(), false);
  for (PhoneDataRow& row : DataRowsOfContact(wanted)) {
    bool found = false;
    for (size_t i = 0; i < held.size() && !found; ++i) {
      if (!kept[i] && Same(held[i], row)) kept[i] = found = true;
    }
    if (!found) plan.inserts.push_back(std::move(row));
  }
  for (size_t i = 0; i < held.size(); ++i) {
    if (kept[i]) continue;
    auto mimetype = held[i].find("mimetype");
    auto id = held[i].find("_id");
    if (mimetype == held[i].end() || !IsWrittenMimetype(mimetype->second)) continue;
    if (id != held[i].end() && IsRowIdentifier(id->second)) plan.deletes.push_back(id->second);
  }
  return plan;
}
