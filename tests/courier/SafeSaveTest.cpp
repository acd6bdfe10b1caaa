// Nothing the user saved is lost: files are written whole or not at all, a failed write leaves
// the earlier file byte for byte, an unreadable copy is kept aside and what can be read of it
// stays the user's. Built natively and for Windows, so both file back ends are covered.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "modules/courier/ContactBook.h"
#include "modules/courier/DemoContactGenerator.h"
#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/ContactFormats.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spit(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::set<std::string> NamesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().u8string());
  return names;
}

// A folder of its own per test, emptied before and after.
class SafeSave : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Named by the process too: two test runs may share the machine.
#ifdef _WIN32
    const unsigned long process = GetCurrentProcessId();
#else
    const unsigned long process = static_cast<unsigned long>(getpid());
#endif
    m_folder = fs::temp_directory_path() / (std::string("safe-save-") + info->name() + "-" + std::to_string(process));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
  }
  void TearDown() override {
    InjectWriteFaultForTest(-1);
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }

 public:
  static DemoPhone Phone(size_t generated) {
    DemoPhone phone;
    phone.identifier = L"PHONE";
    phone.groups = {DemoGroup{L"g1", L"Friends", L""}};
    phone.generatedContacts = generated;
    return phone;
  }

 protected:
  fs::path m_folder;
};

TEST_F(SafeSave, AFailedWriteLeavesTheEarlierFileAndNoTemporaryFile) {
  const fs::path target = m_folder / "book.json";
  Spit(target, "earlier");
  const std::string big(3 << 20, 'x');  // past the writer's buffer, so the disk is reached mid-way

  struct Fault {
    int64_t after;
    bool throws;
    const char* error;
  };
  for (const Fault& fault : {Fault{1000, false, "the disk is full"}, Fault{0, false, "the disk is full"},
                             Fault{(2 << 20) + 5, false, "the disk is full"}, Fault{100, true, ""}}) {
    InjectWriteFaultForTest(fault.after, fault.throws);
    SafeFileWriter file(target, SafeFileWriter::Replace::kAllow);
    ASSERT_TRUE(file.Open()) << file.Error();
    bool wrote = false;
    try {
      wrote = file.Write(big) && file.Commit();
    } catch (const std::bad_alloc&) {
      // What a writer does with an exception while it builds the text: it abandons the file.
      file.Abandon();
    }
    EXPECT_FALSE(wrote);
    EXPECT_NE(file.Error().find(fault.error), std::string::npos) << file.Error();
    InjectWriteFaultForTest(-1);
    EXPECT_EQ(Slurp(target), "earlier");
  }
  // A backup whose text fails part-way is never committed either.
  InjectWriteFaultForTest(100, true);
  {
    SafeFileWriter file(target, SafeFileWriter::Replace::kAllow);
    ASSERT_TRUE(file.Open());
    std::vector<DemoContact> contacts;
    for (size_t i = 0; i < 50; ++i) contacts.push_back(DemoContactGenerator::Make(i));
    EXPECT_FALSE(WriteContactBackup(file, contacts, {}));
  }
  InjectWriteFaultForTest(-1);
  EXPECT_EQ(Slurp(target), "earlier");
  EXPECT_EQ(NamesIn(m_folder), std::set<std::string>{"book.json"});

  SafeFileWriter file(target, SafeFileWriter::Replace::kAllow);
  ASSERT_TRUE(file.Open());
  ASSERT_TRUE(file.Write(big) && file.Commit()) << file.Error();
  EXPECT_EQ(Slurp(target), big);
  EXPECT_EQ(NamesIn(m_folder), std::set<std::string>{"book.json"});
}

