// What the tests of the file panes (songs, books, apps) share: the pane's module loaded once, a
// pane made in a parent window and shown, the requests its buttons post caught (their lists
// freed), and the user's clicks and searches.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/MediaRecords.h"
#include "contracts/MessageLoop.h"
#include "kit/BASMediaFilePane.h"
#include "kit/GdiPlus.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/harness/TestPump.h"
#include "tests/kit/ProbeWindow.h"

// The names a file pane's module answers to.
struct FilePaneNames {
  const char* create;
  const char* show;
  const char* request;  // what the pane posts for its buttons
  const wchar_t* paneClass;
};

class FilePaneFixture : public ::testing::Test {
 protected:
  static void LoadModule(const wchar_t* plugin) {
    s_gdiplus = std::make_unique<GdiplusSession>();
    s_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(s_harness->Load(ModuleHarness::PluginPath(plugin))) << s_harness->LoadError();
  }
  static void UnloadModule() {
    s_harness.reset();
    s_gdiplus.reset();
  }
  static ModuleHarness& Harness() { return *s_harness; }
  static void Pump() { testpump::Pump(); }

  // Makes and shows the pane; its requests are recorded: the codes and counts, the rows of a
  // delete, the file names of an export. Others go to OtherRequest.
  void MakePane(const FilePaneNames& names) {
    m_names = names;
    m_parent.Create(nullptr, L"FilePaneTestParent", L"files", WS_POPUP | WS_VISIBLE, 0, MakeRect(20, 20, 1000, 600));
    ASSERT_TRUE(m_parent.Hwnd()) << "no display";
    CommandRecord create;
    create.window = m_parent.Hwnd();
    create.data = static_cast<CMessageLoop*>(&m_loop);
    s_harness->Send(names.create, create);
    m_pane = FindWindowExW(m_parent.Hwnd(), nullptr, names.paneClass, nullptr);
    ASSERT_TRUE(m_pane);
    m_list = GetDlgItem(m_pane, kMediaListId);
    CommandRecord show;
    show.window = m_parent.Hwnd();
    s_harness->Send(names.show, show);
    s_harness->SetHook(names.request, [this](CommandRecord& record) {
      m_codes.push_back(record.code);
      m_counts.push_back(record.count);
      if (record.code == kMediaRequestDelete) {
        std::unique_ptr<MediaFileList> items(static_cast<MediaFileList*>(record.data));
        for (MediaFileRecord* item : *items) m_rows.push_back(item->rowIndex);
      } else if (record.code == kMediaRequestExport) {
        std::unique_ptr<ExportList> exports(static_cast<ExportList*>(record.data));
        for (ExportRecord* item : *exports) {
          m_fileNames.push_back(item->fileName);
          delete item;
        }
      } else {
        OtherRequest(record);
      }
      return 0;
    });
  }
  void TearDown() override {
    if (m_names.request != nullptr) s_harness->SetHook(m_names.request, nullptr);
    m_parent.Destroy();
    Pump();
  }
  // A request other than delete and export; the record's list is the test's to free.
  virtual void OtherRequest(CommandRecord& record) { (void)record; }

  void Send(const char* name, int64_t code = 0, void* payload = nullptr) {
    CommandRecord record;
    record.window = m_parent.Hwnd();
    record.code = code;
    record.payload = payload;
    s_harness->Send(name, record);
  }
  void Button(int id) {
    SendMessageW(m_pane, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_pane, id)));
    Pump();
  }
  int Rows() const { return static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0)); }
  std::wstring Text(int row, int column) const {
    wchar_t text[128] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(m_list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
  }
  void Search(const wchar_t* text) {
    SetWindowTextW(GetDlgItem(m_pane, kMediaSearchEditId), text);
    Button(kMediaSearchButtonId);
  }

  ProbeWindow m_parent;
  HWND m_pane = nullptr;
  HWND m_list = nullptr;
  std::vector<int64_t> m_codes;
  std::vector<int64_t> m_counts;
  std::vector<int32_t> m_rows;
  std::vector<std::wstring> m_fileNames;

 private:
  class NoLoop : public CMessageLoop {
   public:
    bool AddMessageFilter(CMessageFilter*) override { return true; }
    bool RemoveMessageFilter(CMessageFilter*) override { return true; }
    bool AddIdleHandler(CIdleHandler*) override { return false; }
    bool RemoveIdleHandler(CIdleHandler*) override { return false; }
  };

  static inline std::unique_ptr<ModuleHarness> s_harness;
  static inline std::unique_ptr<GdiplusSession> s_gdiplus;
  NoLoop m_loop;
  FilePaneNames m_names{};
};
