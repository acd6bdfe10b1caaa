#include "modules/courier/adb/PhoneShellOutput.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "modules/courier/formats/FormatText.h"

namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

template <typename Each>
void ForEachLine(std::string_view text, Each each) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    each(text.substr(start, end - start));
    start = end + 1;
  }
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// "Row: 12 " at the start of a line: the length of that prefix, else 0.
size_t RowPrefixLength(std::string_view line) {
  constexpr std::string_view kRow = "Row: ";
  if (line.substr(0, kRow.size()) != kRow) return 0;
  size_t i = kRow.size();
  const size_t digits = i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  if (i == digits || i >= line.size() || line[i] != ' ') return 0;
  return i + 1;
}

std::wstring Wide(const std::string& utf8) { return formats::Utf8ToWideLenient(utf8); }

const std::string* Value(const ContentRow& row, const char* column) {
  auto found = row.find(column);
  return found == row.end() ? nullptr : &found->second;
}

std::wstring WideValue(const ContentRow& row, const char* column) {
  const std::string* value = Value(row, column);
  return value == nullptr ? std::wstring() : Wide(*value);
}

// The type code of an item row and its label: the user's own label for code 0, else the
// phone's name of the code.
void ReadType(const ContentRow& row, DemoItemKind kind, DemoContactItem& item) {
  int64_t code = 0;
  const std::string* type = Value(row, "data2");
  if (type == nullptr || !ParseShellNumber(*type, code) || code > 1000) code = 0;
  item.typeCode = static_cast<int32_t>(code);
  if (code == 0) {
    item.label = WideValue(row, "data3");
    return;
  }
  for (const DemoTypeLabel& label : ContactTypeLabels(kind)) {
    if (label.code == code) {
      item.label = label.label;
      return;
    }
  }
  item.label = WideValue(row, "data3");
}

struct MimeKind {
  const char* mimetype;
  DemoItemKind kind;
};
constexpr MimeKind kMimeKinds[] = {
    {"vnd.android.cursor.item/phone_v2", DemoItemKind::kPhone},
    {"vnd.android.cursor.item/email_v2", DemoItemKind::kEmail},
    {"vnd.android.cursor.item/postal-address_v2", DemoItemKind::kPostalAddress},
    {"vnd.android.cursor.item/website", DemoItemKind::kWebsite},
    {"vnd.android.cursor.item/organization", DemoItemKind::kOrganization},
    {"vnd.android.cursor.item/nickname", DemoItemKind::kNickname},
    {"vnd.android.cursor.item/note", DemoItemKind::kNote},
    {"vnd.android.cursor.item/im", DemoItemKind::kIm},
    {"vnd.android.cursor.item/contact_event", DemoItemKind::kEvent},
    {"vnd.android.cursor.item/sip_address", DemoItemKind::kSipAddress},
    {"vnd.android.cursor.item/relation", DemoItemKind::kRelation},
};

}  // namespace

bool ParseShellNumber(std::string_view text, int64_t& value) {
  text = Trim(text);
  if (text.empty() || text.size() > 18) return false;
  int64_t result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  value = result;
  return true;
}

std::map<std::string, std::string> ParseGetprop(std::string_view text) {
  std::map<std::string, std::string> properties;
  ForEachLine(text, [&](std::string_view line) {
    line = Trim(line);
    if (line.size() < 6 || line.front() != '[' || line.back() != ']') return;
    const size_t close = line.find("]: [");
    if (close == std::string_view::npos) return;
    properties[std::string(line.substr(1, close - 1))] = std::string(line.substr(close + 4, line.size() - close - 5));
  });
  return properties;
}

BatteryState ParseDumpsysBattery(std::string_view text) {
  BatteryState state;
  int64_t level = -1;
  int64_t scale = 100;
  ForEachLine(text, [&](std::string_view line) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    const std::string_view key = Trim(line.substr(0, colon));
    const std::string_view value = Trim(line.substr(colon + 1));
    int64_t number = 0;
    if (key == "level" && ParseShellNumber(value, number)) level = number;
    if (key == "scale" && ParseShellNumber(value, number) && number > 0) scale = number;
    // 2 = charging, 5 = full (still on power).
    if (key == "status" && ParseShellNumber(value, number) && (number == 2 || number == 5)) state.charging = true;
    if ((key == "AC powered" || key == "USB powered" || key == "Wireless powered") && value == "true")
      state.charging = true;
  });
  if (level >= 0 && level <= scale) state.percent = static_cast<int32_t>(level * 100 / scale);
  return state;
}