TEST_F(SafeSave, AnExportNeverTakesANameThatExistsAndAMissingFolderIsAFailure) {
  const fs::path target = m_folder / "Contacts.vcf";
  SafeFileWriter first(target, SafeFileWriter::Replace::kNever);
  ASSERT_TRUE(first.Open());
  ASSERT_TRUE(first.Write("mine"));
  // Another program takes the name while the export writes.
  Spit(target, "theirs");
  EXPECT_FALSE(first.Commit());
  EXPECT_TRUE(first.TargetExisted());
  EXPECT_EQ(Slurp(target), "theirs");
  EXPECT_EQ(NamesIn(m_folder), std::set<std::string>{"Contacts.vcf"});

  SafeFileWriter nowhere(m_folder / "gone" / "Contacts.vcf", SafeFileWriter::Replace::kNever);
  EXPECT_FALSE(nowhere.Open());
  EXPECT_FALSE(nowhere.Error().empty());
  EXPECT_FALSE(nowhere.Commit());
}

TEST_F(SafeSave, AFailedSaveOfTheBookKeepsTheEarlierCopyByteForByte) {
  const fs::path state = m_folder / "PHONE.contacts.json";
  ContactBook book;
  std::string error;
  book.Open(Phone(40), state, error);
  DemoContact kept;
  kept.name = L"Kept";
  book.Add(kept);
  ASSERT_TRUE(book.Persist(error)) << error;
  const std::string earlier = Slurp(state);

  DemoContact lost;
  lost.name = L"Not saved";
  book.Add(lost);
  for (bool throws : {false, true}) {
    InjectWriteFaultForTest(500, throws);
    error.clear();
    EXPECT_FALSE(book.Persist(error));
    EXPECT_FALSE(error.empty());
    InjectWriteFaultForTest(-1);
    EXPECT_EQ(Slurp(state), earlier);
  }
  EXPECT_EQ(NamesIn(m_folder), std::set<std::string>{"PHONE.contacts.json"});
}

TEST_F(SafeSave, AnUnreadableCopyIsSetAsideUnderANewNameAndWhatCanBeReadIsKept) {
  const fs::path state = m_folder / "PHONE.contacts.json";
  std::string error;
  {
    ContactBook book;
    book.Open(Phone(30), state, error);
    book.Remove(L"gen-1");
    ASSERT_TRUE(book.Persist(error)) << error;
  }
  const std::string whole = Slurp(state);
  // Cut inside the eleventh contact: ten are readable.
  size_t cut = whole.find("\"contacts\"");
  for (int i = 0; i < 11; ++i) cut = whole.find("\n\t\t{", cut + 1);
  Spit(state, whole.substr(0, cut + 30));

  ContactBook damaged;
  damaged.Open(Phone(30), state, error);
  EXPECT_NE(error.find("could not be read"), std::string::npos) << error;
  EXPECT_EQ(damaged.KeptAs(), fs::path(state.native() + fs::path(".corrupt").native()));
  EXPECT_EQ(Slurp(damaged.KeptAs()), whole.substr(0, cut + 30));
  EXPECT_EQ(damaged.Count(), 10u) << "the readable contacts are the user's, not the data file's";
  EXPECT_EQ(damaged.Find(L"gen-1"), nullptr);
  // ... and are a good copy again at once.
  ContactBook reopened;
  reopened.Open(Phone(30), state, error);
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_EQ(reopened.Count(), 10u);

  // A copy from a newer program is set aside too, beside the first, which stays.
  std::string newer = Slurp(state);
  newer.replace(newer.find("\"version\": 1"), 12, "\"version\": 7");
  Spit(state, newer);
  ContactBook older;
  older.Open(Phone(30), state, error);
  EXPECT_NE(error.find("newer version"), std::string::npos) << error;
  EXPECT_EQ(older.Count(), 30u) << "nothing of it could be read: the phone's own contacts";
  EXPECT_EQ(NamesIn(m_folder),
            (std::set<std::string>{"PHONE.contacts.json.corrupt", "PHONE.contacts.json.corrupt-2"}));
  EXPECT_EQ(Slurp(older.KeptAs()), newer);
}

