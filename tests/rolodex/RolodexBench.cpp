// Times the contacts pane with 50,000 contacts: streamed batches, searches and removals one
// by one, as a phone with a large address book would drive it. Prints milliseconds per step.
#include "contracts/CommandNames.h"
#include "tests/rolodex/RolodexTestSupport.h"

#include <cstdio>

using namespace rolodextest;

namespace {

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Report(const char* step, double start) { std::printf("%-40s %8.1f ms\n", step, Now() - start); }

}  // namespace

int main() {
  constexpr int kContacts = 50000;
  constexpr int kBatch = 500;
  constexpr int kRemovals = 500;
  if (!ThePlugin().Load()) return 1;
  int result = 0;
  {
    FakeLoop loop;
    TestParent parent(1200, 800);
    CommandRecord create;
    create.window = parent.Hwnd();
    create.data = static_cast<CMessageLoop*>(&loop);
    Harness().Send(kRolodexCreateWindow, create);
    const HWND pane = PaneOf(parent.Hwnd());
    if (!pane) return 2;
    Send(kRolodexShowWindow, parent.Hwnd());
    std::vector<ContactRecord*> all;
    double start = Now();
    for (int first = 0; first < kContacts; first += kBatch) {
      std::vector<ContactRecord*> batch;
      for (int i = first; i < first + kBatch; ++i) {
        const std::wstring id = std::to_wstring(i);
        batch.push_back(NewContact(id, L"Contact " + id, L"+1 555 " + id,
                                   {DataRow(kMimePhone, L"Mobile", (L"+1 555 " + id).c_str()),
                                    DataRow(kMimeEmail, L"Home", (L"person" + id + L"@example.com").c_str())}));
      }
      all.insert(all.end(), batch.begin(), batch.end());
      const double batchStart = Now();
      SendBatch(parent.Hwnd(), batch);
      if (first == 0 || first + kBatch >= kContacts) Report(first == 0 ? "  first batch" : "  last batch", batchStart);
    }
    Report("append 50,000 in batches of 500", start);
    loop.Pump();
    const HWND edit = GetDlgItem(pane, 5005);
    const HWND button = GetDlgItem(pane, 5004);
    for (const wchar_t* text : {L"4999", L"PERSON1234@", L"nobody", L"", L"4999"}) {
      SetWindowTextW(edit, text);
      start = Now();
      SendMessageW(pane, WM_COMMAND, MAKEWPARAM(5004, BN_CLICKED), reinterpret_cast<LPARAM>(button));
      char step[64];
      std::snprintf(step, sizeof step, "search \"%ls\" (%d rows)", text, RowCount(ListOf(pane)));
      Report(step, start);
    }
    SetWindowTextW(edit, L"");
    SendMessageW(pane, WM_COMMAND, MAKEWPARAM(5004, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    start = Now();
    // As a delete streams back: bottom row first, each a copy the host frees.
    for (int i = kContacts - 1; i >= kContacts - kRemovals; --i) {
      ContactRecord gone;
      gone.identifier = all[i]->identifier;
      gone.rowIndex = i;
      Send(kRolodexDeleteContact, parent.Hwnd(), 0, &gone);
    }
    Report("remove 500 one by one, bottom first", start);
    if (RowCount(ListOf(pane)) != kContacts - kRemovals) result = 3;
    start = Now();
    Send(kRolodexClearData, parent.Hwnd());
    Report("clear the rest", start);
  }
  ThePlugin().Unload();
  return result;
}
