#include "modules/extras/DhToolkitDelegate.h"

#include "contracts/cornerstone/Cornerstone.h"

#include <algorithm>

namespace {

constexpr wchar_t kClassName[] = L"ZsToolkitDelegate";
constexpr char kStore[] = "toolbox";
constexpr char kColorStore[] = "url";
constexpr int kSeparatorY = 57;
constexpr int kSeparatorLeft = 16;
constexpr int kAccentHeight = 6;
constexpr int kWheelStep = 60;

std::unique_ptr<Gdiplus::Bitmap> LoadImage(const std::wstring& path) {
  return std::unique_ptr<Gdiplus::Bitmap>(BASUtilityImage::GetBitmap(path.c_str(), 96, 96));
}

}  // namespace

DhToolkitDelegate::~DhToolkitDelegate() {
  // The tiles' windows go with the page's; destroy the page while the tiles still live.
  Destroy();
}

bool DhToolkitDelegate::CreateIn(HWND parent, const RECT& rect, const std::wstring& toolboxPath,
                                 const std::wstring& themesDir) {
  m_toolboxPath = toolboxPath;
  m_themesDir = themesDir;
  return Create(parent, kClassName, L"", WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL, 0, rect);
}

bool DhToolkitDelegate::OnCreate(CREATESTRUCTW*) {
  BASTrace("DhToolkitDelegate: begin");
  if (BASUserDefaults* colors = BASUserDefaults::GetUserDefaults(kColorStore)) {
    m_accent = colors->GetRGB("color:title:category:background", m_accent);
  }
  m_backgroundBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  m_nameFont.Reset(BASUtilityApp::GetFont(18, true, L"Arial"));
  m_descriptionFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_labelFont.Reset(BASUtilityApp::GetFont(15, false, L"Arial"));
  m_buttonFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_badge = LoadImage(m_themesDir + L"super-toolkit\\new.png");
  m_downloadIcon = LoadImage(m_themesDir + L"super-toolkit\\download-normal.png");
  LoadProducts();
  RECT client{};
  GetClientRect(Hwnd(), &client);
  m_separatorRight = client.right - kSeparatorLeft;
  LayOut();
  return true;
}

void DhToolkitDelegate::LoadProducts() {
  const bool loaded = BASUserDefaults::InitUserDefaults(kStore, m_toolboxPath.c_str());
  BASUserDefaults* store = BASUserDefaults::GetUserDefaults(kStore);
  if (!loaded || !store) {
    BASTrace("DhToolkitDelegate: no products (Toolbox.json missing or unreadable)");
    return;
  }
  ProductViewLook look;
  look.nameFont = m_nameFont.Get();
  look.descriptionFont = m_descriptionFont.Get();
  look.labelFont = m_labelFont.Get();
  look.buttonFont = m_buttonFont.Get();
  if (BASUserDefaults* colors = BASUserDefaults::GetUserDefaults(kColorStore)) {
    look.hover = colors->GetRGB("color:operator:background", look.hover);
    look.buttonNormal = colors->GetRGB("color:toolbar:download:button:normal", look.buttonNormal);
    look.buttonPressed = colors->GetRGB("color:toolbar:download:button:pressed", look.buttonPressed);
  }
  look.badge = m_badge.get();
  look.downloadIcon = m_downloadIcon.get();
  for (const ToolkitProduct& product : ReadToolkitProducts(store->GetValueObject("product"))) {
    // A logo name may not climb out of the theme's folder.
    std::unique_ptr<Gdiplus::Bitmap> logo;
    if (!product.logo.empty() && product.logo.find(L"..") == std::wstring::npos)
      logo = LoadImage(m_themesDir + L"super-toolkit\\" + product.logo);
    auto tile = std::make_unique<DhProductView>(product, std::move(logo), look);
    if (!tile->Create(Hwnd(), RECT{0, 0, 0, 0})) continue;
    (product.hot ? m_hot : m_normal).push_back(std::move(tile));
  }
}

DhProductView* DhToolkitDelegate::Tile(bool hot, size_t index) const {
  const auto& tiles = hot ? m_hot : m_normal;
  return index < tiles.size() ? tiles[index].get() : nullptr;
}

