// The labels and icons read from phones' packages, kept by package and version code: found again
// only for the same version, never for a half-written entry, and never written outside the
// cache's folder whatever a phone calls its package.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "modules/courier/AppLabelCache.h"

namespace {

class AppLabels : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = std::filesystem::temp_directory_path() /
             ("zs-app-labels-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(m_root);
    m_folder = m_root / "Phones" / "AppLabels";
  }
  void TearDown() override { std::filesystem::remove_all(m_root); }

  std::filesystem::path m_root;
  std::filesystem::path m_folder;
};

TEST_F(AppLabels, KeptByPackageAndVersionCode) {
  AppLabelCache cache(m_folder);
  std::string label;
  std::string icon;
  EXPECT_FALSE(cache.Find("com.kestrel.runtracker", 720, label, icon));
  const std::string png("\x89PNG\r\n\x1a\n\0\0rest", 14);
  ASSERT_TRUE(cache.Keep("com.kestrel.runtracker", 720, "Kestrel Run \xc3\xa9", png));
  ASSERT_TRUE(cache.Find("com.kestrel.runtracker", 720, label, icon));
  EXPECT_EQ(label, "Kestrel Run \xc3\xa9");
  EXPECT_EQ(icon, png);
  EXPECT_FALSE(cache.Find("com.kestrel.runtracker", 721, label, icon)) << "an update may bring a new label";
  EXPECT_FALSE(cache.Find("com.kestrel.runtracker", -1, label, icon)) << "an unknown version is no version";

  // A package without an icon keeps its label alone.
  ASSERT_TRUE(cache.Keep("org.plain", 3, "Plain", ""));
  ASSERT_TRUE(cache.Find("org.plain", 3, label, icon));
  EXPECT_TRUE(icon.empty());

  // An entry whose label never got written (the program ended between its two files) is none.
  std::ofstream(m_folder / "org.half@1.png", std::ios::binary) << png;
  EXPECT_FALSE(cache.Find("org.half", 1, label, icon));
}

TEST_F(AppLabels, NamesThatCouldLeaveTheFolderAreNeverUsedAsPaths) {
  AppLabelCache cache(m_folder);
  for (const char* name : {"../../evil", "..", "a/b", "a\\b", "C:evil", ".hidden", "", "a..b", "a b"}) {
    EXPECT_FALSE(AppLabelCache::IsPackageName(name)) << name;
    EXPECT_FALSE(cache.Keep(name, 1, "x", "")) << name;
  }
  EXPECT_TRUE(AppLabelCache::IsPackageName("com.android.settings"));
  EXPECT_TRUE(AppLabelCache::IsPackageName("org.example_2.app"));
  EXPECT_FALSE(std::filesystem::exists(m_root / "evil@1.label"));
  EXPECT_FALSE(std::filesystem::exists(m_root / "Phones" / "evil@1.label"));

  // No folder (no per-user data): nothing is kept and nothing found.
  AppLabelCache none{std::filesystem::path()};
  std::string label;
  std::string icon;
  EXPECT_FALSE(none.Keep("a.b", 1, "x", ""));
  EXPECT_FALSE(none.Find("a.b", 1, label, icon));
}

}  // namespace
