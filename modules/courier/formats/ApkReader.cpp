#include "modules/courier/formats/ApkReader.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "cornerstone/core/TextCodec.h"
#include "modules/courier/formats/ZipReader.h"

namespace {

// Chunk types of Android's compiled resources.
const uint16_t kStringPool = 0x0001;
const uint16_t kTable = 0x0002;
const uint16_t kXml = 0x0003;
const uint16_t kXmlStartElement = 0x0102;
const uint16_t kXmlResourceMap = 0x0180;
const uint16_t kTablePackage = 0x0200;
const uint16_t kTableType = 0x0201;

// Value types of a Res_value.
const uint8_t kTypeReference = 0x01;
const uint8_t kTypeString = 0x03;
const uint8_t kTypeIntDec = 0x10;
const uint8_t kTypeIntHex = 0x11;

// The platform's ids of the manifest attributes read here; the names are the fallback.
const uint32_t kAttrLabel = 0x01010001;
const uint32_t kAttrIcon = 0x01010002;
const uint32_t kAttrVersionCode = 0x0101021b;
const uint32_t kAttrVersionName = 0x0101021c;

const size_t kMaxManifestBytes = 4u << 20;
const size_t kMaxTableBytes = 32u << 20;
const size_t kMaxIconBytes = 1u << 20;
const char kDamagedManifest[] = "the app's manifest is damaged";

// Little-endian reads that refuse to leave the buffer.
class Bytes {
 public:
  explicit Bytes(const std::string& bytes) : m_bytes(bytes) {}
  size_t Size() const { return m_bytes.size(); }
  bool Has(size_t at, size_t length) const { return at <= m_bytes.size() && length <= m_bytes.size() - at; }
  uint8_t U8(size_t at) const { return static_cast<uint8_t>(m_bytes[at]); }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(U8(at) | (U8(at + 1) << 8)); }
  uint32_t U32(size_t at) const { return uint32_t{U16(at)} | (uint32_t{U16(at + 2)} << 16); }
  const std::string& Raw() const { return m_bytes; }

 private:
  const std::string& m_bytes;
};

struct Chunk {
  uint16_t type = 0;
  size_t at = 0;
  size_t headerSize = 0;
  size_t size = 0;
};

// The chunk at `at`, which must end by `end`.
bool ReadChunk(const Bytes& b, size_t at, size_t end, Chunk& chunk) {
  if (at > end || end - at < 8 || !b.Has(at, 8)) return false;
  chunk.type = b.U16(at);
  chunk.at = at;
  chunk.headerSize = b.U16(at + 2);
  chunk.size = b.U32(at + 4);
  return chunk.headerSize >= 8 && chunk.size >= chunk.headerSize && chunk.size <= end - at;
}

class StringPool {
 public:
  bool Parse(const Bytes& b, const Chunk& chunk) {
    if (chunk.headerSize < 28) return false;
    const uint32_t count = b.U32(chunk.at + 8);
    const uint32_t flags = b.U32(chunk.at + 16);
    const uint32_t stringsStart = b.U32(chunk.at + 20);
    const size_t offsetsAt = chunk.at + chunk.headerSize;
    if (count > (chunk.size - chunk.headerSize) / 4 || stringsStart > chunk.size) return false;
    m_utf8 = (flags & (1u << 8)) != 0;
    m_offsets.resize(count);
    for (uint32_t i = 0; i < count; ++i) m_offsets[i] = b.U32(offsetsAt + 4 * i);
    m_stringsAt = chunk.at + stringsStart;
    m_end = chunk.at + chunk.size;
    m_bytes = &b;
    return true;
  }

