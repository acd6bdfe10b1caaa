// The contacts as one page a person reads or prints in any browser: no scripts, no outside
// files, every text escaped.
#include <cwctype>
#include <map>

#include "modules/courier/formats/ContactFormats.h"
#include "modules/courier/formats/FormatText.h"

using namespace formats;

namespace {

const char kStyle[] = R"(
body { margin: 0; background: #f3f4f6; color: #1f2933; font: 15px/1.45 "Segoe UI", Arial, sans-serif; }
header { background: #1e9e63; color: #fff; padding: 20px 32px; }
header h1 { margin: 0; font-size: 24px; font-weight: 600; }
header p { margin: 4px 0 0; opacity: .85; }
main { display: grid; grid-template-columns: repeat(auto-fill, minmax(320px, 1fr)); gap: 0 16px; padding: 24px 32px; }
.card { background: #fff; border-radius: 8px; box-shadow: 0 1px 3px rgba(0,0,0,.12); padding: 16px 20px;
        margin-bottom: 16px; break-inside: avoid; }
.card .photo { float: right; width: 64px; height: 64px; object-fit: cover; border-radius: 50%; margin: 0 0 8px 12px; }
.card h2 { margin: 0 0 4px; font-size: 18px; font-weight: 600; overflow-wrap: anywhere; }
.groups { margin: 0 0 8px; }
.groups span { display: inline-block; background: #e6f5ee; color: #17794c; border-radius: 10px;
               padding: 0 8px; margin: 2px 4px 2px 0; font-size: 12px; }
.card h3 { margin: 12px 0 4px; font-size: 12px; text-transform: uppercase; letter-spacing: .05em; color: #6b7785; }
table { border-collapse: collapse; width: 100%; }
th { text-align: left; vertical-align: top; font-weight: normal; color: #6b7785; width: 32%; padding: 2px 8px 2px 0; }
td { padding: 2px 0; overflow-wrap: anywhere; }
a { color: #17794c; text-decoration: none; }
.empty { color: #6b7785; font-style: italic; }
@media print { body { background: #fff; } header { color: #000; background: none; } main { display: block; }
               .card { box-shadow: none; border: 1px solid #ccc; margin-bottom: 12px; } }
)";

std::string Html(const std::wstring& text) {
  const std::string utf8 = WideToUtf8(text);
  std::string out;
  out.reserve(utf8.size() + 16);
  for (char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '\n':
        out += "<br>";
        break;
      case '\r':
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

struct KindSection {
  DemoItemKind kind;
  const char* heading;
};
const KindSection kSections[] = {
    {DemoItemKind::kPhone, "Phone numbers"},     {DemoItemKind::kEmail, "E-mail"},
    {DemoItemKind::kPostalAddress, "Addresses"}, {DemoItemKind::kWebsite, "Websites"},
    {DemoItemKind::kIm, "Instant messaging"},    {DemoItemKind::kOrganization, "Organization"},
    {DemoItemKind::kNickname, "Nickname"},       {DemoItemKind::kNote, "Notes"},
    {DemoItemKind::kEvent, "Dates"},             {DemoItemKind::kRelation, "Relations"},
    {DemoItemKind::kSipAddress, "Internet calls"},
};

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  for (size_t i = 0; prefix[i] != 0; ++i) {
    if (i >= text.size() || (text[i] | 0x20) != prefix[i]) return false;
  }
  return true;
}

// Only links that cannot run anything: web addresses, mail and numbers.
std::string ItemCell(const DemoContactItem& item) {
  std::wstring target;
  if (item.kind == DemoItemKind::kWebsite &&
      (StartsWith(item.value, L"http://") || StartsWith(item.value, L"https://")))
    target = item.value;
  if (item.kind == DemoItemKind::kEmail && item.value.find(L'\n') == std::wstring::npos)
    target = L"mailto:" + item.value;
  if (item.kind == DemoItemKind::kPhone && item.value.find(L'\n') == std::wstring::npos) target = L"tel:" + item.value;
  if (target.empty()) return Html(item.value);
  return "<a href=\"" + Html(target) + "\">" + Html(item.value) + "</a>";
}

// The picture as an inline image; only base64 text reaches the page.
std::string PhotoImage(const DemoContact& contact) {
  for (const DemoContactItem& item : contact.items) {
    if (item.kind != DemoItemKind::kPhoto || item.value.empty()) continue;
    for (wchar_t c : item.value)
      if (!std::iswalnum(c) && c != L'+' && c != L'/' && c != L'=') return std::string();
    const char* type = item.label == L"PNG" ? "png" : item.label == L"GIF" ? "gif" : "jpeg";
    return "<img class=\"photo\" alt=\"\" src=\"data:image/" + std::string(type) + ";base64," + WideToUtf8(item.value) +
           "\">";
  }
  return std::string();
}

void AppendContact(std::string& out, const DemoContact& contact, const std::map<std::wstring, std::wstring>& titles) {
  out += "<section class=\"card\">\n" + PhotoImage(contact) + "<h2>";
  out += contact.name.empty() ? "<span class=\"empty\">(no name)</span>" : Html(contact.name);
  out += "</h2>\n";
  std::string groupLine;
  for (const std::wstring& identifier : contact.groups) {
    auto title = titles.find(identifier);
    if (title != titles.end() && !title->second.empty()) groupLine += "<span>" + Html(title->second) + "</span>";
  }
  if (!groupLine.empty()) out += "<div class=\"groups\">" + groupLine + "</div>\n";
  for (const KindSection& section : kSections) {
    std::string rows;
    for (const DemoContactItem& item : contact.items) {
      const bool titleOnly = item.kind == DemoItemKind::kOrganization && !item.label.empty();
      if (item.kind != section.kind || (item.value.empty() && !titleOnly)) continue;
      // Kinds without types (organization, notes) use the whole width.
      rows += item.label.empty() ? "<tr><td colspan=\"2\">" + ItemCell(item) + "</td></tr>\n"
                                 : "<tr><th>" + Html(item.label) + "</th><td>" + ItemCell(item) + "</td></tr>\n";
    }
    if (rows.empty()) continue;
    out += "<h3>";
    out += section.heading;
    out += "</h3>\n<table>\n" + rows + "</table>\n";
  }
  out += "</section>\n";
}

}  // namespace

bool WriteContactsHtml(ByteSink& sink, const std::vector<DemoContact>& contacts,
                       const std::vector<DemoGroup>& groups, const std::wstring& phoneName) {
  try {
    std::map<std::wstring, std::wstring> titles;
    for (const DemoGroup& group : groups) titles.emplace(group.identifier, group.title);
    const std::string count = std::to_string(contacts.size()) + (contacts.size() == 1 ? " contact" : " contacts");
    const std::string phone = phoneName.empty() ? std::string("Phone") : Html(phoneName);
    std::string out =
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    out += "<title>Contacts of " + phone + " (" + count + ")</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    out += "<header><h1>Contacts of " + phone + "</h1><p>" + count + "</p></header>\n<main>\n";
    if (!sink.Write(out)) return false;
    for (const DemoContact& contact : contacts) {
      out.clear();
      AppendContact(out, contact, titles);
      if (!sink.Write(out)) return false;
    }
    out.clear();
    if (contacts.empty()) out += "<p class=\"empty\">No contacts.</p>\n";
    out += "</main>\n</body>\n</html>\n";
    return sink.Write(out);
  } catch (...) {
    return false;
  }
}

std::string WriteContactsHtml(const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups,
                              const std::wstring& phoneName) {
  return WriteToString([&](ByteSink& sink) { return WriteContactsHtml(sink, contacts, groups, phoneName); });
}
