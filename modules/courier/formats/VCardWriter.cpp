// vCard 3.0 export. Every field must come back through ReadVCards and through other address
// books: standard types go out as TYPE parameters, custom labels as itemN.X-ABLabel, groups as
// CATEGORIES.
#include <map>
#include <set>

#include "modules/courier/formats/ContactFormats.h"
#include "modules/courier/formats/FormatText.h"

using namespace formats;

namespace {

constexpr size_t kFoldOctets = 75;
constexpr int32_t kBirthday = 3;  // the phone's type code of a birthday

// Text values escape backslash, semicolon, comma and line ends; URI and number values only
// what would break the line or the unescaping.
std::string Escape(const std::wstring& text, bool textValue) {
  const std::string utf8 = WideToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + 8);
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
      out += "\\n";
    } else if ((c == ';' || c == ',') && textValue) {
      out.push_back('\\');
      out.push_back(c);
    } else if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      // Control characters have no place in a vCard; the reader drops them too.
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Appends one content line folded at 75 octets, never inside a UTF-8 sequence.
void AppendLine(std::string& out, const std::string& line) {
  size_t position = 0;
  size_t room = kFoldOctets;
  while (line.size() - position > room) {
    size_t cut = position + room;
    while (cut > position + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line, position, cut - position);
    out += "\r\n ";
    position = cut;
    room = kFoldOctets - 1;
  }
  out.append(line, position, std::string::npos);
  out += "\r\n";
}

// N from the one name the phone keeps: the last word is the family name. Readers that show
// "given family" then show the name as it was written; FN carries it exactly anyway.
std::string StructuredName(const std::wstring& name) {
  const size_t space = name.find_last_of(L' ');
  if (space == std::wstring::npos || space == 0 || space + 1 == name.size()) return Escape(name, true) + ";;;;";
  return Escape(name.substr(space + 1), true) + ";" + Escape(name.substr(0, space), true) + ";;;";
}

const char* PropertyName(DemoItemKind kind) {
  switch (kind) {
    case DemoItemKind::kPhone:
      return "TEL";
    case DemoItemKind::kEmail:
      return "EMAIL";
    case DemoItemKind::kPostalAddress:
      return "ADR";
    case DemoItemKind::kWebsite:
      return "URL";
    case DemoItemKind::kOrganization:
      return "ORG";
    case DemoItemKind::kNickname:
      return "NICKNAME";
    case DemoItemKind::kNote:
      return "NOTE";
    case DemoItemKind::kIm:
      return "IMPP";
    case DemoItemKind::kEvent:
      return "X-ABDATE";
    case DemoItemKind::kSipAddress:
      return "X-SIP";
    case DemoItemKind::kRelation:
      return "X-ABRELATEDNAMES";
    case DemoItemKind::kPhoto:
      return "PHOTO";
  }
  return "NOTE";
}

std::string ItemValue(const DemoContactItem& item) {
  switch (item.kind) {
    case DemoItemKind::kPostalAddress: {
      if (item.parts.size() == 7) {
        std::string parts;
        for (size_t i = 0; i < 7; ++i) parts += (i == 0 ? "" : ";") + Escape(item.parts[i], true);
        return parts;
      }
      // The whole address in the street component: it comes back as written.
      return ";;" + Escape(item.value, true) + ";;;;";
    }
    case DemoItemKind::kPhone:
    case DemoItemKind::kWebsite:
    case DemoItemKind::kIm:
    case DemoItemKind::kSipAddress:
    case DemoItemKind::kEvent:
      return Escape(item.value, false);
    default:
      return Escape(item.value, true);
  }
}