TEST_F(SafeSave, LeftoversOfAKilledSaveAreRemovedAtTheNextStart) {
  const fs::path state = m_folder / "PHONE.contacts.json";
  Spit(m_folder / ".PHONE.contacts.json.3.4242.tmp", "half a save");
  Spit(m_folder / "Other.txt", "not ours");
  ContactBook book;
  std::string error;
  book.Open(Phone(3), state, error);
  EXPECT_EQ(NamesIn(m_folder), std::set<std::string>{"Other.txt"});
}

// A big book: saving it builds no document of the whole, and it comes back whole. (The native
// build runs under the sanitizers, ten times slower: a tenth of the book there.)
TEST_F(SafeSave, TwoHundredThousandContactsSaveExportAndComeBack) {
#ifdef _WIN32
  constexpr size_t kContacts = 200000;
#else
  constexpr size_t kContacts = 20000;
#endif
  const fs::path state = m_folder / "PHONE.contacts.json";
  std::string error;
  {
    ContactBook book;
    book.Open(Phone(kContacts), state, error);
    ASSERT_TRUE(book.Remove(L"gen-7"));
    ASSERT_TRUE(book.Persist(error)) << error;

    SafeFileWriter vcf(m_folder / "Contacts.vcf", SafeFileWriter::Replace::kNever);
    ASSERT_TRUE(vcf.Open());
    ASSERT_TRUE(WriteVCards(vcf, book.Contacts(), book.Groups()));
    ASSERT_TRUE(vcf.Commit()) << vcf.Error();
  }
  ContactBook reopened;
  reopened.Open(Phone(kContacts), state, error);
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_EQ(reopened.Count(), kContacts - 1);
  EXPECT_EQ(reopened.Find(L"gen-7"), nullptr);
  const std::wstring last = L"gen-" + std::to_wstring(kContacts);
  ASSERT_NE(reopened.Find(last), nullptr);
  EXPECT_EQ(reopened.Find(last)->name, DemoContactGenerator::Make(kContacts - 1).name);

  std::string cards;
  ASSERT_TRUE(ReadWholeFile(m_folder / "Contacts.vcf", cards, error)) << error;
  const ContactReadResult read = ReadVCards(cards);
  EXPECT_EQ(read.failed, 0u);
  EXPECT_EQ(read.contacts.size(), kContacts - 1);
}

// What a save and an export look like from outside while a process dies at any point of them.
constexpr size_t kKilledBook = 600;
constexpr char kChildVariable[] = "ZS_SAFE_SAVE_CHILD";

// The child's endless work: change the book, save it, export it, again and again.
[[noreturn]] void SaveAndExportForever(const fs::path& folder) {
  ContactBook book;
  std::string error;
  book.Open(SafeSave::Phone(kKilledBook), folder / "PHONE.contacts.json", error);
  for (unsigned round = 0;; ++round) {
    DemoContact added;
    added.name = L"Added " + std::to_wstring(round);
    book.Add(added);
    book.Persist(error);
    SafeFileWriter file(UniqueExportPath(folder / "exports", L"Contacts", L".vcf"), SafeFileWriter::Replace::kNever);
    if (file.Open() && WriteVCards(file, book.Contacts(), book.Groups())) file.Commit();
  }
}

// After each kill: the copy reads in full, and every export under a final name is whole (each
// is read once, then removed).
void ExpectNothingPartial(const fs::path& folder, size_t& exports) {
  const fs::path state = folder / "PHONE.contacts.json";
  std::ifstream in(state, std::ios::binary);
  ASSERT_TRUE(in.good()) << "the copy is always there";
  const ContactReadResult copy = ReadContactBackup(in);
  EXPECT_EQ(copy.failed, 0u) << (copy.problems.empty() ? "" : copy.problems[0]);
  EXPECT_GE(copy.contacts.size(), kKilledBook);
  std::vector<fs::path> seen;
  for (const auto& entry : fs::directory_iterator(folder / "exports")) {
    if (entry.path().filename().u8string()[0] == '.') continue;  // an unfinished, hidden file
    ++exports;
    const std::string cards = Slurp(entry.path());
    ASSERT_GE(cards.size(), 11u);
    EXPECT_EQ(cards.substr(cards.size() - 11), "END:VCARD\r\n") << entry.path();
    const ContactReadResult read = ReadVCards(cards);
    EXPECT_EQ(read.failed, 0u);
    EXPECT_GT(read.contacts.size(), kKilledBook);
    seen.push_back(entry.path());
  }
  for (const fs::path& path : seen) fs::remove(path);
}