std::vector<DfEntry> ParseDfKilobytes(std::string_view text) {
  std::vector<DfEntry> entries;
  std::vector<std::string_view> pending;  // a long device name prints alone on its line
  ForEachLine(text, [&](std::string_view line) {
    std::vector<std::string_view> words = Words(line);
    if (words.size() == 1) {
      pending = words;
      return;
    }
    if (!pending.empty() && words.size() == 5) words.insert(words.begin(), pending[0]);
    pending.clear();
    if (words.size() < 6) return;
    int64_t total = 0;
    int64_t used = 0;
    int64_t available = 0;
    if (!ParseShellNumber(words[1], total) || !ParseShellNumber(words[2], used) ||
        !ParseShellNumber(words[3], available))
      return;
    DfEntry entry;
    entry.mountedOn.assign(words[5]);
    entry.totalBytes = total * 1024;
    entry.freeBytes = available * 1024;
    entries.push_back(entry);
  });
  return entries;
}

const std::vector<std::string> kContactDataColumns = {
    "raw_contact_id", "account_name", "account_type", "mimetype", "data1", "data2", "data3",
    "data4",          "data5",        "data6",        "data7",    "data8", "data9", "data10"};

std::string ContactDataProjection() {
  std::string projection;
  for (const std::string& column : kContactDataColumns) {
    if (!projection.empty()) projection += ':';
    projection += column;
  }
  return projection;
}

std::vector<ContentRow> ParseContentRows(std::string_view text, const std::vector<std::string>& columns) {
  std::vector<ContentRow> rows;
  ContentRowStream stream(columns, [&rows](ContentRow& row) {
    rows.push_back(std::move(row));
    return true;
  });
  stream.Feed(text);
  stream.Finish();
  return rows;
}

ContentRowStream::ContentRowStream(const std::vector<std::string>& columns, RowSink onRow)
    : m_columns(columns), m_onRow(std::move(onRow)) {
  for (size_t c = 1; c < m_columns.size(); ++c) m_separators.push_back(", " + m_columns[c] + "=");
}

bool ContentRowStream::Feed(std::string_view piece) {
  while (!piece.empty() && !m_stopped) {
    const size_t end = piece.find('\n');
    if (end == std::string_view::npos) {
      m_line.append(piece);
      break;
    }
    if (m_line.empty()) {
      Line(piece.substr(0, end));
    } else {
      m_line.append(piece.substr(0, end));
      Line(m_line);
      m_line.clear();
    }
    piece.remove_prefix(end + 1);
  }
  return !m_stopped;
}

bool ContentRowStream::Finish() {
  if (!m_line.empty() && !m_stopped) Line(m_line);
  m_line.clear();
  if (!m_stopped) EndRow();
  return !m_stopped;
}

void ContentRowStream::Line(std::string_view line) {
  const size_t prefix = RowPrefixLength(line);
  if (prefix > 0) {
    EndRow();
    if (m_stopped) return;
    ++m_rowLines;
    m_inRow = true;
    m_body.assign(line.substr(prefix));
  } else if (m_inRow) {
    // A value with line breaks runs on until the next "Row: " line.
    m_body += '\n';
    m_body.append(line);
  } else if (m_rowLines == 0 && m_complaint.empty()) {
    const std::string_view text = Trim(line);
    if (!text.empty() && text != "No result found.") m_complaint.assign(text);
  }
}

void ContentRowStream::EndRow() {
  if (!m_inRow) return;
  m_inRow = false;
  std::string& body = m_body;
  while (!body.empty() && body.back() == '\r') body.pop_back();
  ContentRow row;
  size_t position = 0;
  for (size_t c = 0; c < m_columns.size(); ++c) {
    const std::string& name = m_columns[c];
    if (body.compare(position, name.size(), name) != 0 || body.compare(position + name.size(), 1, "=") != 0) return;
    const size_t start = position + name.size() + 1;
    size_t end = body.size();
    if (c + 1 < m_columns.size()) {
      // The value ends where the next column's ", name=" begins.
      end = body.find(m_separators[c], start);
      if (end == std::string::npos) return;
      position = end + 2;
    }
    if (body.compare(start, end - start, "NULL") != 0) row.emplace(name, body.substr(start, end - start));
  }
  ++m_rows;
  if (!m_onRow(row)) m_stopped = true;
}

