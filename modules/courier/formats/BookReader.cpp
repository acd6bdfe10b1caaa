#include "modules/courier/formats/BookReader.h"

#include <algorithm>
#include <fstream>
#include <utility>
#include <vector>

#include "cornerstone/core/TextCodec.h"
#include "modules/courier/formats/ZipReader.h"

namespace {

const size_t kMaxContainerBytes = 64u << 10;
const size_t kMaxPackageBytes = 4u << 20;
// Longer metadata is cut: a title is one line of a list.
const size_t kMaxTextBytes = 4096;
const char kDamagedBook[] = "the book is damaged";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void AppendUtf8(std::string& out, uint32_t code) {
  if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The five named entities and character references; anything else stays as written.
std::string DecodeEntities(const std::string& raw) {
  std::string out;
  size_t i = 0;
  while (i < raw.size()) {
    const size_t semicolon = raw[i] == '&' ? raw.find(';', i) : std::string::npos;
    if (semicolon == std::string::npos || semicolon - i > 12) {
      out += raw[i++];
      continue;
    }
    const std::string name = raw.substr(i + 1, semicolon - i - 1);
    static const std::pair<const char*, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    bool done = false;
    for (const auto& named : kNamed) {
      if (name == named.first) {
        out += named.second;
        done = true;
      }
    }
    if (!done && name.size() >= 2 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      const std::string digits = name.substr(hex ? 2 : 1);
      uint32_t code = 0;
      bool valid = !digits.empty();
      for (char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0 || code > 0x10FFFF) {
          valid = false;
          break;
        }
        code = code * (hex ? 16 : 10) + static_cast<uint32_t>(digit);
      }
      if (valid) {
        AppendUtf8(out, code);
        done = true;
      }
    }
    if (done) {
      i = semicolon + 1;
    } else {
      out += raw[i++];
    }
  }
  return out;
}

std::string LocalName(const std::string& name) {
  const size_t colon = name.rfind(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

struct XmlToken {
  enum Kind { kStart, kEnd, kText, kDone, kError } kind = kDone;
  std::string name;
  bool selfClosing = false;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string text;
};

// A forward-only scanner over a whole document; stops at the first thing it cannot read.
class XmlScanner {
 public:
  explicit XmlScanner(const std::string& xml) : m_xml(xml) {}

  XmlToken::Kind Next(XmlToken& token) {
    token = XmlToken();
    while (true) {
      if (m_at >= m_xml.size()) return token.kind = XmlToken::kDone;
      if (m_xml[m_at] != '<') {
        size_t end = m_xml.find('<', m_at);
        if (end == std::string::npos) end = m_xml.size();
        token.text = DecodeEntities(m_xml.substr(m_at, end - m_at));
        m_at = end;
        return token.kind = XmlToken::kText;
      }
      if (Skip("<!--", "-->") || Skip("<?", "?>")) continue;
      if (m_xml.compare(m_at, 9, "<![CDATA[") == 0) {
        const size_t end = m_xml.find("]]>", m_at + 9);
        if (end == std::string::npos) return token.kind = XmlToken::kError;
        token.text = m_xml.substr(m_at + 9, end - m_at - 9);
        m_at = end + 3;
        return token.kind = XmlToken::kText;
      }
      if (m_xml.compare(m_at, 2, "<!") == 0) {
        // A document type, perhaps with an internal subset in brackets.
        int depth = 0;
        size_t i = m_at + 2;
        for (; i < m_xml.size(); ++i) {
          if (m_xml[i] == '[') ++depth;
          if (m_xml[i] == ']') --depth;
          if (m_xml[i] == '>' && depth <= 0) break;
        }
        if (i >= m_xml.size()) return token.kind = XmlToken::kError;
        m_at = i + 1;
        continue;
      }
      return Tag(token);
    }
  }

 private:
  bool Skip(const char* open, const char* close) {
    const size_t openLength = std::char_traits<char>::length(open);
    if (m_xml.compare(m_at, openLength, open) != 0) return false;
    const size_t end = m_xml.find(close, m_at + openLength);
    m_at = end == std::string::npos ? m_xml.size() : end + std::char_traits<char>::length(close);
    return true;
  }

  std::string Name() {
    const size_t start = m_at;
    while (m_at < m_xml.size() && !IsSpace(m_xml[m_at]) && m_xml[m_at] != '/' && m_xml[m_at] != '>' &&
           m_xml[m_at] != '=')
      ++m_at;
    return m_xml.substr(start, m_at - start);
  }

  void SkipSpace() {
    while (m_at < m_xml.size() && IsSpace(m_xml[m_at])) ++m_at;
  }

  XmlToken::Kind Tag(XmlToken& token) {
    ++m_at;
    const bool closing = m_at < m_xml.size() && m_xml[m_at] == '/';
    if (closing) ++m_at;
    token.name = Name();
    if (token.name.empty()) return token.kind = XmlToken::kError;
    while (true) {
      SkipSpace();
      if (m_at >= m_xml.size()) return token.kind = XmlToken::kError;
      if (m_xml[m_at] == '>') {
        ++m_at;
        return token.kind = closing ? XmlToken::kEnd : XmlToken::kStart;
      }
      if (m_xml.compare(m_at, 2, "/>") == 0 && !closing) {
        m_at += 2;
        token.selfClosing = true;
        return token.kind = XmlToken::kStart;
      }
      std::string name = Name();
      SkipSpace();
      if (name.empty() || closing || m_at >= m_xml.size() || m_xml[m_at] != '=') return token.kind = XmlToken::kError;
      ++m_at;
      SkipSpace();
      if (m_at >= m_xml.size() || (m_xml[m_at] != '"' && m_xml[m_at] != '\'')) return token.kind = XmlToken::kError;
      const size_t end = m_xml.find(m_xml[m_at], m_at + 1);
      if (end == std::string::npos) return token.kind = XmlToken::kError;
      token.attributes.emplace_back(std::move(name), DecodeEntities(m_xml.substr(m_at + 1, end - m_at - 1)));
      m_at = end + 1;
    }
  }

  const std::string& m_xml;
  size_t m_at = 0;
};

// Valid UTF-8 on one line, at most kMaxTextBytes long.
std::string CleanText(const std::string& raw) {
  std::string collapsed;
  bool space = false;
  for (char c : raw) {
    if (IsSpace(c) || static_cast<unsigned char>(c) < 0x20) {
      space = !collapsed.empty();
      continue;
    }
    if (space) collapsed += ' ';
    space = false;
    collapsed += c;
    if (collapsed.size() >= kMaxTextBytes) break;
  }
  return cornerstone::Utf16ToUtf8(cornerstone::Utf8ToUtf16(collapsed));
}

bool ReadWhole(const std::filesystem::path& path, size_t count, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  out.assign(count, '\0');
  in.read(&out[0], static_cast<std::streamsize>(count));
  out.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return in.good() || in.eof();
}

// A path's text as UTF-8 without throwing on names the system's own encoding cannot carry.
std::string PathUtf8(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::wstring& wide = path.native();
  return cornerstone::Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
#else
  return path.native();
#endif
}

std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

bool FindXmlText(const std::string& xml, const std::string& withinLocalName, const std::string& localName,
                 std::string& text) {
  text.clear();
  XmlScanner scanner(xml);
  XmlToken token;
  bool within = withinLocalName.empty();
  while (scanner.Next(token) != XmlToken::kDone) {
    if (token.kind == XmlToken::kError) return false;
    const std::string local = token.kind == XmlToken::kText ? std::string() : LocalName(token.name);
    if (token.kind == XmlToken::kStart && !token.selfClosing && !withinLocalName.empty() && local == withinLocalName)
      within = true;
    if (token.kind == XmlToken::kEnd && !withinLocalName.empty() && local == withinLocalName) within = false;
    if (!within || token.kind != XmlToken::kStart || local != localName) continue;
    if (token.selfClosing) return true;
    const std::string name = token.name;
    std::string raw;
    int depth = 1;
    while (depth > 0) {
      const XmlToken::Kind kind = scanner.Next(token);
      if (kind == XmlToken::kError || kind == XmlToken::kDone) return false;
      if (kind == XmlToken::kText && raw.size() < kMaxTextBytes) raw += token.text;
      if (kind == XmlToken::kStart && !token.selfClosing && token.name == name) ++depth;
      if (kind == XmlToken::kEnd && token.name == name) --depth;
    }
    text = CleanText(raw);
    return true;
  }
  return false;
}

bool FindXmlAttribute(const std::string& xml, const std::string& localName, const std::string& attribute,
                      std::string& value) {
  value.clear();
  XmlScanner scanner(xml);
  XmlToken token;
  while (scanner.Next(token) != XmlToken::kDone) {
    if (token.kind == XmlToken::kError) return false;
    if (token.kind != XmlToken::kStart || LocalName(token.name) != localName) continue;
    for (const auto& pair : token.attributes) {
      if (pair.first == attribute) {
        value = pair.second;
        return true;
      }
    }
  }
  return false;
}

const char* BookFormatText(BookFormat format) {
  switch (format) {
    case BookFormat::kEpub:
      return "EPUB";
    case BookFormat::kPdf:
      return "PDF";
    case BookFormat::kText:
      return "TXT";
    case BookFormat::kMobi:
      return "MOBI";
    case BookFormat::kUnknown:
      break;
  }
  return "";
}

BookFormat BookFormatOfName(const std::filesystem::path& path) {
  const std::string extension = LowerAscii(PathUtf8(path.extension()));
  if (extension == ".epub") return BookFormat::kEpub;
  if (extension == ".pdf") return BookFormat::kPdf;
  if (extension == ".txt") return BookFormat::kText;
  if (extension == ".mobi" || extension == ".azw" || extension == ".azw3") return BookFormat::kMobi;
  return BookFormat::kUnknown;
}

bool ReadEpub(ZipReader& zip, BookInfo& info, std::string& problem) {
  std::string mimetype, ignored;
  const ZipEntryInfo* mimeEntry = zip.Find("mimetype");
  const ZipEntryInfo* containerEntry = zip.Find("META-INF/container.xml");
  if (containerEntry == nullptr || (mimeEntry != nullptr && zip.Read(*mimeEntry, 256, mimetype, ignored) &&
                                    mimetype.compare(0, 20, "application/epub+zip") != 0)) {
    problem = "the file is no EPUB book";
    return false;
  }
  std::string container, packagePath, package;
  if (!zip.Read(*containerEntry, kMaxContainerBytes, container, problem)) return false;
  if (!FindXmlAttribute(container, "rootfile", "full-path", packagePath) || packagePath.empty()) {
    problem = kDamagedBook;
    return false;
  }
  const ZipEntryInfo* packageEntry = zip.Find(packagePath);
  if (packageEntry == nullptr) {
    problem = kDamagedBook;
    return false;
  }
  if (!zip.Read(*packageEntry, kMaxPackageBytes, package, problem)) return false;
  FindXmlText(package, "metadata", "title", info.title);
  FindXmlText(package, "metadata", "creator", info.author);
  return true;
}

bool ReadBookFile(const std::filesystem::path& path, BookInfo& info, std::string& problem) {
  info = BookInfo();
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error || !std::filesystem::is_regular_file(path, error)) {
    problem = "the file cannot be read";
    return false;
  }
  if (size == 0) {
    problem = "the file is empty";
    return false;
  }
  info.sizeBytes = static_cast<int64_t>(size);
  info.format = BookFormatOfName(path);
  std::string head;
  ReadWhole(path, 68, head);
  switch (info.format) {
    case BookFormat::kUnknown:
      problem = "the file is not a book (EPUB, PDF, TXT or MOBI)";
      return false;
    case BookFormat::kPdf:
      if (head.compare(0, 5, "%PDF-") != 0) {
        problem = "the file is named .pdf but is no PDF document";
        return false;
      }
      break;
    case BookFormat::kMobi:
      if (head.size() < 68 || (head.compare(60, 8, "BOOKMOBI") != 0 && head.compare(60, 8, "TEXtREAd") != 0)) {
        problem = "the file is named as a MOBI book but is none";
        return false;
      }
      break;
    case BookFormat::kText:
      break;
    case BookFormat::kEpub: {
      ZipReader zip;
      if (!zip.OpenFile(path, problem) || !ReadEpub(zip, info, problem)) return false;
      break;
    }
  }
  if (info.title.empty()) {
    info.title = CleanText(PathUtf8(path.stem()));
  }
  return true;
}