  // The string as valid UTF-8. False for a bad index or a string that leaves the pool.
  bool Get(uint32_t index, std::string& out) const {
    out.clear();
    if (m_bytes == nullptr || index >= m_offsets.size() || m_offsets[index] >= m_end - m_stringsAt) return false;
    const Bytes& b = *m_bytes;
    size_t at = m_stringsAt + m_offsets[index];
    if (m_utf8) {
      size_t length = 0;
      // The UTF-16 length comes first and is not needed; then the byte length.
      for (int part = 0; part < 2; ++part) {
        if (at >= m_end) return false;
        length = b.U8(at++);
        if (length & 0x80) {
          if (at >= m_end) return false;
          length = ((length & 0x7F) << 8) | b.U8(at++);
        }
      }
      if (length > m_end - at) return false;
      // Round trip through UTF-16 turns malformed bytes into U+FFFD.
      out = cornerstone::Utf16ToUtf8(cornerstone::Utf8ToUtf16(b.Raw().data() + at, length));
      return true;
    }
    if (m_end - at < 2) return false;
    size_t length = b.U16(at);
    at += 2;
    if (length & 0x8000) {
      if (m_end - at < 2) return false;
      length = ((length & 0x7FFF) << 16) | b.U16(at);
      at += 2;
    }
    if (length > (m_end - at) / 2) return false;
    std::u16string text(length, u'\0');
    for (size_t i = 0; i < length; ++i) text[i] = static_cast<char16_t>(b.U16(at + 2 * i));
    out = cornerstone::Utf16ToUtf8(text);
    return true;
  }

 private:
  const Bytes* m_bytes = nullptr;
  bool m_utf8 = false;
  std::vector<uint32_t> m_offsets;
  size_t m_stringsAt = 0;
  size_t m_end = 0;
};

struct Attribute {
  std::string name;
  uint32_t resourceId = 0;
  uint32_t rawValue = 0xFFFFFFFF;
  uint8_t dataType = 0;
  uint32_t data = 0;
};

bool IsPackageName(const std::string& name) {
  if (name.empty() || name.size() > 255 || name.front() == '.' || name.back() == '.') return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    if (!ok) return false;
  }
  return name.find("..") == std::string::npos;
}