namespace {

DemoContact StartContact(const ContentRow& row, const std::string& raw) {
  DemoContact contact;
  contact.identifier = Wide(raw);
  contact.accountName = WideValue(row, "account_name");
  contact.accountType = WideValue(row, "account_type");
  return contact;
}

// One data row into its contact; rows of kinds the service does not keep are skipped.
void ApplyDataRow(const ContentRow& row, const std::string* mimetype, DemoContact& contact) {
  if (*mimetype == kGroupMembershipMimetype) {
    const std::wstring group = WideValue(row, "data1");
    if (!group.empty() && std::find(contact.groups.begin(), contact.groups.end(), group) == contact.groups.end())
      contact.groups.push_back(group);
    return;
  }
  if (*mimetype == "vnd.android.cursor.item/name") {
    contact.name = WideValue(row, "data1");
    // prefix, given, middle, family, suffix; then the phonetic given, middle, family.
    contact.nameParts = {WideValue(row, "data4"), WideValue(row, "data2"), WideValue(row, "data5"),
                         WideValue(row, "data3"), WideValue(row, "data6")};
    bool anyPart = false;
    for (const std::wstring& part : contact.nameParts) anyPart = anyPart || !part.empty();
    if (!anyPart) contact.nameParts.clear();
    contact.phoneticParts = {WideValue(row, "data7"), WideValue(row, "data8"), WideValue(row, "data9")};
    if (contact.phoneticParts[0].empty() && contact.phoneticParts[1].empty() && contact.phoneticParts[2].empty())
      contact.phoneticParts.clear();
    return;
  }
  const MimeKind* kind = nullptr;
  for (const MimeKind& candidate : kMimeKinds) {
    if (*mimetype == candidate.mimetype) kind = &candidate;
  }
  if (kind == nullptr) return;
  DemoContactItem item;
  item.kind = kind->kind;
  item.value = WideValue(row, "data1");
  if (item.value.empty()) return;
  switch (item.kind) {
    case DemoItemKind::kOrganization:
      item.label = WideValue(row, "data4");  // the job title
      break;
    case DemoItemKind::kNote:
      break;
    case DemoItemKind::kPostalAddress: {
      ReadType(row, item.kind, item);
      // post office box, neighbourhood, street, city, region, postcode, country
      item.parts = {WideValue(row, "data5"), WideValue(row, "data6"), WideValue(row, "data4"), WideValue(row, "data7"),
                    WideValue(row, "data8"), WideValue(row, "data9"), WideValue(row, "data10")};
      bool anyPart = false;
      for (const std::wstring& part : item.parts) anyPart = anyPart || !part.empty();
      if (!anyPart) item.parts.clear();
      break;
    }
    default:
      ReadType(row, item.kind, item);
      break;
  }
  contact.items.push_back(std::move(item));
}

// Numbers first, then e-mails, then the rest, each in the phone's order: the phone keeps its
// rows in the order they were written, so an edited number would otherwise move to the end.
void OrderItems(DemoContact& contact) {
  auto rank = [](const DemoContactItem& item) {
    return item.kind == DemoItemKind::kPhone ? 0 : item.kind == DemoItemKind::kEmail ? 1 : 2;
  };
  std::stable_sort(contact.items.begin(), contact.items.end(),
                   [&rank](const DemoContactItem& a, const DemoContactItem& b) { return rank(a) < rank(b); });
}

}  // namespace

std::vector<DemoContact> ContactsFromDataRows(const std::vector<ContentRow>& rows) {
  std::vector<DemoContact> contacts;
  std::unordered_map<std::string, size_t> byRawContact;
  for (const ContentRow& row : rows) {
    const std::string* raw = Value(row, "raw_contact_id");
    const std::string* mimetype = Value(row, "mimetype");
    if (raw == nullptr || raw->empty() || mimetype == nullptr) continue;
    auto found = byRawContact.find(*raw);
    if (found == byRawContact.end()) {
      found = byRawContact.emplace(*raw, contacts.size()).first;
      contacts.push_back(StartContact(row, *raw));
    }
    ApplyDataRow(row, mimetype, contacts[found->second]);
  }
  for (DemoContact& contact : contacts) OrderItems(contact);
  return contacts;
}

const std::vector<std::string> kContactGroupColumns = {"_id", "account_type", "title"};

std::string QueryContactGroupsCommand() {
  return "content query --uri content://com.android.contacts/groups --projection _id:account_type:title "
         "--where 'deleted=0' --sort _id";
}

std::vector<DemoGroup> GroupsFromRows(const std::vector<ContentRow>& rows) {
  std::vector<DemoGroup> groups;
  for (const ContentRow& row : rows) {
    DemoGroup group;
    group.identifier = WideValue(row, "_id");
    group.title = WideValue(row, "title");
    group.accountType = WideValue(row, "account_type");
    if (!group.identifier.empty() && !group.title.empty()) groups.push_back(std::move(group));
  }
  return groups;
}

void ContactRowAssembler::Add(const ContentRow& row, std::vector<DemoContact>& completed) {
  const std::string* raw = Value(row, "raw_contact_id");
  const std::string* mimetype = Value(row, "mimetype");
  if (raw == nullptr || raw->empty() || mimetype == nullptr) return;
  if (*raw != m_raw) {
    Finish(completed);
    m_raw = *raw;
    m_contact = StartContact(row, *raw);
  }
  ApplyDataRow(row, mimetype, m_contact);
}

void ContactRowAssembler::Finish(std::vector<DemoContact>& completed) {
  if (m_raw.empty()) return;
  OrderItems(m_contact);
  completed.push_back(std::move(m_contact));
  m_contact = DemoContact();
  m_raw.clear();
}