void DhToolkitDelegate::ChangeSize(int width, int height) {
  if (!Hwnd()) return;
  // The page fills the area it is given, its scroll bar inside it: a page wider than the area
  // would hide the bar behind the parent's edge.
  SetWindowPos(Hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_separatorRight = width - kSeparatorLeft;
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhToolkitDelegate::OnSize(int, int) { LayOut(); }

void DhToolkitDelegate::LayOut() {
  if (!Hwnd()) return;
  RECT client{};
  GetClientRect(Hwnd(), &client);
  m_layout = LayOutToolkit(m_hot.size(), m_normal.size(), client.right);
  UpdateScrollBar();
  HDWP moves = BeginDeferWindowPos(static_cast<int>(m_hot.size() + m_normal.size()));
  auto place = [&](DhProductView& tile, const RECT& rect) {
    if (moves)
      moves = DeferWindowPos(moves, tile.Hwnd(), nullptr, rect.left, rect.top - m_scroll, rect.right - rect.left,
                             rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  for (size_t i = 0; i < m_hot.size(); ++i) place(*m_hot[i], m_layout.hot[i]);
  for (size_t i = 0; i < m_normal.size(); ++i) place(*m_normal[i], m_layout.normal[i]);
  if (moves) EndDeferWindowPos(moves);
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhToolkitDelegate::UpdateScrollBar() {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const int maxPosition = std::max(0, m_layout.scrollRange - static_cast<int>(client.bottom));
  m_scroll = std::min(m_scroll, maxPosition);
  SCROLLINFO info{sizeof(info),
                  SIF_RANGE | SIF_PAGE | SIF_POS,
                  0,
                  m_layout.scrollRange,
                  static_cast<UINT>(std::max<LONG>(0, client.bottom)),
                  m_scroll,
                  0};
  SetScrollInfo(Hwnd(), SB_VERT, &info, TRUE);
}

void DhToolkitDelegate::ScrollTo(int position) {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const int maxPosition = std::max(0, m_layout.scrollRange - static_cast<int>(client.bottom));
  position = std::max(0, std::min(position, maxPosition));
  if (position == m_scroll) return;
  m_scroll = position;
  LayOut();
}

void DhToolkitDelegate::OnVScroll(int request) {
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  GetScrollInfo(Hwnd(), SB_VERT, &info);
  int position = m_scroll;
  switch (request) {
    case SB_LINEUP:
      position -= 20;
      break;
    case SB_LINEDOWN:
      position += 20;
      break;
    case SB_PAGEUP:
      position -= static_cast<int>(info.nPage);
      break;
    case SB_PAGEDOWN:
      position += static_cast<int>(info.nPage);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      position = info.nTrackPos;
      break;
    case SB_TOP:
      position = 0;
      break;
    case SB_BOTTOM:
      position = info.nMax;
      break;
    default:
      return;
  }
  ScrollTo(position);
}

void DhToolkitDelegate::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, m_backgroundBrush.Get());
  GdiBrush accent(CreateSolidBrush(m_accent));
  const RECT band{client.left, client.top, client.right, client.top + kAccentHeight};
  FillRect(dc, &band, accent.Get());
  GdiPen separator(CreatePen(PS_SOLID, 1, RGB(171, 171, 171)));
  SelectGuard pen(dc, separator);
  const int y = kSeparatorY - m_scroll;
  MoveToEx(dc, kSeparatorLeft, y, nullptr);
  LineTo(dc, m_separatorRight, y);
}

LRESULT DhToolkitDelegate::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case kAddToolkitMessage:
      handled = true;
      return 0;
    case WM_VSCROLL:
      handled = true;
      OnVScroll(LOWORD(wp));
      return 0;
    case WM_MOUSEWHEEL: {
      handled = true;
      m_wheelRest += GET_WHEEL_DELTA_WPARAM(wp);
      const int notches = m_wheelRest / WHEEL_DELTA;
      m_wheelRest -= notches * WHEEL_DELTA;
      if (notches != 0) ScrollTo(m_scroll - notches * kWheelStep);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      handled = true;
      SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    default:
      return BASWindow::HandleMessage(msg, wp, lp, handled);
  }
}
