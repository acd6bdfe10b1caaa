// GDI+ for the whole run of a test program that draws or reads images.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "kit/GdiPlus.h"

class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { m_session = std::make_unique<GdiplusSession>(); }
  void TearDown() override { m_session.reset(); }

 private:
  std::unique_ptr<GdiplusSession> m_session;
};

inline ::testing::Environment* const g_gdiplusEnvironment =
    ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);
