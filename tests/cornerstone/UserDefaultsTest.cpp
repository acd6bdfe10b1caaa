// Settings stores on real files: loading, fallbacks, the per-user store's
// atomic save and its recovery from a damaged file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "contracts/cornerstone/Cornerstone.h"
#include "tests/cornerstone/TestSupport.h"

using testsupport::MakeTempFolder;
using testsupport::ReadBytes;
using testsupport::WriteBytes;

namespace {

bool WriteText(const std::wstring& path, const std::string& text) { return WriteBytes(path, text.data(), text.size()); }

std::wstring StandardFolder(const std::wstring& maker, const std::wstring& product) {
  wchar_t* appData = BASUtilitySys::GetAppDataDir();
  std::wstring folder = std::wstring(appData) + maker + L"\\" + product + L"\\";
  std::free(appData);
  return folder;
}

std::wstring UniqueProduct() { return L"Steward Test " + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount()); }

}  // namespace

TEST(UserDefaults, LoadsNamedStoreAndReadsColonKeys) {
  std::wstring folder = MakeTempFolder(L"ud");
  std::wstring path = folder + L"Option.json";
  ASSERT_TRUE(WriteText(path, "\xEF\xBB\xBF{\"url\":{\"feedback\":\"https://example.test/fb\"},"
                              "\"color\":{\"title\":{\"background\":\"#204060\"}},\"task\":{\"visible\":1}}"));
  ASSERT_TRUE(BASUserDefaults::InitUserDefaults("ud-load", path.c_str()));
  BASUserDefaults* store = BASUserDefaults::GetUserDefaults("ud-load");
  ASSERT_NE(store, nullptr);
  EXPECT_TRUE(store->IsOk());
  EXPECT_STREQ(store->GetString("url:feedback"), "https://example.test/fb");
  EXPECT_EQ(store->GetRGB("color:title:background"), RGB(0x20, 0x40, 0x60));
  EXPECT_EQ(store->GetRGB("color:missing"), RGB(0, 0, 0));
  EXPECT_EQ(store->GetRGB("color:missing", RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(store->GetRGB("url:feedback", RGB(1, 2, 3)), RGB(1, 2, 3));  // not a colour
  EXPECT_EQ(store->GetRGB("color:title:background", RGB(1, 2, 3)), RGB(0x20, 0x40, 0x60));
  EXPECT_EQ(store->GetInt("task:visible"), 1);
  EXPECT_TRUE(store->HasMember("color:title"));
  EXPECT_EQ(store->GetValueObject("url:feedback"), nullptr);
  EXPECT_STREQ(store->GetString(nullptr), "");
  EXPECT_FALSE(store->WriteAll());  // a settings domain is read-only
}

TEST(UserDefaults, BadFilesFailWithoutAHalfLoadedStore) {
  std::wstring folder = MakeTempFolder(L"udbad");
  EXPECT_FALSE(BASUserDefaults::InitUserDefaults("ud-missing", (folder + L"nothing.json").c_str()));
  EXPECT_EQ(BASUserDefaults::GetUserDefaults("ud-missing"), nullptr);
  EXPECT_FALSE(BASUserDefaults::InitUserDefaults("ud-missing", folder.c_str()));  // a folder, not a file
  EXPECT_FALSE(BASUserDefaults::InitUserDefaults(nullptr, folder.c_str()));
  EXPECT_FALSE(BASUserDefaults::InitUserDefaults("ud-missing", nullptr));

  std::wstring bad = folder + L"bad.json";
  ASSERT_TRUE(WriteText(bad, "{\"url\": {\"feedback\": "));
  EXPECT_FALSE(BASUserDefaults::InitUserDefaults("ud-bad", bad.c_str()));
  EXPECT_EQ(BASUserDefaults::GetUserDefaults("ud-bad"), nullptr);

  // Reloading a known store from a damaged file keeps what it had.
  std::wstring good = folder + L"good.json";
  ASSERT_TRUE(WriteText(good, "{\"a\":\"1\"}"));
  ASSERT_TRUE(BASUserDefaults::InitUserDefaults("ud-reload", good.c_str()));
  EXPECT_FALSE(BASUserDefaults::InitUserDefaults("ud-reload", bad.c_str()));
  EXPECT_STREQ(BASUserDefaults::GetUserDefaults("ud-reload")->GetString("a"), "1");
}

TEST(UserDefaults, StandardStoreSurvivesARestart) {
  const std::wstring maker = L"ZorvaneTest", product = UniqueProduct();
  ASSERT_TRUE(BASUserDefaults::InitStandardUserDefaults(maker.c_str(), product.c_str()));
  BASUserDefaults* store = BASUserDefaults::StandardUserDefaults();
  ASSERT_TRUE(store->IsOk());
  EXPECT_STREQ(store->GetString("contact:export:dir"), "");
  ASSERT_TRUE(store->SetString("contact:export:dir", "C:\\Users\\Zoë\\Контакты"));
  ASSERT_TRUE(store->WriteAll());

  std::wstring file = StandardFolder(maker, product) + L"UserDefaults.json";
  EXPECT_TRUE(BASUtilityFile::IsFileExist(file.c_str()));
  EXPECT_FALSE(BASUtilityFile::IsFileExist((file + L".tmp").c_str()));

  // Opening it again, as the next start of the program does, reads the value back.
  ASSERT_TRUE(BASUserDefaults::InitStandardUserDefaults(maker.c_str(), product.c_str()));
  EXPECT_EQ(BASUserDefaults::StandardUserDefaults(), store);
  EXPECT_STREQ(store->GetString("contact:export:dir"), "C:\\Users\\Zoë\\Контакты");
}

TEST(UserDefaults, DamagedStoreIsMovedAsideAndAFreshOneBegins) {
  const std::wstring maker = L"ZorvaneTest", product = UniqueProduct();
  std::wstring folder = StandardFolder(maker, product);
  ASSERT_TRUE(BASUserDefaults::InitStandardUserDefaults(maker.c_str(), product.c_str()));
  std::wstring file = folder + L"UserDefaults.json";
  ASSERT_TRUE(WriteText(file, "{\"contact\": {\"export\""));

  ASSERT_TRUE(BASUserDefaults::InitStandardUserDefaults(maker.c_str(), product.c_str()));
  BASUserDefaults* store = BASUserDefaults::StandardUserDefaults();
  EXPECT_TRUE(store->IsOk());
  EXPECT_FALSE(store->HasMember("contact"));
  EXPECT_EQ(ReadBytes(file + L".corrupt"), "{\"contact\": {\"export\"");
  ASSERT_TRUE(store->SetString("k", "v"));
  EXPECT_TRUE(store->WriteAll());
  EXPECT_NE(ReadBytes(file).find("\"v\""), std::string::npos);

  // Damaged again: the first damaged file stays, the second gets the next number.
  ASSERT_TRUE(WriteText(file, "[second"));
  ASSERT_TRUE(BASUserDefaults::InitStandardUserDefaults(maker.c_str(), product.c_str()));
  EXPECT_EQ(ReadBytes(file + L".corrupt"), "{\"contact\": {\"export\"");
  EXPECT_EQ(ReadBytes(file + L".corrupt-2"), "[second");
}

TEST(UserDefaults, FailedWriteLeavesThePreviousFileWhole) {
  const std::wstring maker = L"ZorvaneTest", product = UniqueProduct();
  ASSERT_TRUE(BASUserDefaults::InitStandardUserDefaults(maker.c_str(), product.c_str()));
  BASUserDefaults* store = BASUserDefaults::StandardUserDefaults();
  store->SetString("k", "old");
  ASSERT_TRUE(store->WriteAll());
  std::wstring file = StandardFolder(maker, product) + L"UserDefaults.json";
  std::string before = ReadBytes(file);

  // A folder where the temporary file would go makes the write fail part-way.
  ASSERT_TRUE(CreateDirectoryW((file + L".tmp").c_str(), nullptr));
  store->SetString("k", "new");
  EXPECT_FALSE(store->WriteAll());
  EXPECT_EQ(ReadBytes(file), before);
  RemoveDirectoryW((file + L".tmp").c_str());
  EXPECT_TRUE(store->WriteAll());
  EXPECT_NE(ReadBytes(file).find("\"new\""), std::string::npos);
}

TEST(UserDefaults, StandardStoreNeedsNames) {
  EXPECT_FALSE(BASUserDefaults::InitStandardUserDefaults(nullptr, L"x"));
  EXPECT_FALSE(BASUserDefaults::InitStandardUserDefaults(L"", L"x"));
  EXPECT_NE(BASUserDefaults::StandardUserDefaults(), nullptr);
}
