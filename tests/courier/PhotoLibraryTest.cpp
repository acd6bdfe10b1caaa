// The phones' photos as picture files: what a picture file is (format, size in pixels, whole or
// not) and the per-phone library that keeps them, copies them in and out and survives restarts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "modules/courier/PhotoLibrary.h"
#include "modules/courier/formats/ImageCheck.h"
#include "tests/courier/CourierTestPaths.h"

namespace {

// The shipped pictures: natively in the source folder, under Wine beside libCourier.dll (where
// the system's own copy does the copying).
const std::filesystem::path kMedia = ShippedDemoDataFile().parent_path() / "media";

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

uint32_t Crc(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

void PutBigEndian(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

class PhotoFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::temp_directory_path() /
               ("photo-library-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder / "in");
  }
  void TearDown() override { std::filesystem::remove_all(m_folder); }

  std::filesystem::path In(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = m_folder / "in" / name;
    WriteAll(path, bytes);
    return path;
  }
  DemoPhone Phone() const {
    DemoPhone phone;
    phone.identifier = L"PH1";
    for (const char* name : {"harbour-dawn.jpg", "poppy-field.png"}) {
      DemoPhoto photo;
      photo.identifier = std::string(name) == "poppy-field.png" ? L"p2" : L"p1";
      photo.name = photo.identifier == L"p1" ? L"IMG_1" : L"Mohnfeld";
      photo.format = photo.identifier == L"p1" ? L".jpg" : L".png";
      photo.phonePath = L"/sdcard/DCIM/" + photo.name + photo.format;
      photo.dateCreated = L"2024-06-01 05:42";
      photo.file = kMedia / name;
      phone.photos.push_back(photo);
    }
    return phone;
  }

  std::filesystem::path m_folder;
};

TEST_F(PhotoFiles, WholePicturesAreKnownByTheirBytesAndDamagedOnesAreNamedForTheUser) {
  const ImageCheck png = CheckImageFile(kMedia / "poppy-field.png");
  EXPECT_TRUE(png.ok()) << png.problem;
  EXPECT_EQ(png.format, ImageFormat::kPng);
  EXPECT_EQ(png.width, 96u);
  EXPECT_EQ(png.height, 72u);
  const ImageCheck jpeg = CheckImageFile(kMedia / "harbour-dawn.jpg");
  EXPECT_TRUE(jpeg.ok()) << jpeg.problem;
  EXPECT_EQ(jpeg.format, ImageFormat::kJpeg);
  EXPECT_EQ(jpeg.width, 192u);
  EXPECT_EQ(jpeg.height, 144u);

  const std::string pngBytes = ReadAll(kMedia / "poppy-field.png");
  const std::string jpegBytes = ReadAll(kMedia / "harbour-dawn.jpg");
  EXPECT_EQ(CheckImageFile(In("empty.jpg", "")).problem, "the file is empty");
  EXPECT_EQ(CheckImageFile(In("text.jpg", "Dear Anna,\nthe pictures follow.\n")).problem,
            "not a picture (JPEG, PNG, GIF, BMP or WebP)");
  EXPECT_FALSE(CheckImageFile(In("cut.jpg", jpegBytes.substr(0, jpegBytes.size() / 2))).ok());
  EXPECT_FALSE(CheckImageFile(In("cut.png", pngBytes.substr(0, pngBytes.size() - 20))).ok());
  std::string flipped = pngBytes;
  flipped[flipped.size() / 2] = static_cast<char>(flipped[flipped.size() / 2] ^ 0x40);
  EXPECT_EQ(CheckImageFile(In("flipped.png", flipped)).problem, "the picture is damaged");
  EXPECT_TRUE(CheckImageFile(In("misnamed.gif", pngBytes)).ok()) << "the bytes decide, not the name";

  // 10 000 x 10 000 pixels in a whole file: refused before any decoder sees it.
  std::string huge = pngBytes;
  PutBigEndian(huge, 16, 10000);
  PutBigEndian(huge, 20, 10000);
  PutBigEndian(huge, 29, Crc(huge.substr(12, 17)));
  const ImageCheck large = CheckImageFile(In("huge.png", huge));
  EXPECT_EQ(large.width, 10000u);
  EXPECT_NE(large.problem.find("too large"), std::string::npos) << large.problem;
}

TEST_F(PhotoFiles, TheFirstOpenCopiesTheShippedPicturesAndEveryChangeSurvivesAReopen) {
  const std::filesystem::path library = m_folder / "PH1.photos";
  const std::string shipped = ReadAll(kMedia / "harbour-dawn.jpg");
  std::string error;
  {
    PhotoLibrary photos;
    ASSERT_TRUE(photos.Open(Phone(), library, error)) << error;
    ASSERT_EQ(photos.Photos().size(), 2u);
    const StoredPhoto& first = photos.Photos()[0];
    EXPECT_EQ(first.identifier, L"p1");
    EXPECT_EQ(first.width, 192u);
    EXPECT_EQ(ReadAll(photos.FileOf(first)), shipped);
    EXPECT_NE(photos.FileOf(first), kMedia / "harbour-dawn.jpg") << "the phone's own copy";

    StoredPhoto added;
    std::wstring problem;
    bool stopped = false;
    const std::filesystem::path cake = In("Torte.png", ReadAll(kMedia / "birthday-cake.png"));
    ASSERT_TRUE(photos.Add(cake, L"2026-12-08 12:00", nullptr, added, problem, stopped)) << problem.size();
    EXPECT_EQ(added.name, L"Torte");
    EXPECT_EQ(added.format, L".png");
    EXPECT_EQ(ReadAll(photos.FileOf(added)), ReadAll(cake));
    ASSERT_TRUE(photos.Remove(L"p2", problem));
    EXPECT_FALSE(photos.Remove(L"p2", problem)) << "gone already";
  }
  PhotoLibrary again;
  ASSERT_TRUE(again.Open(Phone(), library, error)) << error;
  ASSERT_EQ(again.Photos().size(), 2u) << "the deleted one stays deleted, the added one stays";
  EXPECT_EQ(again.Photos()[0].identifier, L"p1");
  EXPECT_EQ(again.Photos()[1].name, L"Torte");
  EXPECT_EQ(again.FindByKey(again.Photos()[1].key), &again.Photos()[1]);
  EXPECT_EQ(ReadAll(kMedia / "harbour-dawn.jpg"), shipped) << "shipped files are never written";
}

TEST_F(PhotoFiles, BadPicturesAndCutCopiesLeaveTheLibraryAsItWas) {
  const std::filesystem::path library = m_folder / "PH1.photos";
  std::string error;
  PhotoLibrary photos;
  ASSERT_TRUE(photos.Open(Phone(), library, error));
  const std::string jpegBytes = ReadAll(kMedia / "harbour-dawn.jpg");
  StoredPhoto added;
  std::wstring problem;
  bool stopped = false;
  for (const auto& bad : {In("empty.jpg", ""), In("letter.jpg", "not a picture at all"),
                          In("cut.jpg", jpegBytes.substr(0, 100)), m_folder / "in" / "missing.jpg"}) {
    problem.clear();
    EXPECT_FALSE(photos.Add(bad, L"", nullptr, added, problem, stopped)) << bad;
    EXPECT_NE(problem.find(bad.filename().wstring()), std::wstring::npos) << "the text names the file";
  }
  // The phone goes while the picture is copied: nothing of it is left behind.
  EXPECT_FALSE(photos.Add(
      In("ok.jpg", jpegBytes), L"", [] { return false; }, added, problem, stopped));
  EXPECT_TRUE(stopped);
  EXPECT_EQ(photos.Photos().size(), 2u);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(library)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 3u) << "two pictures and the index, no temporary file";

  // An index that cannot be read is set aside; the pictures are taken in again.
  WriteAll(library / "photos.json", "{\"format\": 1, \"photos\": [");
  PhotoLibrary again;
  ASSERT_TRUE(again.Open(Phone(), library, error));
  EXPECT_EQ(again.Photos().size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(library / "photos.json.corrupt"));
}

TEST_F(PhotoFiles, ACopyNeverOverwritesIsByteIdenticalAndLeavesNothingWhenStopped) {
  const std::filesystem::path source = kMedia / "city-night.jpg";
  for (CopyMode mode : {CopyMode::kWhole, CopyMode::kPlain}) {
    const std::filesystem::path target = m_folder / (mode == CopyMode::kWhole ? "whole.jpg" : "plain.jpg");
    std::string error;
    EXPECT_EQ(CopyFileSafely(source, target, nullptr, error, mode), CopyResult::kCopied) << error;
    EXPECT_TRUE(ReadAll(target) == ReadAll(source));
    WriteAll(target, "mine");
    EXPECT_EQ(CopyFileSafely(source, target, nullptr, error, mode), CopyResult::kTargetExists);
    EXPECT_EQ(ReadAll(target), "mine");
    const std::filesystem::path stopped = m_folder / "stopped.jpg";
    EXPECT_EQ(CopyFileSafely(
                  source, stopped, [] { return false; }, error, mode),
              CopyResult::kStopped);
    EXPECT_EQ(CopyFileSafely(m_folder / "nothing.jpg", m_folder / "x.jpg", nullptr, error, mode), CopyResult::kFailed);
  }
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(m_folder)) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 2u) << "the two copies only: nothing of a stopped or failed copy is left";
}

}  // namespace
