// The demo phones the device service plays back: what DemoPhones.json describes, after
// validation. Plain data with no Windows API, so the parser and the model are tested natively.
// Texts are wide already (the records handed to the host are), converted once at load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// What a connection step does besides reporting its status.
enum class DemoStepAction {
  kReport,        // report the status, wait delayMs, go on
  kWaitForRetry,  // report the status, then stand until `retry` arrives for the phone
  kDisconnect,    // the cable is pulled: the phone leaves
  kCrash,         // the service reports SERVER_CRASH
};

// Host commands a step may wait for (the wizard's retry buttons).
enum class DemoRetry {
  kNone,
  kRetryConnect,    // LIBCOURIER_COMMAND_RETRY_CONNECT_DEVICE
  kInstallRetry,    // LIBCOURIER_COMMAND_INSTALL_RETRY
  kDebugAuthorize,  // LIBCOURIER_COMMAND_DEBUG_AUTHORIZE_RETRY
  kRootAuthorize,   // LIBCOURIER_COMMAND_ROOT_AUTHORIZE_RETRY
};

// One step of a phone's connection script, in order.
struct DemoStep {
  DemoStepAction action = DemoStepAction::kReport;
  int32_t status = 0;          // connection status code (0..22); unused by disconnect / crash
  int32_t delayMs = 0;         // pause after the step (before it, for disconnect and crash)
  std::wstring text;           // device text of the notice (driver failure detail, ...)
  std::string narrowText;      // UTF-8 notice text: the driver link address of status 4
  int64_t downloadBytes = 0;   // status 6: driver size; the step reports byte progress
  int32_t downloadChunks = 0;  // status 6: number of progress notices, delayMs apart
  DemoRetry retry = DemoRetry::kNone;
  // kWaitForRetry: go on after this long without the retry (the user answered on the phone
  // instead); 0 = wait for the retry however long it takes.
  int32_t timeoutMs = 0;
};

struct DemoMemory {
  int64_t totalBytes = 0;
  int64_t freeBytes = 0;
};

struct DemoAccount {
  std::wstring name;
  std::wstring type;  // "com.google"
};

struct DemoGroup {
  std::wstring identifier;
  std::wstring title;
  std::wstring accountType;
};

// What a contact item is; the device service maps it to the phone's mimetype. New kinds go at
// the end: files name kinds by name, but the order is the order of kAllItemKinds.
enum class DemoItemKind {
  kPhone,
  kEmail,
  kPostalAddress,
  kWebsite,
  kOrganization,
  kNickname,
  kNote,
  kIm,
  kEvent,       // a birthday, an anniversary or a date of the user's own; the value as written
  kSipAddress,  // an internet call address
  kRelation,    // a person the contact is related to, by name
  kPhoto,       // the contact's picture: base64 of the image, its type ("JPEG", "PNG") as label
};
inline constexpr DemoItemKind kAllItemKinds[] = {
    DemoItemKind::kPhone,        DemoItemKind::kEmail,      DemoItemKind::kPostalAddress, DemoItemKind::kWebsite,
    DemoItemKind::kOrganization, DemoItemKind::kNickname,   DemoItemKind::kNote,          DemoItemKind::kIm,
    DemoItemKind::kEvent,        DemoItemKind::kSipAddress, DemoItemKind::kRelation,      DemoItemKind::kPhoto};

// One data item of a contact: a number, an address, a note...
struct DemoContactItem {
  DemoItemKind kind = DemoItemKind::kPhone;
  int32_t typeCode = 0;  // Android's type code; 0 = custom, the label is the user's own
  // "Mobile", "Work", or a custom label; an organization has no types and keeps the job title
  // held there here, as the phone keeps both in one row.
  std::wstring label;
  std::wstring value;
  // An address's parts as the phone keeps them beside the written form: post office box,
  // extended address, street, city, region, postcode, country; empty when only the written
  // form is known. A changed address drops them.
  std::vector<std::wstring> parts;
};

struct DemoContact {
  std::wstring identifier;
  std::wstring name;
  std::wstring accountName;  // empty: stored on the phone only
  std::wstring accountType;
  // The name's parts as the phone's name row keeps them: prefix, given, middle, family,
  // suffix; empty when only the display name is known. Then the phonetic given, middle and
  // family names (how a Japanese or Chinese name is read), empty when there are none.
  std::vector<std::wstring> nameParts;
  std::vector<std::wstring> phoneticParts;
  std::vector<std::wstring> groups;    // group identifiers
  std::vector<DemoContactItem> items;  // in file order: numbers, e-mails, then the rest

  // The first number, shown in the list; empty when it has none.
  std::wstring FirstPhone() const;
};

struct DemoMessage {
  std::wstring identifier;
  std::wstring box;   // "inbox", "sent" or "draft"
  std::wstring date;  // "YYYY-MM-DD HH:MM"
  bool read = true;
  std::wstring body;
};

struct DemoConversation {
  std::wstring identifier;
  std::wstring address;  // the other side's number
  std::vector<DemoMessage> messages;
};

// A message that reaches the phone while it is connected: delayMs after it became ready.
struct DemoIncomingMessage {
  int32_t delayMs = 0;
  std::wstring address;
  std::wstring body;
};

// How a phone answers when this program asks to be its default SMS app (Android 4.4 and later
// let only that app change messages).
enum class DemoSmsRole {
  kAccepts,   // the user says yes to the phone's pop-up
  kAlready,   // this program is the default already
  kDeclines,  // the user says no on the phone
};

