// One contacts pane in a parent window, shown, with the host's loop and a record of the
// requests it posts; the checked lists those carry are copied and freed as the host would.
#pragma once

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "tests/rolodex/EditorDriver.h"
#include "tests/rolodex/RolodexTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace rolodextest {

class ContactsPaneTest : public ::testing::Test {
 protected:
  explicit ContactsPaneTest(DWORD parentStyle = WS_POPUP | WS_VISIBLE) : parent(1000, 600, parentStyle) {}

  void SetUp() override {
    ASSERT_TRUE(parent.Hwnd());
    CommandRecord create;
    create.window = parent.Hwnd();
    create.data = static_cast<CMessageLoop*>(&loop);
    Harness().Send(kRolodexCreateWindow, create);
    pane = PaneOf(parent.Hwnd());
    ASSERT_TRUE(pane);
    list = ListOf(pane);
    ASSERT_TRUE(list);
    Send(kRolodexShowWindow, parent.Hwnd());
    loop.Pump();
    Harness().ClearPosts();
    Harness().SetHook(kRolodexDoContact, [this](CommandRecord& record) {
      // A save hands over the editor's record, which stays the editor's: the host copies it.
      if (record.code == kContactRequestSave) {
        auto* contact = static_cast<const ContactRecord*>(record.data);
        requests.push_back(Request{record.code, record.value, record.count, ContactList(),
                                   contact ? std::make_shared<ContactRecord>(*contact) : nullptr, record.window});
        return 0;
      }
      auto* checked = static_cast<ContactList*>(record.data);
      requests.push_back(
          Request{record.code, record.value, record.count, checked ? *checked : ContactList(), nullptr, record.window});
      delete checked;
      return 0;
    });
  }
  void TearDown() override { Harness().SetHook(kRolodexDoContact, nullptr); }

  struct Request {
    int64_t code;
    int64_t value;
    int64_t count;
    ContactList checked;
    std::shared_ptr<ContactRecord> saved;  // a save's record as it was sent
    HWND window;
  };

  HWND Control(int id) const { return GetDlgItem(pane, id); }
  void Command(int id) {
    SendMessageW(pane, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
    loop.Pump();
  }

  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (int row = 0; row < RowCount(list); ++row) names.push_back(RowText(list, row, 1));
    return names;
  }

  // The current contact as Edit finds it (it stamps the row index into the contact), or null
  // when Edit reports that there is none.
  ContactRecord* Current() {
    constexpr int32_t kUnstamped = -7;
    for (int row = 0; row < RowCount(list); ++row) RowContact(list, row)->rowIndex = kUnstamped;
    const size_t before = requests.size();
    {
      EditorScript close([](HWND editor) { PostMessageW(editor, WM_CLOSE, 0, 0); });
      Command(kEditButtonId);
    }
    if (requests.size() > before) {
      EXPECT_EQ(requests.back().code, kContactRequestNothingChecked);
      requests.pop_back();
      return nullptr;
    }
    for (int row = 0; row < RowCount(list); ++row) {
      ContactRecord* contact = RowContact(list, row);
      if (contact->rowIndex != kUnstamped) {
        EXPECT_EQ(contact->rowIndex, row);
        EXPECT_EQ(contact->editState, kEditChanged);
        return contact;
      }
    }
    return nullptr;
  }

  static constexpr int kEditButtonId = 5006;

  FakeLoop loop;  // outlives the parent, whose pane removes itself from it
  TestParent parent;
  HWND pane = nullptr;
  HWND list = nullptr;
  std::vector<Request> requests;
};

}  // namespace rolodextest
