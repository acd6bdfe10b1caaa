#include "modules/extras/ToolkitCatalog.h"

#include "contracts/cornerstone/Cornerstone.h"

#include <cstdlib>

#include <nlohmann/json.hpp>

namespace {

std::string TextOf(const nlohmann::json& entry, const char* key) {
  const auto it = entry.find(key);
  if (it == entry.end()) return std::string();
  return it->is_string() ? it->get<std::string>() : std::string();
}

// "1", or 1 in a hand-edited file.
bool IsHot(const nlohmann::json& entry) {
  const auto it = entry.find("hot");
  if (it != entry.end() && it->is_number_integer()) return it->get<long long>() != 0;
  return std::strtol(TextOf(entry, "hot").c_str(), nullptr, 10) != 0;
}

std::wstring Wide(const std::string& utf8) {
  wchar_t* wide = BASUtilityString::ConvertUtf8ToUnicode(utf8.c_str());
  std::wstring text = wide ? wide : L"";
  std::free(wide);
  return text;
}

}  // namespace

std::vector<ToolkitProduct> ReadToolkitProducts(const nlohmann::json* products) {
  std::vector<ToolkitProduct> out;
  if (!products || !products->is_array()) return out;
  for (const nlohmann::json& entry : *products) {
    if (!entry.is_object()) continue;
    ToolkitProduct product;
    product.name = Wide(TextOf(entry, "name"));
    product.description = Wide(TextOf(entry, "description"));
    product.logo = Wide(TextOf(entry, "logo"));
    product.url = TextOf(entry, "url");
    product.hot = IsHot(entry);
    out.push_back(std::move(product));
  }
  return out;
}

ToolkitLayout LayOutToolkit(size_t hotCount, size_t normalCount, int clientWidth) {
  constexpr int kLeft = 40;
  constexpr int kRightColumn = 520;
  constexpr int kTop = 46;
  constexpr int kGap = 20;
  ToolkitLayout layout;
  for (size_t i = 0; i < hotCount; ++i) {
    const int x = i % 2 == 0 ? kLeft : kRightColumn;
    const int y = kTop + (ToolkitLayout::kHotHeight + kGap) * static_cast<int>(i / 2);
    layout.hot.push_back(RECT{x, y, x + ToolkitLayout::kHotWidth, y + ToolkitLayout::kHotHeight});
  }
  const int hotBottom = layout.hot.empty() ? ToolkitLayout::kHotHeight : layout.hot.back().bottom;
  layout.hotArea = RECT{kLeft, kTop, clientWidth - kLeft, hotBottom};
  const int normalTop = hotBottom + 72;
  for (size_t i = 0; i < normalCount; ++i) {
    const int x = kLeft + (ToolkitLayout::kNormalWidth + kGap) * static_cast<int>(i);
    layout.normal.push_back(
        RECT{x, normalTop, x + ToolkitLayout::kNormalWidth, normalTop + ToolkitLayout::kNormalHeight});
  }
  layout.scrollRange = hotBottom + ToolkitLayout::kNormalHeight + 102;
  return layout;
}