TEST_F(SafeSave, AProcessKilledAnywhereInASaveOrExportLeavesNothingPartial) {
  fs::create_directories(m_folder / "exports");
  {
    ContactBook book;
    std::string error;
    book.Open(Phone(kKilledBook), m_folder / "PHONE.contacts.json", error);
    ASSERT_TRUE(book.Persist(error));
  }
  std::srand(20261208);
  size_t exports = 0;
  for (int round = 0; round < 20; ++round) {
    const int delayMs = 30 + std::rand() % 1000;
#ifdef _WIN32
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=SafeSaveChild.*";
    SetEnvironmentVariableW(L"ZS_SAFE_SAVE_CHILD", m_folder.c_str());
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;  // the child's test output would read as ours
    PROCESS_INFORMATION child{};
    const BOOL started =
        CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &child);
    CloseHandle(nul);
    ASSERT_TRUE(started);
    SetEnvironmentVariableW(L"ZS_SAFE_SAVE_CHILD", nullptr);
    Sleep(static_cast<DWORD>(delayMs) + 150);  // a program's start costs more under Windows
    TerminateProcess(child.hProcess, 9);
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
#else
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) SaveAndExportForever(m_folder);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
#endif
    ExpectNothingPartial(m_folder, exports);
    if (HasFailure()) return;
  }
  EXPECT_GT(exports, 0u) << "the kills came too early to test anything";
}

// The child of the test above, in its own process; does nothing when run on its own.
TEST(SafeSaveChild, SavesAndExportsUntilKilled) {
  const char* folder = std::getenv(kChildVariable);
  if (folder == nullptr) GTEST_SKIP() << "run by AProcessKilledAnywhereInASaveOrExportLeavesNothingPartial";
  SaveAndExportForever(fs::u8path(folder));
}

#ifdef _WIN32
// Another program (a virus scanner, a backup) holds the copy without sharing for a moment.
TEST_F(SafeSave, ACopyLockedForAMomentIsReadOnceItIsFree) {
  const fs::path state = m_folder / "PHONE.contacts.json";
  {
    ContactBook book;
    std::string error;
    book.Open(Phone(12), state, error);
    book.Remove(L"gen-3");
    ASSERT_TRUE(book.Persist(error)) << error;
  }
  HANDLE lock = CreateFileW(state.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  std::thread release([lock] {
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    CloseHandle(lock);
  });
  ContactBook book;
  std::string error;
  book.Open(Phone(12), state, error);
  release.join();
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_EQ(book.Count(), 11u);
  EXPECT_TRUE(book.KeptAs().empty());
}

// Held for good: nothing is written over it, and nothing is moved.
TEST_F(SafeSave, ACopyHeldForGoodIsNeitherReplacedNorMoved) {
  const fs::path state = m_folder / "PHONE.contacts.json";
  Spit(state, "{\"format\": \"zorvane-steward-contacts\", \"version\": 1, \"contacts\": []}");
  HANDLE lock = CreateFileW(state.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  ContactBook book;
  std::string error;
  book.Open(Phone(5), state, error);
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(book.KeptAs().empty());
  EXPECT_EQ(book.Count(), 5u);
  book.Add(DemoContact());
  EXPECT_FALSE(book.Persist(error));
  CloseHandle(lock);
  EXPECT_EQ(Slurp(state), "{\"format\": \"zorvane-steward-contacts\", \"version\": 1, \"contacts\": []}");
}
#endif

}  // namespace