struct DemoPhoto {
  std::wstring identifier;
  std::wstring name;       // file name on the phone without its extension
  std::wstring format;     // extension with its dot: ".png"
  std::wstring phonePath;  // where the phone keeps it
  std::wstring album;
  std::wstring dateCreated;    // "YYYY-MM-DD HH:MM"
  std::filesystem::path file;  // the picture shipped beside the data file (absolute)
  int64_t sizeBytes = 0;       // of `file`
};

struct DemoSong {
  std::wstring identifier;
  std::wstring title;
  std::wstring artist;
  std::wstring album;
  int32_t durationSec = 0;
  int64_t sizeBytes = 0;
  std::wstring phonePath;
  std::filesystem::path file;  // the sound file shipped beside the data file; empty: none
};

struct DemoPlaylist {
  std::wstring identifier;
  std::wstring name;
  std::vector<std::wstring> songs;  // song identifiers, each a song of the phone
};

struct DemoVideo {
  std::wstring identifier;
  std::wstring title;
  int32_t durationSec = 0;
  int32_t width = 0;
  int32_t height = 0;
  int64_t sizeBytes = 0;
  std::wstring phonePath;
  std::filesystem::path file;  // the video file shipped beside the data file; empty: none
};

struct DemoBook {
  std::wstring identifier;
  std::wstring title;
  std::wstring author;
  int64_t sizeBytes = 0;
  std::wstring phonePath;
  std::filesystem::path file;  // the book file shipped beside the data file; empty: none
};

struct DemoApp {
  std::wstring package;  // the app's key
  std::wstring name;
  std::wstring version;
  int64_t sizeBytes = 0;
  bool system = false;  // system apps are listed under "Apps" but not "User Apps"
  std::filesystem::path file;  // the .apk shipped beside the data file; empty: none
};

struct DemoPhone {
  std::wstring identifier;   // serial number, or a network address (has a dot) for Wi-Fi
  std::wstring displayName;  // the device record's three display texts
  std::wstring modelName;
  std::wstring productName;
  std::wstring model;
  std::wstring androidVersion;  // dotted digits: "4.4", "13"
  std::wstring serialNumber;    // defaults to the identifier
  int32_t batteryPercent = 0;
  bool charging = false;
  DemoMemory phoneMemory;
  DemoMemory storageMemory;
  std::vector<DemoStep> connection;

  std::vector<DemoAccount> accounts;
  std::vector<DemoGroup> groups;
  std::vector<DemoContact> contacts;
  size_t generatedContacts = 0;  // made on demand by DemoContactGenerator after `contacts`
  std::vector<DemoConversation> conversations;
  DemoSmsRole smsRole = DemoSmsRole::kAccepts;
  std::vector<DemoIncomingMessage> incomingMessages;  // in the order they arrive
  std::vector<DemoPhoto> photos;
  std::vector<DemoSong> songs;
  std::vector<DemoPlaylist> playlists;
  std::vector<DemoVideo> videos;
  std::vector<DemoBook> books;
  std::vector<DemoApp> apps;

  bool IsWifi() const { return identifier.find(L'.') != std::wstring::npos; }
  size_t ContactCount() const { return contacts.size() + generatedContacts; }
  size_t MessageCount() const;
};

// Everything one data file holds.
class DemoCatalog {
 public:
  int32_t startupDelayMs() const { return m_startupDelayMs; }
  const std::vector<DemoPhone>& phones() const { return m_phones; }
  // Null when no phone has that identifier.
  const DemoPhone* Find(const std::wstring& identifier) const;

  void SetStartupDelayMs(int32_t delayMs) { m_startupDelayMs = delayMs; }
  std::vector<DemoPhone>& MutablePhones() { return m_phones; }
  void Clear();

 private:
  int32_t m_startupDelayMs = 0;  // simulated time the service needs before it is ready
  std::vector<DemoPhone> m_phones;
};

// Android's type codes of contact items, by kind: {code, label}, code 0 (custom) first; empty
// for kinds without types.
struct DemoTypeLabel {
  int32_t code;
  const wchar_t* label;
};
const std::vector<DemoTypeLabel>& ContactTypeLabels(DemoItemKind kind);
// The code of `label` for `kind` (case-sensitive, as the phone stores it); 0 = custom.
int32_t ContactTypeCode(DemoItemKind kind, const std::wstring& label);

// The well-formed UTF-8 sequence at `i` (i < size): its length with the code point in `code`,
// or 0 when the bytes there are malformed (overlong, surrogate, cut short, past Unicode).
size_t DecodeUtf8Sequence(std::string_view bytes, size_t i, char32_t& code);
// Strict UTF-8 to wide text (UTF-16 on Windows, UTF-32 elsewhere); false on malformed input.
bool Utf8ToWide(const std::string& utf8, std::wstring& wide);
std::string WideToUtf8(const std::wstring& wide);

// A phone's contact names by number. Numbers are compared as a phone compares them: by their
// digits, whatever separators they are written with; an international number ("+47 400 10001",
// "0047 ...") and a number without its country prefix ("400 10001", "0400 10001") are one number
// when the shorter one, without its trunk 0, ends the longer one and has at least six digits.
class NumberDirectory {
 public:
  // The first name given for a number names it.
  void Add(const std::wstring& number, const std::wstring& name);
  // The name of `number`, or empty.
  std::wstring NameOf(const std::wstring& number) const;

 private:
  struct Entry {
    std::wstring digits;
    bool international = false;
    std::wstring name;
  };
  // By the last six digits, so a look-up reads only the entries that can match.
  std::multimap<std::wstring, Entry> m_entries;
};
