#include "tests/rolodex/RolodexTestSupport.h"

#include "contracts/CommandNames.h"

#include <algorithm>

namespace rolodextest {

namespace {

std::unique_ptr<Gdiplus::Bitmap> Solid(int width, int height, COLORREF color) {
  auto image = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  Gdiplus::Graphics(image.get()).Clear(Gdiplus::Color(255, GetRValue(color), GetGValue(color), GetBValue(color)));
  return image;
}

}  // namespace

Plugin& ThePlugin() {
  static Plugin plugin;
  return plugin;
}

bool Plugin::Load() {
  gdiplus = std::make_unique<GdiplusSession>();
  if (!gdiplus->IsOk()) return false;
  images["common\\content-check-yes.png"] = Solid(16, 16, RGB(0, 160, 0));
  images["common\\content-check-no.png"] = Solid(16, 16, RGB(160, 160, 160));
  images["contacts\\preview-contacts.png"] = Solid(kPortraitSize, kPortraitSize, kPortraitColor);
  images["contacts\\preview-edit.png"] = Solid(20, 20, RGB(200, 120, 0));
  images["contacts\\content-contacts-list.png"] = Solid(40, 40, RGB(120, 0, 120));
  images["common\\operate-search.png"] = Solid(28, 21, RGB(60, 60, 60));
  for (const char* name : {"add", "edit", "delete", "export", "import", "refresh"}) {
    images[std::string("common\\button\\operate-") + name + "-normal.png"] = Solid(16, 16, RGB(0, 100, 200));
    images[std::string("common\\button\\operate-") + name + "-pressed.png"] = Solid(16, 16, RGB(0, 50, 100));
  }
  harness = std::make_unique<ModuleHarness>();
  for (const auto& entry : images) harness->Images()[entry.first] = entry.second.get();
  return harness->Load(ModuleHarness::PluginPath(L"libRolodex"));
}

void Plugin::Unload() {
  harness.reset();
  images.clear();
  gdiplus.reset();
}

bool FakeLoop::AddMessageFilter(CMessageFilter* filter) {
  if (!filter || std::find(m_filters.begin(), m_filters.end(), filter) != m_filters.end()) return false;
  m_filters.push_back(filter);
  return true;
}

bool FakeLoop::RemoveMessageFilter(CMessageFilter* filter) {
  auto it = std::find(m_filters.begin(), m_filters.end(), filter);
  if (it == m_filters.end()) return false;
  m_filters.erase(it);
  return true;
}

void FakeLoop::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    bool filtered = false;
    for (auto it = m_filters.rbegin(); it != m_filters.rend() && !filtered; ++it)
      filtered = (*it)->PreTranslateMessage(&msg) != FALSE;
    if (filtered) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

TestParent::TestParent(int width, int height, DWORD style) {
  window.Create(nullptr, L"RolodexTestParent", L"wizard", style, 0, MakeRect(20, 20, width, height));
}

TestParent::~TestParent() {
  window.Destroy();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

ContactDataRow* DataRow(const wchar_t* mimetype, const wchar_t* label, const wchar_t* value) {
  auto* row = new ContactDataRow;
  row->mimetype = mimetype;
  row->oldTypeLabel = label;
  row->oldValue = value;
  return row;
}

ContactRecord* NewContact(const std::wstring& id, const std::wstring& name, const std::wstring& phone,
                          std::vector<ContactDataRow*> rows) {
  auto* contact = new ContactRecord;
  contact->identifier = id;
  contact->name = name;
  contact->phone = phone;
  for (ContactDataRow* row : rows) contact->dataRows.push_back(row);
  return contact;
}

HWND PaneOf(HWND parent) { return FindWindowExW(parent, nullptr, L"DhContactsDelegate", nullptr); }
HWND ListOf(HWND pane) { return GetDlgItem(pane, 5010); }
int RowCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring RowText(HWND list, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 255;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

ContactRecord* RowContact(HWND list, int row) {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  return SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))
             ? reinterpret_cast<ContactRecord*>(item.lParam)
             : nullptr;
}

bool IsChecked(HWND list, int row) {
  return SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) != 0x1000;
}

bool IsSelected(HWND list, int row) {
  return (SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void Send(const char* name, HWND parent, int64_t code, void* payload) {
  CommandRecord record;
  record.window = parent;
  record.code = code;
  record.payload = payload;
  Harness().Send(name, record);
}

void SendBatch(HWND parent, std::vector<ContactRecord*> contacts, int64_t code) {
  ContactList batch(contacts.begin(), contacts.end());
  Send(kRolodexAddContact, parent, code, &batch);
}

}  // namespace rolodextest
