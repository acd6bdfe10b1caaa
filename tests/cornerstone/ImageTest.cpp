// Images from files and memory, and the grey copies used for disabled buttons.
#include <gtest/gtest.h>
#include <objbase.h>
#include <gdiplus.h>

#include <memory>

#include "contracts/cornerstone/Cornerstone.h"
#include "tests/cornerstone/TestSupport.h"

using testsupport::kRedPng;

TEST(Images, LoadFromFileAndMemory) {
  std::wstring folder = testsupport::MakeTempFolder(L"img");
  std::wstring path = folder + L"red.png";
  ASSERT_TRUE(testsupport::WriteBytes(path, kRedPng, sizeof kRedPng));
  std::unique_ptr<Gdiplus::Bitmap> bitmap(BASUtilityImage::GetBitmap(path.c_str(), 96, 96));
  ASSERT_TRUE(bitmap);
  EXPECT_EQ(bitmap->GetWidth(), 2u);
  EXPECT_EQ(bitmap->GetHorizontalResolution(), 96.0f);
  // The file is not held open: it can be replaced while the bitmap lives.
  EXPECT_TRUE(DeleteFileW(path.c_str()));
  Gdiplus::Color c;
  ASSERT_EQ(bitmap->GetPixel(1, 1, &c), Gdiplus::Ok);
  EXPECT_EQ(c.GetR(), 255);

  std::unique_ptr<Gdiplus::Bitmap> fromMemory(BASMemImage::mi_from_memory(kRedPng, sizeof kRedPng));
  ASSERT_TRUE(fromMemory);
  EXPECT_EQ(fromMemory->GetHeight(), 2u);
}

TEST(Images, MissingOrBrokenImagesAnswerNull) {
  std::wstring folder = testsupport::MakeTempFolder(L"imgbad");
  EXPECT_EQ(BASUtilityImage::GetBitmap((folder + L"none.png").c_str(), 96, 96), nullptr);
  EXPECT_EQ(BASUtilityImage::GetBitmap(folder.c_str(), 96, 96), nullptr);
  EXPECT_EQ(BASUtilityImage::GetBitmap(nullptr, 96, 96), nullptr);
  std::wstring junk = folder + L"junk.png";
  ASSERT_TRUE(testsupport::WriteBytes(junk, "not an image at all", 19));
  EXPECT_EQ(BASUtilityImage::GetBitmap(junk.c_str(), 96, 96), nullptr);
  std::wstring truncated = folder + L"cut.png";
  ASSERT_TRUE(testsupport::WriteBytes(truncated, kRedPng, 20));
  EXPECT_EQ(BASUtilityImage::GetBitmap(truncated.c_str(), 96, 96), nullptr);
  std::wstring empty = folder + L"empty.png";
  ASSERT_TRUE(testsupport::WriteBytes(empty, "", 0));
  EXPECT_EQ(BASUtilityImage::GetBitmap(empty.c_str(), 96, 96), nullptr);
  EXPECT_EQ(BASMemImage::mi_from_memory("xyz", 3), nullptr);
  EXPECT_EQ(BASMemImage::mi_from_memory(nullptr, 10), nullptr);
  EXPECT_EQ(BASUtilityImage::ConvertToGray(nullptr), nullptr);
}

TEST(Images, GreyCopyKeepsSizeAndAlpha) {
  Gdiplus::Bitmap source(4, 3, PixelFormat32bppARGB);
  source.SetPixel(0, 0, Gdiplus::Color(255, 255, 0, 0));
  source.SetPixel(1, 0, Gdiplus::Color(0, 0, 0, 0));
  source.SetPixel(2, 0, Gdiplus::Color(255, 0, 0, 255));
  std::unique_ptr<Gdiplus::Bitmap> gray(BASUtilityImage::ConvertToGray(&source));
  ASSERT_TRUE(gray);
  EXPECT_EQ(gray->GetWidth(), 4u);
  EXPECT_EQ(gray->GetHeight(), 3u);
  Gdiplus::Color red, clear, blue;
  gray->GetPixel(0, 0, &red);
  gray->GetPixel(1, 0, &clear);
  gray->GetPixel(2, 0, &blue);
  EXPECT_EQ(red.GetA(), 255);
  EXPECT_NEAR(red.GetR(), red.GetG(), 1);
  EXPECT_NEAR(red.GetG(), red.GetB(), 1);
  EXPECT_NEAR(red.GetR(), 76, 3);  // 0.299 * 255
  EXPECT_LT(blue.GetR(), red.GetR());  // blue is darker than red in grey
  EXPECT_EQ(clear.GetA(), 0);
}
