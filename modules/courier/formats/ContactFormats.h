// The files contacts are exported to and imported from: vCard, a page for the browser, and the
// product's own backup. Plain functions over the demo model with no Windows API, so they build
// natively under the sanitizers and the fuzzers.
//
// Group membership travels by group title in every file (identifiers are the phone's own and
// mean nothing on another phone): the writers map the contact's group identifiers to titles
// through `groups`, and the readers return titles in DemoContact::groups, which the device
// service maps back to the target phone's groups.
#pragma once

#include <cstddef>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "modules/courier/DemoData.h"

// What a reader made of one file.
struct ContactReadResult {
  std::vector<DemoContact> contacts;  // the cards that could be read, in file order
  size_t failed = 0;                  // cards (or the whole file) that could not be read
  // One short UTF-8 line per failure for progress texts; a file of thousands of broken cards
  // lists the first 50 and one closing line, while `failed` counts them all.
  std::vector<std::string> problems;
  // The group table of a backup (identifier, title, account type as written); vCards name
  // groups only by the titles in DemoContact::groups, so it stays empty for them.
  std::vector<DemoGroup> groups;
};

// Where a writer sends what it makes, a contact at a time, so that no file is ever whole in
// memory: a file being written (SafeFileWriter), or a string.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // False once the sink has failed; the writer then stops.
  virtual bool Write(std::string_view bytes) = 0;
};

class StringSink : public ByteSink {
 public:
  explicit StringSink(std::string& out) : m_out(out) {}
  bool Write(std::string_view bytes) override {
    m_out.append(bytes.data(), bytes.size());
    return true;
  }

 private:
  std::string& m_out;
};

// Every writer returns false when the sink failed or the text could not be made (out of
// memory); what reached the sink must then be thrown away. The string forms are for small
// outputs and tests, and answer an empty string on failure.

// vCard 2.1, 3.0 and 4.0 as phones and address books write them: any line ends, a byte-order
// mark, folded lines, quoted-printable with soft breaks and CHARSET, escapes, grouped
// properties, every TYPE form, several cards, embedded PHOTO data (skipped). Identifiers of the
// returned contacts are empty; the phone gives new ones.
ContactReadResult ReadVCards(const std::string& bytes);
// vCard 3.0, UTF-8, CRLF, lines folded at 75 octets; one card per contact.
bool WriteVCards(ByteSink& sink, const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups);
std::string WriteVCards(const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups);

// A standalone UTF-8 HTML page listing every contact with all its fields, escaped.
bool WriteContactsHtml(ByteSink& sink, const std::vector<DemoContact>& contacts,
                       const std::vector<DemoGroup>& groups, const std::wstring& phoneName);
std::string WriteContactsHtml(const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups,
                              const std::wstring& phoneName);

// The product's backup: JSON with a format version, one contact a line. Reading it restores
// exactly what was written (identifiers included, for the service to decide on). The reader
// streams, so a book of a million contacts is never a document in memory; a file cut short or
// damaged part-way still gives the contacts before the damage, with the damage counted as failed.
constexpr int kContactBackupVersion = 1;
bool WriteContactBackup(ByteSink& sink, const std::vector<DemoContact>& contacts,
                        const std::vector<DemoGroup>& groups);
std::string WriteContactBackup(const std::vector<DemoContact>& contacts, const std::vector<DemoGroup>& groups);
ContactReadResult ReadContactBackup(const std::string& bytes);
ContactReadResult ReadContactBackup(std::istream& in);

// `folder`/`stem``extension`, or with " (2)", " (3)", ... before the extension when that file
// exists already: an export never overwrites a file. `extension` includes its dot.
std::filesystem::path UniqueExportPath(const std::filesystem::path& folder, const std::wstring& stem,
                                       const std::wstring& extension);
