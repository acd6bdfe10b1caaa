#include "modules/handset/DhMyDeviceDelegate.h"

#include "modules/handset/DhMyDeviceQrDialog.h"

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/DeviceRecord.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/handset/DhMyDeviceConnectWindow.h"
#include "modules/handset/HandsetModule.h"
#include "modules/handset/HandsetTexts.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

const wchar_t kClassName[] = L"DhMyDeviceDelegate";
constexpr int kTabTop = 4;
constexpr int kTabGap = 4;
constexpr int kWifiRightMargin = 10;
constexpr int kAccentLine = 6;
constexpr COLORREF kTabText = RGB(127, 127, 127);

// Tab control ids run on across panes, so no two tabs of the process share one.
UINT g_nextTabId = 7000;

// The device record the host may add to a notice; only trusted when it names the same phone.
const DeviceRecord* RecordOfNotice(const CommandRecord& record, const std::wstring& deviceId) {
  const auto* device = static_cast<const DeviceRecord*>(record.data);
  if (!device) return nullptr;
  if (!deviceId.empty() && !device->identifier.empty() && device->identifier != deviceId) return nullptr;
  return device;
}

}  // namespace

DhMyDeviceDelegate::DhMyDeviceDelegate() = default;
DhMyDeviceDelegate::~DhMyDeviceDelegate() = default;

bool DhMyDeviceDelegate::CreateIn(HWND parent, const RECT& rect, FinalHandler onFinal) {
  // A stock brush: the class outlives every pane.
  if (!RegisterWindowClass(kClassName, CS_HREDRAW | CS_VREDRAW, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))))
    return false;
  if (!Create(parent, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect)) return false;
  // Only a pane that exists is handed back to its owner when its window goes.
  m_onFinal = onFinal;
  return true;
}

bool DhMyDeviceDelegate::OnCreate(CREATESTRUCTW*) {
  BASTrace("DhMyDeviceDelegate: %p", static_cast<void*>(Hwnd()));
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LINK_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  m_stripColor = UrlColor("color:mydevice:devicelist:background", RGB(230, 245, 238));
  m_accentColor = UrlColor("color:title:category:background", RGB(230, 245, 238));
  m_selectedColor = UrlColor("color:mydevice:devicelist:selected:background", RGB(255, 255, 255));
  m_stripBrush.Reset(CreateSolidBrush(m_stripColor));
  m_accentBrush.Reset(CreateSolidBrush(m_accentColor));
  m_whiteBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  m_tabFont.Reset(BASUtilityApp::GetFont(18, true, L"Arial"));
  const ModuleRecord* module = HandsetModuleRecord();
  m_images.Load(module ? module->imageCache : nullptr);

  if (!CreateWifiButton()) return false;
  DeviceTab* first = CreateTab(std::wstring());
  if (!first) return false;
  SelectTab(first->button->Hwnd());
  return true;
}

bool DhMyDeviceDelegate::CreateWifiButton() {
  if (!m_wifiButton.Create(Hwnd(), kWifiButtonId)) return false;
  // The image's rounded corners show the strip.
  m_wifiButton.SetBackground(m_stripColor);
  m_wifiButton.Place(m_images.Get(handset_image::kWifiPressed), -kWifiRightMargin,
                     m_images.Get(handset_image::kWifiNormal), (kStripHeight - 32) / 2);
  SetWindowTextW(m_wifiButton.Hwnd(), handset_text::kConnectViaWifi);

  m_tooltip =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, ModuleInstance(), nullptr);
  if (!m_tooltip) {
    // The button works without its tooltip.
    BASTrace("DhMyDeviceDelegate: tooltip GetLastError: %lu", GetLastError());
    return true;
  }
  TTTOOLINFOW tool{};
  // The size every comctl32 version accepts.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = Hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(m_wifiButton.Hwnd());
  tool.lpszText = const_cast<wchar_t*>(handset_text::kConnectViaWifi);
  SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  return true;
}