void AppendCard(std::string& out, const DemoContact& contact, const std::map<std::wstring, std::wstring>& titles) {
  AppendLine(out, "BEGIN:VCARD");
  AppendLine(out, "VERSION:3.0");
  AppendLine(out, "FN:" + Escape(contact.name, true));
  if (contact.nameParts.size() == 5) {
    const std::vector<std::wstring>& n = contact.nameParts;
    AppendLine(out, "N:" + Escape(n[3], true) + ";" + Escape(n[1], true) + ";" + Escape(n[2], true) + ";" +
                        Escape(n[0], true) + ";" + Escape(n[4], true));
  } else {
    AppendLine(out, "N:" + StructuredName(contact.name));
  }
  static const char* const kPhonetic[] = {"X-PHONETIC-FIRST-NAME", "X-PHONETIC-MIDDLE-NAME", "X-PHONETIC-LAST-NAME"};
  for (size_t i = 0; i < contact.phoneticParts.size() && i < 3; ++i)
    if (!contact.phoneticParts[i].empty())
      AppendLine(out, std::string(kPhonetic[i]) + ":" + Escape(contact.phoneticParts[i], true));
  int itemGroup = 0;
  bool birthdayWritten = false;
  for (const DemoContactItem& item : contact.items) {
    const bool titleOnly = item.kind == DemoItemKind::kOrganization && !item.label.empty();
    if (item.value.empty() && !titleOnly) continue;
    const std::string value = ItemValue(item);
    if (item.kind == DemoItemKind::kPhoto) {
      // Base64 needs no escaping; the line folds like any other.
      AppendLine(out, "PHOTO;ENCODING=b" + (item.label.empty() ? std::string() : ";TYPE=" + Escape(item.label, false)) +
                          ":" + WideToUtf8(item.value));
      continue;
    }
    // Every reader knows BDAY; a card has one.
    if (item.kind == DemoItemKind::kEvent && item.typeCode == kBirthday && !birthdayWritten) {
      AppendLine(out, "BDAY:" + value);
      birthdayWritten = true;
      continue;
    }
    if (item.kind == DemoItemKind::kOrganization) {
      if (!item.value.empty()) AppendLine(out, "ORG:" + value);
      if (!item.label.empty()) AppendLine(out, "TITLE:" + Escape(item.label, true));
      continue;
    }
    if (ContactTypeLabels(item.kind).empty()) {
      AppendLine(out, std::string(PropertyName(item.kind)) + ":" + value);
      continue;
    }
    const std::vector<const char*> tokens = VCardTypeTokens(item.kind, item.typeCode);
    if (!tokens.empty()) {
      std::string line = std::string(PropertyName(item.kind)) + ";TYPE=";
      for (size_t i = 0; i < tokens.size(); ++i) line += (i == 0 ? "" : ",") + std::string(tokens[i]);
      AppendLine(out, line + ":" + value);
      continue;
    }
    // A label of the user's own, or a standard type no TYPE names (dates, relations): the
    // address-book form that other readers know as well, standard types in its wrapped form.
    const std::string group = "item" + std::to_string(++itemGroup);
    const std::wstring standard = item.typeCode != 0 ? StandardLabel(item.kind, item.typeCode) : std::wstring();
    AppendLine(out, group + "." + PropertyName(item.kind) + ":" + value);
    AppendLine(out, group + ".X-ABLabel:" +
                        (standard.empty() ? Escape(item.label, true) : "_$!<" + Escape(standard, true) + ">!$_"));
  }
  std::string categories;
  std::set<std::wstring> written;
  for (const std::wstring& identifier : contact.groups) {
    auto title = titles.find(identifier);
    if (title == titles.end() || title->second.empty() || !written.insert(title->second).second) continue;
    categories += (categories.empty() ? "" : ",") + Escape(title->second, true);
  }
  if (!categories.empty()) AppendLine(out, "CATEGORIES:" + categories);
  AppendLine(out, "END:VCARD");
}

}  // namespace

bool WriteVCards(ByteSink& sink, const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups) {
  try {
    std::map<std::wstring, std::wstring> titles;
    for (const DemoGroup& group : groups) titles.emplace(group.identifier, group.title);
    std::string card;
    for (const DemoContact& contact : contacts) {
      card.clear();
      AppendCard(card, contact, titles);
      if (!sink.Write(card)) return false;
    }
    return true;
  } catch (...) {
    // Out of memory: the caller throws away what was written and reports a failed export.
    return false;
  }
}

std::string WriteVCards(const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups) {
  return WriteToString([&](ByteSink& sink) { return WriteVCards(sink, contacts, groups); });
}
