// What the contacts pane tests and the benchmark share: the plug-in loaded with a theme of solid
// squares, a message loop that runs the pane's filter, a parent window, contacts and the list
// as Windows reports it.
#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "contracts/MessageLoop.h"
#include "kit/GdiPlus.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/kit/ProbeWindow.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace rolodextest {

constexpr COLORREF kPortraitColor = RGB(0, 0, 200);
constexpr int kPortraitSize = 56;

// The plug-in and its images, for the whole test program.
struct Plugin {
  bool Load();
  void Unload();
  std::unique_ptr<GdiplusSession> gdiplus;
  std::unique_ptr<ModuleHarness> harness;
  std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>> images;
};
Plugin& ThePlugin();
inline ModuleHarness& Harness() { return *ThePlugin().harness; }

// The host's loop as far as a pane uses it: filters run newest first before dispatch.
class FakeLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter* filter) override;
  bool RemoveMessageFilter(CMessageFilter* filter) override;
  bool AddIdleHandler(CIdleHandler*) override { return false; }
  bool RemoveIdleHandler(CIdleHandler*) override { return false; }
  void Pump();
  size_t FilterCount() const { return m_filters.size(); }

 private:
  std::vector<CMessageFilter*> m_filters;
};

// A top-level window in place of a phone's wizard window.
struct TestParent {
  explicit TestParent(int width = 1000, int height = 600, DWORD style = WS_POPUP | WS_VISIBLE);
  ~TestParent();
  HWND Hwnd() const { return window.Hwnd(); }
  ProbeWindow window;
};

ContactDataRow* DataRow(const wchar_t* mimetype, const wchar_t* label, const wchar_t* value);
ContactRecord* NewContact(const std::wstring& id, const std::wstring& name, const std::wstring& phone = L"",
                          std::vector<ContactDataRow*> rows = {});

HWND PaneOf(HWND parent);
HWND ListOf(HWND pane);
int RowCount(HWND list);
std::wstring RowText(HWND list, int row, int column);
ContactRecord* RowContact(HWND list, int row);
bool IsChecked(HWND list, int row);
bool IsSelected(HWND list, int row);

// The record a module command is sent with: `window` = parent.
void Send(const char* name, HWND parent, int64_t code = 0, void* payload = nullptr);
void SendBatch(HWND parent, std::vector<ContactRecord*> contacts, int64_t code = 0);

}  // namespace rolodextest