DhMyDeviceDelegate::DeviceTab* DhMyDeviceDelegate::CreateTab(const std::wstring& name) {
  DeviceTab tab;
  tab.button = std::make_unique<BASSwitchImageButton>();
  BASSwitchImageButton& button = *tab.button;
  if (!button.Create(Hwnd(), g_nextTabId++)) return nullptr;
  button.SetFont(m_tabFont.Get());
  button.SetLayout(BASSwitchImageButton::kIconAbove);
  button.SetMargins(20, 4);
  button.SetCornerImages(m_images.Get(handset_image::kDeviceCloseNormal),
                         m_images.Get(handset_image::kDeviceClosePressed));
  button.SetSeparator(true);
  Gdiplus::Bitmap* readyIcon = m_images.Get(handset_image::kConnectedPhone);
  if (!m_notReadyIcon && readyIcon) m_notReadyIcon.reset(BASUtilityImage::ConvertToGray(readyIcon));
  Gdiplus::Bitmap* icon = m_notReadyIcon ? m_notReadyIcon.get() : readyIcon;
  const std::wstring text = name.empty() ? std::wstring(handset_text::kNoDevice) : name;
  button.Place(m_stripColor, m_selectedColor, icon, icon, text, 2, kTabTop);
  button.SetNormalColors(m_stripColor, kTabText);
  button.SetSelectedColors(m_selectedColor, RGB(0, 0, 0));
  SetWindowTextW(button.Hwnd(), text.c_str());
  const HWND tabWindow = button.Hwnd();

  RECT client{};
  GetClientRect(Hwnd(), &client);
  const RECT wizardRect{0, kStripHeight, client.right, std::max<LONG>(kStripHeight, client.bottom)};
  tab.wizard = std::make_unique<DhMyDeviceConnectWindow>();
  if (!tab.wizard->CreateIn(Hwnd(), tabWindow, &m_images, wizardRect)) {
    BASTrace("DhMyDeviceDelegate: no wizard for tab %p", static_cast<void*>(tabWindow));
    return nullptr;
  }
  const HWND wizardWindow = tab.wizard->Hwnd();
  m_model.AddTab(tabWindow);
  DeviceTab& stored = m_tabs[tabWindow] = std::move(tab);
  LayoutStrip(m_model.IndexOf(tabWindow));

  DeviceEntry entry;
  entry.tabWindow = tabWindow;
  entry.wizardWindow = wizardWindow;
  CommandRecord record;
  record.data = &entry;
  PostToHandsetHost(kHandsetBingingButton, record);
  return &stored;
}

DhMyDeviceDelegate::DeviceTab* DhMyDeviceDelegate::TabOf(HWND tab) {
  const auto it = m_tabs.find(tab);
  return it == m_tabs.end() ? nullptr : &it->second;
}

void DhMyDeviceDelegate::ShowReadyMark(DeviceTab& tab, bool ready) {
  if (tab.ready == ready) return;
  tab.ready = ready;
  Gdiplus::Bitmap* readyIcon = m_images.Get(handset_image::kConnectedPhone);
  Gdiplus::Bitmap* icon = ready || !m_notReadyIcon ? readyIcon : m_notReadyIcon.get();
  tab.button->SetIcons(icon, icon);
}

void DhMyDeviceDelegate::ShowNoPhoneHelp(DeviceTab& tab) {
  // Status 0, "not detected": the page with the steps that bring a phone in.
  StatusNotice notice;
  notice.status = 0;
  tab.wizard->ApplyStatus(notice);
}

void DhMyDeviceDelegate::SetTabText(DeviceTab& tab, const std::wstring& name) {
  const std::wstring text = name.empty() ? std::wstring(handset_text::kNoDevice) : name;
  tab.button->SetText(text);
  SetWindowTextW(tab.button->Hwnd(), text.c_str());
  LayoutStrip(m_model.IndexOf(tab.button->Hwnd()));
}

void DhMyDeviceDelegate::LayoutStrip(int from) {
  const std::vector<HWND>& order = m_model.Tabs();
  std::vector<int> widths;
  widths.reserve(order.size());
  for (HWND tab : order) {
    DeviceTab* entry = TabOf(tab);
    widths.push_back(entry ? entry->button->Width() : 0);
  }
  // One gap for every neighbour: a removal closes up the strip with the usual spacing.
  const std::vector<int> positions = StripPositions(widths, kTabGap);
  for (size_t i = static_cast<size_t>(std::max(from, 0)); i < order.size(); ++i)
    if (DeviceTab* entry = TabOf(order[i])) entry->button->MoveTo(positions[i], kTabTop);
}