bool StringValue(const StringPool& pool, const Attribute& attribute, std::string& out) {
  if (attribute.dataType == kTypeString && pool.Get(attribute.data, out)) return true;
  return attribute.rawValue != 0xFFFFFFFF && pool.Get(attribute.rawValue, out);
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool ReadBinaryManifest(const std::string& bytes, ManifestInfo& info, std::string& problem) {
  info = ManifestInfo();
  const Bytes b(bytes);
  Chunk top;
  if (!ReadChunk(b, 0, b.Size(), top) || top.type != kXml) {
    problem = kDamagedManifest;
    return false;
  }
  StringPool pool;
  std::vector<uint32_t> resourceMap;
  bool sawManifest = false, sawApplication = false;
  const size_t end = top.at + top.size;
  Chunk chunk;
  for (size_t at = top.at + top.headerSize; at < end; at += chunk.size) {
    if (!ReadChunk(b, at, end, chunk)) {
      problem = kDamagedManifest;
      return false;
    }
    if (chunk.type == kStringPool) {
      if (!pool.Parse(b, chunk)) {
        problem = kDamagedManifest;
        return false;
      }
    } else if (chunk.type == kXmlResourceMap) {
      const size_t count = (chunk.size - chunk.headerSize) / 4;
      resourceMap.resize(count);
      for (size_t i = 0; i < count; ++i) resourceMap[i] = b.U32(chunk.at + chunk.headerSize + 4 * i);
    } else if (chunk.type == kXmlStartElement) {
      const size_t ext = chunk.at + chunk.headerSize;
      if (chunk.size - chunk.headerSize < 20) {
        problem = kDamagedManifest;
        return false;
      }
      std::string element;
      pool.Get(b.U32(ext + 4), element);
      const bool isManifest = element == "manifest" && !sawManifest;
      const bool isApplication = element == "application" && sawManifest && !sawApplication;
      if (!isManifest && !isApplication) continue;
      (isManifest ? sawManifest : sawApplication) = true;
      const size_t attributeStart = b.U16(ext + 8), attributeSize = b.U16(ext + 10), count = b.U16(ext + 12);
      const size_t first = ext + attributeStart;
      const size_t chunkEnd = chunk.at + chunk.size;
      if (attributeSize < 20 || first > chunkEnd || count > (chunkEnd - first) / attributeSize) {
        problem = kDamagedManifest;
        return false;
      }
      for (size_t i = 0; i < count; ++i) {
        const size_t a = first + i * attributeSize;
        Attribute attribute;
        const uint32_t nameIndex = b.U32(a + 4);
        pool.Get(nameIndex, attribute.name);
        if (nameIndex < resourceMap.size()) attribute.resourceId = resourceMap[nameIndex];
        attribute.rawValue = b.U32(a + 8);
        attribute.dataType = b.U8(a + 15);
        attribute.data = b.U32(a + 16);
        const auto is = [&attribute](uint32_t id, const char* name) {
          return attribute.resourceId == id || (attribute.resourceId == 0 && attribute.name == name);
        };
        if (isManifest) {
          if (attribute.name == "package" && attribute.resourceId == 0) {
            StringValue(pool, attribute, info.packageName);
          } else if (is(kAttrVersionCode, "versionCode")) {
            if (attribute.dataType == kTypeIntDec || attribute.dataType == kTypeIntHex) {
              info.versionCode = attribute.data;
            } else {
              std::string text;
              if (StringValue(pool, attribute, text)) info.versionCode = std::strtoll(text.c_str(), nullptr, 10);
            }
          } else if (is(kAttrVersionName, "versionName")) {
            StringValue(pool, attribute, info.versionName);
          }
        } else if (is(kAttrLabel, "label")) {
          if (attribute.dataType == kTypeReference) {
            info.labelReference = attribute.data;
          } else {
            StringValue(pool, attribute, info.label);
          }
        } else if (is(kAttrIcon, "icon")) {
          if (attribute.dataType == kTypeReference) {
            info.iconReference = attribute.data;
          } else {
            StringValue(pool, attribute, info.iconPath);
          }
        }
      }
    }
  }
  if (!sawManifest) {
    problem = kDamagedManifest;
    return false;
  }
  if (!IsPackageName(info.packageName)) {
    problem = "the app's manifest names no valid package";
    return false;
  }
  return true;
}

namespace {

bool ResolveOnce(const std::string& table, uint32_t id, bool preferDense, std::string& value, uint32_t& alias) {
  alias = 0;
  const Bytes b(table);
  Chunk top;
  if (!ReadChunk(b, 0, b.Size(), top) || top.type != kTable || top.headerSize < 12) return false;
  const uint32_t packageId = id >> 24, typeId = (id >> 16) & 0xFF, entryIndex = id & 0xFFFF;
  StringPool values;
  bool found = false;
  uint32_t bestDensity = 0;
  const size_t end = top.at + top.size;
  Chunk chunk;
  for (size_t at = top.at + top.headerSize; at < end; at += chunk.size) {
    if (!ReadChunk(b, at, end, chunk)) return found;
    if (chunk.type == kStringPool) {
      if (!values.Parse(b, chunk)) return false;
      continue;
    }
    if (chunk.type != kTablePackage || chunk.headerSize < 12 || b.U32(chunk.at + 8) != packageId) continue;
    const size_t packageEnd = chunk.at + chunk.size;
    Chunk inner;
    for (size_t i = chunk.at + chunk.headerSize; i < packageEnd; i += inner.size) {
      if (!ReadChunk(b, i, packageEnd, inner)) break;
      if (inner.type != kTableType || inner.headerSize < 20 + 16 || b.U8(inner.at + 8) != typeId) continue;
      const uint8_t flags = b.U8(inner.at + 9);
      const uint32_t entryCount = b.U32(inner.at + 12);
      const uint32_t entriesStart = b.U32(inner.at + 16);
      const uint32_t density = b.U16(inner.at + 20 + 14);
      const size_t offsetsAt = inner.at + inner.headerSize;
      if (entriesStart > inner.size) continue;
      uint32_t offset = 0xFFFFFFFF;
      if (flags & 0x01) {
        // Sparse: (index, offset / 4) pairs sorted by index.
        for (uint32_t k = 0; k < entryCount && (offsetsAt - inner.at) + 4 * (k + 1) <= inner.size; ++k) {
          if (b.U16(offsetsAt + 4 * k) == entryIndex) {
            offset = uint32_t{b.U16(offsetsAt + 4 * k + 2)} * 4;
            break;
          }
        }
      } else if (entryIndex < entryCount) {
        const size_t width = (flags & 0x02) ? 2 : 4;
        if ((offsetsAt - inner.at) + width * (entryIndex + 1) > inner.size) continue;
        if (width == 2) {
          const uint16_t small = b.U16(offsetsAt + 2 * entryIndex);
          if (small != 0xFFFF) offset = uint32_t{small} * 4;
        } else {
          offset = b.U32(offsetsAt + 4 * entryIndex);
        }
      }
      if (offset == 0xFFFFFFFF || offset > inner.size - entriesStart || inner.size - entriesStart - offset < 8)
        continue;
      const size_t entry = inner.at + entriesStart + offset;
      const uint16_t entrySize = b.U16(entry), entryFlags = b.U16(entry + 2);
      if ((entryFlags & 0x0001) || entrySize < 8 || inner.at + inner.size - entry < size_t{entrySize} + 8) continue;
      const size_t v = entry + entrySize;
      const uint8_t dataType = b.U8(v + 3);
      const uint32_t data = b.U32(v + 4);
      if (dataType == kTypeReference) {
        if (!found) alias = data;
        continue;
      }
      std::string text;
      if (dataType != kTypeString || !values.Get(data, text)) continue;
      if (preferDense) {
        // Densities 0xFFFE and 0xFFFF (any, none) hold vector icons, not pictures.
        if (!EndsWith(text, ".png") || density >= 0xFFFE) continue;
        if (found && density <= bestDensity) continue;
        bestDensity = density;
        value = text;
        found = true;
      } else if (!found) {
        value = text;
        found = true;
      }
    }
  }
  return found;
}

}  // namespace

bool ResolveResourceString(const std::string& table, uint32_t id, bool preferDense, std::string& value) {
  value.clear();
  // A resource may name another (an alias); a few steps cover real tables and end loops.
  for (int step = 0; step < 4 && id != 0; ++step) {
    uint32_t alias = 0;
    if (ResolveOnce(table, id, preferDense, value, alias)) return true;
    id = alias;
  }
  return false;
}

bool ReadApk(ZipReader& zip, ApkInfo& info, std::string& problem) {
  info = ApkInfo();
  const ZipEntryInfo* manifestEntry = zip.Find("AndroidManifest.xml");
  if (manifestEntry == nullptr) {
    problem = "the file is no app: it has no manifest";
    return false;
  }
  std::string bytes;
  if (!zip.Read(*manifestEntry, kMaxManifestBytes, bytes, problem)) return false;
  ManifestInfo manifest;
  if (!ReadBinaryManifest(bytes, manifest, problem)) return false;
  info.packageName = manifest.packageName;
  info.versionName = manifest.versionName;
  info.versionCode = manifest.versionCode;
  info.label = manifest.label;
  std::string iconPath = manifest.iconPath;
  std::string table;
  std::string ignored;
  const ZipEntryInfo* tableEntry = zip.Find("resources.arsc");
  if ((manifest.labelReference != 0 || manifest.iconReference != 0) && tableEntry != nullptr &&
      zip.Read(*tableEntry, kMaxTableBytes, table, ignored)) {
    if (manifest.labelReference != 0) ResolveResourceString(table, manifest.labelReference, false, info.label);
    if (manifest.iconReference != 0) ResolveResourceString(table, manifest.iconReference, true, iconPath);
  }
  if (info.label.empty()) info.label = info.packageName;
  // Without a resolvable icon attribute, the usual launcher icon by its usual names, densest first.
  std::vector<std::string> candidates;
  if (!iconPath.empty()) candidates.push_back(iconPath);
  for (const char* density : {"xxxhdpi", "xxhdpi", "xhdpi", "hdpi", "mdpi"}) {
    for (const char* folder : {"mipmap", "drawable"}) {
      candidates.push_back(std::string("res/") + folder + "-" + density + "/ic_launcher.png");
      candidates.push_back(std::string("res/") + folder + "-" + density + "-v4/ic_launcher.png");
    }
  }
  candidates.push_back("res/mipmap/ic_launcher.png");
  candidates.push_back("res/drawable/ic_launcher.png");
  for (const std::string& candidate : candidates) {
    const ZipEntryInfo* icon = zip.Find(candidate);
    std::string png;
    if (icon != nullptr && zip.Read(*icon, kMaxIconBytes, png, ignored) && png.size() > 8 &&
        png.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) == 0) {
      info.iconPng = std::move(png);
      break;
    }
  }
  return true;
}

bool ReadApkFile(const std::filesystem::path& path, ApkInfo& info, std::string& problem) {
  ZipReader zip;
  if (!zip.OpenFile(path, problem)) return false;
  return ReadApk(zip, info, problem);
}
