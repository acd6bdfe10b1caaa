// libCornerstone: the utility library every deliverable links against.
// Strings it returns are heap copies (malloc) that the caller frees with free(),
// except BASUserDefaults::GetString, whose text the store owns.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include <nlohmann/json_fwd.hpp>

#ifdef CORNERSTONE_BUILD
#define CORNERSTONE_API __declspec(dllexport)
#else
#define CORNERSTONE_API __declspec(dllimport)
#endif

namespace Gdiplus {
class Bitmap;
class Image;
}  // namespace Gdiplus

namespace cornerstone {
struct UserDefaultsState;
}

// Named key-value stores read from JSON files. Keys are colon paths into nested
// objects: "color:title:background" names {"color":{"title":{"background":...}}}.
// Missing keys answer empty, 0 or null so callers fall back to built-in values.
class CORNERSTONE_API BASUserDefaults {
 public:
  // Loads store `name` from `path`. On a missing, unreadable or malformed file
  // answers false and leaves any earlier store of that name as it was.
  static bool InitUserDefaults(const char* name, const wchar_t* path);
  static BASUserDefaults* GetUserDefaults(const char* name);

  // Opens the per-user store under the application-data folder, maker then
  // product. A corrupt file is moved aside and a fresh store begins.
  static bool InitStandardUserDefaults(const wchar_t* maker, const wchar_t* product);
  // Never null: before InitStandardUserDefaults it is an empty in-memory store.
  static BASUserDefaults* StandardUserDefaults();

  bool IsOk() const;
  // Writes the store back to its file atomically; false when it has no file or
  // the write failed (the previous file is then untouched).
  bool WriteAll();

  // UTF-8 text owned by the store, valid until the process ends; "" if missing
  // or not a string.
  const char* GetString(const char* key);
  // "#RRGGBB" as a COLORREF; 0 if missing or malformed.
  COLORREF GetRGB(const char* key);
  // The same, answering `fallback` when the key is missing or not a colour.
  COLORREF GetRGB(const char* key, COLORREF fallback);
  // An integer (or a numeric string); 0 if missing.
  int GetInt(const char* key);
  // A JSON array or object owned by the store; null if missing or a scalar.
  const nlohmann::json* GetValueObject(const char* key);
  bool HasMember(const char* key);
  // Sets a string, creating the objects along the path.
  bool SetString(const char* key, const char* value);

  BASUserDefaults(const BASUserDefaults&) = delete;
  BASUserDefaults& operator=(const BASUserDefaults&) = delete;

 private:
  friend struct cornerstone::UserDefaultsState;
  BASUserDefaults();
  ~BASUserDefaults();
  cornerstone::UserDefaultsState* m_state;
};

class CORNERSTONE_API BASUtilityApp {
 public:
  // Folder of the running program, and the plugins\ and themes\ folders below
  // it; each ends in a backslash.
  static wchar_t* GetProductInstallDir();
  static wchar_t* GetProductPluginsDir();
  static wchar_t* GetProductThemesDir();
  // A new font the caller owns (DeleteObject); height in pixels.
  static HFONT GetFont(int height, bool bold, const wchar_t* face);
  static bool OpenUrl(const char* utf8Url);
  static bool OpenFolder(const wchar_t* path);
};

class CORNERSTONE_API BASUtilityFile {
 public:
  static bool IsFileExist(const wchar_t* path);
  static bool IsFolderExist(const wchar_t* path);
  // The system folder picker, starting in `initial` (may be null); null on cancel.
  static wchar_t* SelectFolder(HWND owner, const wchar_t* initial);
  // "512 B", "1.5 KB", "3.0 MB", "2.1 GB", "1.0 TB".
  static wchar_t* ZLGetFormatSizeFromBytes(int64_t bytes);
  // Tests the path's extension against a list such as ";.jpg;.gif;.png;",
  // ignoring case.
  static bool IsSupportFilePosfix(const wchar_t* path, const wchar_t* list);
};

class CORNERSTONE_API BASUtilityString {
 public:
  // Invalid sequences become U+FFFD; a null argument gives an empty string.
  static wchar_t* ConvertUtf8ToUnicode(const char* utf8);
  static char* ConvertUnicodeToUtf8(const wchar_t* text);
  // printf-style formatting of any length.
  static wchar_t* Format(const wchar_t* fmt, ...);
  static char* Format(const char* fmt, ...);
  // Dotted versions: negative, zero or positive as a is older, equal or newer.
  static int CompareVersion(const char* a, const char* b);
  static int CompareVersion(const wchar_t* a, const wchar_t* b);
};

class CORNERSTONE_API BASUtilitySys {
 public:
  // The user's roaming application-data folder, ending in a backslash.
  static wchar_t* GetAppDataDir();
  // Local time through an strftime pattern; false if it does not fit.
  static bool GetNowDateTime(char* out, size_t size, const char* format);
};

class CORNERSTONE_API BASUtilityImage {
 public:
  // Loads an image file as a bitmap the caller owns (delete); null for a
  // missing or broken file. The file is not kept open.
  static Gdiplus::Bitmap* GetBitmap(const wchar_t* path, int dpiX, int dpiY);
  // A grey copy the caller owns; null if `bitmap` is null.
  static Gdiplus::Bitmap* ConvertToGray(Gdiplus::Bitmap* bitmap);
};

class CORNERSTONE_API BASUtilityWindow {
 public:
  // The window's rectangle in its parent's client coordinates (screen
  // coordinates for a top-level window).
  static RECT GetWindowRelativeRect(HWND hwnd);
};

class CORNERSTONE_API BASMemImage {
 public:
  // An image decoded from encoded bytes (PNG, GIF, ...), owned by the caller;
  // null if the bytes are not an image.
  static Gdiplus::Bitmap* mi_from_memory(const void* bytes, size_t size);
};

// A process-wide recursive lock named by an address.
class CORNERSTONE_API BASLock {
 public:
  static void GLock(const void* key);
  static void GUnLock(const void* key);
};

class CORNERSTONE_API BASDbgReport {
 public:
  // Called with the report folder (ending in a backslash); may hand back one
  // more file (a heap _wcsdup path) to add to the report.
  typedef void (*CollectCallback)(const wchar_t* folder, wchar_t** extraFile);
  // Called with the path of the finished report.
  typedef void (*ReportCallback)(const wchar_t* reportPath);

  // Installs the unhandled-exception filter: a crash writes a minidump to
  // `dumpPath`, lets `collect` add its file, packs the folder's report files
  // into "CrashReport.zip" beside the dump and calls `report` with its path.
  static bool RegisterCrashFilter(const wchar_t* dumpPath, ReportCallback report, CollectCallback collect);
};

// One trace line on standard output (UTF-8), flushed at once.
CORNERSTONE_API void BASTrace(const char* fmt, ...);
CORNERSTONE_API void BASTraceW(const wchar_t* fmt, ...);