void DhMyDeviceDelegate::PlaceWizard(DhMyDeviceConnectWindow& wizard) {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  SetWindowPos(wizard.Hwnd(), nullptr, 0, kStripHeight, client.right, std::max<LONG>(0, client.bottom - kStripHeight),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void DhMyDeviceDelegate::ChangeSize(int width, int height) {
  SetWindowPos(Hwnd(), nullptr, 0, 0, std::max(width, 0), std::max(height, 0),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Layout();
}

void DhMyDeviceDelegate::OnSize(int, int) { Layout(); }

void DhMyDeviceDelegate::Layout() {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  if (DeviceTab* selected = TabOf(m_model.Selected())) PlaceWizard(*selected->wizard);
  if (m_wifiButton.Hwnd())
    SetWindowPos(m_wifiButton.Hwnd(), nullptr, client.right - m_wifiButton.Width() - kWifiRightMargin,
                 (kStripHeight - m_wifiButton.Height()) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhMyDeviceDelegate::OnPaint(HDC dc, const RECT& client) {
  const RECT strip{client.left, client.top, client.right, client.top + kStripHeight};
  FillRect(dc, &strip, m_stripBrush.Get());
  const RECT rest{client.left, strip.bottom, client.right, client.bottom};
  FillRect(dc, &rest, m_whiteBrush.Get());
  const RECT accent{client.left, client.top, client.right, client.top + kAccentLine};
  FillRect(dc, &accent, m_accentBrush.Get());
}

bool DhMyDeviceDelegate::OnCommand(int id, int, HWND control) {
  if (id == static_cast<int>(kWifiButtonId)) {
    PressWifiButton();
    return true;
  }
  DeviceTab* tab = TabOf(control);
  if (!tab) return false;
  if (tab->button->CornerHit()) {
    // The press selected the button's look; only the removal was meant.
    if (control != m_model.Selected()) tab->button->SetState(BASSwitchButton::kNormal);
    AskToRemove(control);
  } else {
    SelectTab(control);
  }
  return true;
}

void DhMyDeviceDelegate::SelectTab(HWND tabWindow) {
  if (tabWindow == m_model.Selected()) return;
  DeviceTab* next = TabOf(tabWindow);
  if (!next) return;
  DeviceTab* previous = TabOf(m_model.Selected());
  m_model.SetSelected(tabWindow);
  next->button->SetState(BASSwitchButton::kSelected);
  PlaceWizard(*next->wizard);
  ShowWindow(next->wizard->Hwnd(), SW_SHOW);
  if (previous) {
    previous->button->SetState(BASSwitchButton::kNormal);
    ShowWindow(previous->wizard->Hwnd(), SW_HIDE);
  }
  CommandRecord record;
  record.data = next->wizard->Hwnd();
  record.payload = previous ? previous->wizard->Hwnd() : nullptr;
  PostToHandsetHost(kHandsetSwitchDevice, record);
}

void DhMyDeviceDelegate::AskToRemove(HWND tab) {
  CommandRecord question;
  question.value = 1;
  PostToHandsetHost(kHandsetRemoveDevice, question);
  // The host set 0: the user agreed. The removal runs after the button's own press handling.
  if (question.value == 0) PostMessageW(Hwnd(), kRemoveTabMessage, reinterpret_cast<WPARAM>(tab), 0);
}

void DhMyDeviceDelegate::RemoveTab(HWND tabWindow) {
  DeviceTab* tab = TabOf(tabWindow);
  if (!tab) return;
  if (!m_model.HasDevice(tabWindow)) {
    CommandRecord reject;
    PostToHandsetHost(kHandsetRemoveButtonReject, reject);
    return;
  }
  const HWND wizardWindow = tab->wizard->Hwnd();
  m_model.ForgetDevice(tabWindow);
  CommandRecord removal;
  removal.data = tabWindow;
  removal.payload = wizardWindow;
  PostToHandsetHost(kHandsetRemoveDevice, removal);

  const int index = m_model.RemoveTab(tabWindow);
  // Both windows go with their objects: the wizard takes the phone's panes with it.
  m_tabs.erase(tabWindow);
  LayoutStrip(index);
  if (!m_model.Selected() && !m_model.Tabs().empty()) SelectTab(m_model.Tabs().front());
  // The strip is never empty: without phones it shows the "No Device" tab again.
  if (m_model.Tabs().empty()) {
    if (DeviceTab* waiting = CreateTab(std::wstring())) {
      ShowNoPhoneHelp(*waiting);
      SelectTab(waiting->button->Hwnd());
    }
  }
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhMyDeviceDelegate::PressWifiButton() {
  CommandRecord record;
  record.window = Hwnd();
  // Listening before the request goes: the address may come back before the dialog is up.
  DhMyDeviceQrDialog dialog(std::wstring(), m_images.Get(handset_image::kCloseNormal),
                            m_images.Get(handset_image::kClosePressed), m_images.Get(handset_image::kFirewallBlock));
  m_qrDialogs.attach(&dialog);
  PostToHandsetHost(kHandsetPressWifiButton, record);
  if (record.text) m_wifiTitle = record.text;
  dialog.SetTitle(m_wifiTitle);
  dialog.RunModal(GetAncestor(Hwnd(), GA_ROOT));
  m_qrDialogs.detach(&dialog);
  // No code on the screen, no open door for phones.
  if (m_qrDialogs.Count() == 0) {
    CommandRecord closed;
    closed.window = Hwnd();
    PostToHandsetHost(kHandsetQrDialogClosed, closed);
  }
}

void DhMyDeviceDelegate::RelayWifiServer(WifiServerInfo* info) {
  if (info) m_qrDialogs.notify(0, static_cast<int32_t>(reinterpret_cast<intptr_t>(info)));
}

void DhMyDeviceDelegate::RelayWifiConnected() { m_qrDialogs.notify(1, 0); }

void DhMyDeviceDelegate::DeviceNotice(int64_t kind, const CommandRecord& record) {
  switch (kind) {
    case kDeviceNoticeName:
      RenameDevice(record);
      break;
    case kDeviceNoticeStatus:
    case kDeviceNoticeStatus2:
      UpdateStatus(record);
      break;
    case kDeviceNoticeBind:
      BindDevice(record);
      break;
    default:
      break;
  }
}

void DhMyDeviceDelegate::BindDevice(const CommandRecord& record) {
  const auto* identifier = static_cast<const wchar_t*>(record.payload);
  if (!identifier || !*identifier) return;
  const std::wstring deviceId = identifier;
  const DeviceRecord* device = RecordOfNotice(record, deviceId);
  const std::wstring name = TabNameOfDevice(device, deviceId);

  DeviceTab* tab = nullptr;
  switch (m_model.TargetFor(deviceId)) {
    case DeviceTabModel::BindTarget::kExistingTab:
      tab = TabOf(m_model.TabOfDevice(deviceId));
      break;
    case DeviceTabModel::BindTarget::kWaitingTab:
      tab = TabOf(m_model.WaitingTab());
      break;
    case DeviceTabModel::BindTarget::kNewTab:
      tab = CreateTab(name);
      break;
  }
  if (!tab) return;
  SetTabText(*tab, name);
  const HWND tabWindow = tab->button->Hwnd();
  m_model.BindDevice(tabWindow, deviceId);
  if (device) tab->wizard->PreselectVersion(VersionTabOfAndroid(device->androidVersion));
  if (!m_model.Selected()) SelectTab(tabWindow);

  CommandRecord bound;
  bound.window = tabWindow;
  bound.text = deviceId.c_str();
  PostToHandsetHost(kHandsetBingingDevice, bound);
}

void DhMyDeviceDelegate::RenameDevice(const CommandRecord& record) {
  DeviceTab* tab = TabOf(record.window);
  if (!tab) return;
  const std::wstring name = RenamedTabName(RecordOfNotice(record, m_model.DeviceOfTab(record.window)));
  if (!name.empty()) SetTabText(*tab, name);
}

void DhMyDeviceDelegate::UpdateStatus(const CommandRecord& record) {
  DeviceTab* tab = TabOf(record.window);
  // The phone's identifier names the tab when the window does not.
  if (!tab && record.payload) tab = TabOf(m_model.TabOfDevice(static_cast<const wchar_t*>(record.payload)));
  if (!tab) return;
  StatusNotice notice;
  notice.status = ConnectionStatusOf(record);
  if (record.text) notice.deviceText = record.text;
  if (record.narrowText) notice.narrowText = record.narrowText;
  notice.total = record.total;
  notice.position = record.position;
  tab->wizard->ApplyStatus(notice);
  ShowReadyMark(*tab, tab->wizard->IsReady());
}

LRESULT DhMyDeviceDelegate::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == kRemoveTabMessage) {
    handled = true;
    RemoveTab(reinterpret_cast<HWND>(wp));
    return 0;
  }
  return BASWindow::HandleMessage(msg, wp, lp, handled);
}

void DhMyDeviceDelegate::OnDestroy() {
  // Owned by the top-level window, the tooltip would outlive a pane destroyed on its own.
  if (m_tooltip) DestroyWindow(m_tooltip);
  m_tooltip = nullptr;
}

void DhMyDeviceDelegate::OnFinalMessage(HWND) {
  if (m_onFinal) m_onFinal(this);
}
