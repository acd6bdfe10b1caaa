// The toolkit page's products and where their tiles go, without a window: the entries read
// from the "product" array of Toolbox.json, and the page geometry (two columns of large "hot"
// tiles, then one row of normal tiles).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

struct ToolkitProduct {
  std::wstring name;
  std::wstring description;
  std::wstring logo;  // file name in the theme's super-toolkit folder
  std::string url;    // UTF-8, as the browser gets it
  bool hot = false;
};

// The entries of a "product" array in file order. Anything that is not an array gives none; an
// entry that is not an object is skipped; a missing or non-text value reads as empty.
std::vector<ToolkitProduct> ReadToolkitProducts(const nlohmann::json* products);

struct ToolkitLayout {
  static constexpr int kHotWidth = 410;
  static constexpr int kHotHeight = 196;
  static constexpr int kNormalWidth = 132;
  static constexpr int kNormalHeight = 172;

  std::vector<RECT> hot;  // in page coordinates, before scrolling
  std::vector<RECT> normal;
  RECT hotArea{};
  int scrollRange = 0;  // the page's height: the scroll bar runs from 0 to here
};

ToolkitLayout LayOutToolkit(size_t hotCount, size_t normalCount, int clientWidth);
