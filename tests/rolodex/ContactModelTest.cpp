// The contacts pane's window-free parts: the contact set (order, look-ups, removal, search and
// its cached text), the pane geometry and column arithmetic, and the detail panel's lines.
#include "modules/rolodex/ContactDetailPanel.h"
#include "modules/rolodex/ContactSet.h"
#include "modules/rolodex/ContactsLayout.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

ContactDataRow* Row(const wchar_t* mimetype, const wchar_t* label, const wchar_t* value) {
  auto* row = new ContactDataRow;
  row->mimetype = mimetype;
  row->oldTypeLabel = label;
  row->oldValue = value;
  return row;
}

ContactRecord* Contact(const wchar_t* id, const wchar_t* name, std::vector<ContactDataRow*> rows = {}) {
  auto* contact = new ContactRecord;
  contact->identifier = id;
  contact->name = name;
  for (ContactDataRow* row : rows) contact->dataRows.push_back(row);
  return contact;
}

std::vector<std::wstring> Names(const std::vector<ContactRecord*>& contacts) {
  std::vector<std::wstring> names;
  for (const ContactRecord* contact : contacts) names.push_back(contact->name);
  return names;
}

TEST(ContactSetTest, KeepsArrivalOrderAndRefusesARecordTwice) {
  ContactSet set;
  ContactRecord* ann = Contact(L"1", L"Ann");
  EXPECT_TRUE(set.Add(ann));
  EXPECT_TRUE(set.Add(Contact(L"2", L"Bob")));
  EXPECT_FALSE(set.Add(ann)) << "held twice, it would be freed twice";
  EXPECT_FALSE(set.Add(nullptr));
  EXPECT_EQ(Names(set.Contacts()), (std::vector<std::wstring>{L"Ann", L"Bob"}));
  EXPECT_TRUE(set.Contains(ann));
}

TEST(ContactSetTest, TakesTheFirstArrivalOfAnIdentifierAndKeepsTheRest) {
  ContactSet set;
  ContactRecord* first = Contact(L"7", L"First");
  ContactRecord* second = Contact(L"7", L"Second");
  set.Add(Contact(L"1", L"Other"));
  set.Add(first);
  set.Add(second);
  EXPECT_EQ(set.FirstWithIdentifier(L"7"), first);
  ContactRecord* taken = set.TakeFirstWithIdentifier(L"7");
  EXPECT_EQ(taken, first);
  delete taken;
  EXPECT_EQ(set.FirstWithIdentifier(L"7"), second);
  EXPECT_EQ(set.TakeFirstWithIdentifier(L"missing"), nullptr);
  EXPECT_EQ(Names(set.Contacts()), (std::vector<std::wstring>{L"Other", L"Second"}));
}

TEST(ContactSetTest, StaysConsistentThroughManyRemovals) {
  ContactSet set;
  constexpr int kCount = 3000;
  for (int i = 0; i < kCount; ++i) set.Add(Contact(std::to_wstring(i).c_str(), std::to_wstring(i).c_str()));
  // Every other one, from the back: the set compacts several times on the way.
  for (int i = kCount - 1; i >= 0; i -= 2) delete set.TakeFirstWithIdentifier(std::to_wstring(i));
  ASSERT_EQ(set.Size(), static_cast<size_t>(kCount / 2));
  const std::vector<ContactRecord*> left = set.Contacts();
  for (int i = 0; i < kCount / 2; ++i) {
    EXPECT_EQ(left[i]->name, std::to_wstring(2 * i));
    EXPECT_EQ(set.FirstWithIdentifier(std::to_wstring(2 * i)), left[i]);
    EXPECT_TRUE(set.Contains(left[i]));
  }
  EXPECT_EQ(set.Matching(L"").size(), left.size());
  // The search texts moved with their contacts: each name finds its own contact only.
  for (int i : {0, 2, 1000, kCount - 2}) {
    const std::vector<ContactRecord*> found = set.Matching(std::to_wstring(i));
    EXPECT_NE(std::find(found.begin(), found.end(), set.FirstWithIdentifier(std::to_wstring(i))), found.end()) << i;
  }
  EXPECT_TRUE(set.Matching(L"2999").empty()) << "a removed contact is still searched";
}

TEST(ContactSetTest, MatchesNameOrAnyValueIgnoringCase) {
  ContactSet set;
  set.Add(Contact(L"1", L"Joanne"));
  set.Add(Contact(L"2", L"Bob", {Row(kMimeEmail, L"Work", L"BOB.ANNEX@example.com")}));
  set.Add(Contact(L"3", L"Carl", {Row(kMimePhone, L"Mobile", L"555")}));
  EXPECT_EQ(Names(set.Matching(LowerCased(L"ANN"))), (std::vector<std::wstring>{L"Joanne", L"Bob"}));
  EXPECT_EQ(LowerCased(L"MÜLLER АННА ΕΛΈΝΗ ĽUBOMÍR"), L"müller анна ελένη ľubomír");
  EXPECT_EQ(Names(set.Matching(L"555")), (std::vector<std::wstring>{L"Carl"}));
  EXPECT_EQ(Names(set.Matching(L"")), (std::vector<std::wstring>{L"Joanne", L"Bob", L"Carl"}));
  EXPECT_TRUE(set.Matching(L"zzz").empty());
  // Each text on its own: no match runs from a name into a value or from one contact into the next.
  EXPECT_TRUE(set.Matching(L"bobbob").empty());
  EXPECT_TRUE(set.Matching(L"carl555").empty());
  EXPECT_TRUE(set.Matching(L"joannebob").empty());
}

TEST(ContactSetTest, SearchesTheChangedTextAfterARefresh) {
  ContactSet set;
  ContactRecord* contact = Contact(L"1", L"Ann");
  set.Add(contact);
  ASSERT_EQ(set.Matching(L"ann").size(), 1u);
  contact->name = L"Zoe";
  contact->identifier = L"9";
  set.Refresh(contact);
  EXPECT_TRUE(set.Matching(L"ann").empty()) << "the cached text of the old name was kept";
  EXPECT_EQ(set.Matching(L"zoe").size(), 1u);
  EXPECT_EQ(set.FirstWithIdentifier(L"9"), contact);
  EXPECT_EQ(set.FirstWithIdentifier(L"1"), nullptr);
  // Edited over and over, the set keeps finding the latest text and only that.
  for (int i = 0; i < 5000; ++i) {
    contact->name = L"Name" + std::to_wstring(i);
    set.Refresh(contact);
  }
  EXPECT_EQ(set.Matching(L"name4999").size(), 1u);
  EXPECT_TRUE(set.Matching(L"name4998").empty());
}

TEST(ContactsLayoutTest, PlacesPanelSearchBoxAndListFromTheClientSize) {
  const PaneLayout layout = ComputePaneLayout(800, 500, SIZE{28, 21}, SIZE{20, 20});
  EXPECT_EQ(layout.detailPanel.left, 578);
  EXPECT_EQ(layout.detailPanel.top, 31);
  EXPECT_EQ(layout.detailPanel.right, 800);
  EXPECT_EQ(layout.detailPanel.bottom, 500);
  EXPECT_EQ(layout.detailEditButton.x, 772);
  EXPECT_EQ(layout.detailEditButton.y, 74);
  EXPECT_EQ(layout.searchEdit.left, 640);
  EXPECT_EQ(layout.searchEdit.right, 760);
  EXPECT_EQ(layout.searchEdit.top, 4);
  EXPECT_EQ(layout.searchEdit.bottom, 25);
  EXPECT_EQ(layout.searchButton.left, 760);
  EXPECT_EQ(layout.searchButton.right, 788);
  // The frame: one pixel outside the edit at the left and top, two right of the button, to y 26.
  EXPECT_EQ(layout.searchFrame[0].left, 639);
  EXPECT_EQ(layout.searchFrame[0].top, 3);
  EXPECT_EQ(layout.searchFrame[0].right, 790);
  EXPECT_EQ(layout.searchFrame[1].top, 26);
  EXPECT_EQ(layout.list.left, 1);
  EXPECT_EQ(layout.list.top, 31);
  EXPECT_EQ(layout.list.right, 577);
  EXPECT_EQ(layout.list.bottom, 500);
}

TEST(ContactsLayoutTest, NeverInvertsRectanglesOfATinyParent) {
  const RECT pane = PaneRectInParent(100, 0);
  EXPECT_GE(pane.right, pane.left);
  EXPECT_GE(pane.bottom, pane.top);
  const PaneLayout layout = ComputePaneLayout(0, 0, SIZE{0, 0}, SIZE{0, 0});
  EXPECT_GE(layout.list.right, layout.list.left);
  EXPECT_GE(layout.list.bottom, layout.list.top);
  EXPECT_EQ(PaneRectInParent(1000, 700).right, 1000);
  EXPECT_EQ(PaneRectInParent(1000, 700).bottom, 699);
}

TEST(ContactsLayoutTest, SplitsColumnsTenFiftyFortyOfTheWidthLessTheScrollBar) {
  const ColumnWidths columns = ComputeColumnWidths(576, 17);
  EXPECT_EQ(columns.scrollBar, 17);
  EXPECT_DOUBLE_EQ(columns.percent, 5.59);
  EXPECT_EQ(columns.widths[0], 55);
  EXPECT_EQ(columns.widths[1], 279);
  EXPECT_EQ(columns.widths[2], 223);
  EXPECT_EQ(ComputeColumnWidths(576, 21).scrollBar, 0) << "a bar wider than 20 is not believed";
  EXPECT_EQ(ComputeColumnWidths(576, -1).scrollBar, 0);
  EXPECT_EQ(ComputeColumnWidths(10, 17).widths[1], 0) << "narrower than its bar";
}

// Every character 7 wide; headings, texts and the title 16, 16 and 20 high.
SIZE FixedMeasure(DetailFont font, const std::wstring& text) {
  return SIZE{static_cast<LONG>(7 * text.size()), font == DetailFont::kTitle ? 20 : 16};
}

std::vector<DetailText> Layout(const ContactRecord& contact, const GroupList& groups = {}) {
  return LayoutDetailPanel(contact, RECT{578, 31, 800, 500}, SIZE{56, 56}, BuildMimeLabelTable(), groups, FixedMeasure);
}

TEST(ContactDetailLayoutTest, HeadsEachRunOfOneKindOnceAndSkipsTheNameRow) {
  ContactRecord* contact = Contact(L"1", L"Ann Lee",
                                   {Row(kMimeName, L"", L"Ann\n\nLee"), Row(kMimePhone, L"Mobile", L"111"),
                                    Row(kMimePhone, L"Home", L"222"), Row(kMimeEmail, L"", L"a@b.c")});
  const std::vector<DetailText> texts = Layout(*contact);
  std::vector<std::wstring> seen;
  for (const DetailText& text : texts) seen.push_back(text.text);
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"Ann Lee", L"Groups:", L"Phone Number", L"Mobile:", L"111", L"Home:",
                                             L"222", L"Email", L" ", L"a@b.c"}));
  // Heading at L + 10 from y 100; each line 10 below the previous one's bottom.
  EXPECT_EQ(texts[2].rect.left, 588);
  EXPECT_EQ(texts[2].rect.top, 100);
  EXPECT_EQ(texts[2].font, DetailFont::kHeading);
  EXPECT_EQ(texts[3].rect.left, 598);
  EXPECT_EQ(texts[3].rect.top, 126);
  EXPECT_EQ(texts[4].rect.left, 598 + 7 * 7 + 10) << "the value 10 right of its label";
  EXPECT_EQ(texts[4].rect.top, 126);
  EXPECT_EQ(texts[5].rect.top, 152);
  EXPECT_EQ(texts[7].rect.top, 178);
  // Title right of the portrait, "Groups:" 20 below it.
  EXPECT_EQ(texts[0].rect.left, 578 + 56 + 20);
  EXPECT_EQ(texts[0].rect.top, 55);
  EXPECT_EQ(texts[1].rect.top, 75);
  delete contact;
}

TEST(ContactDetailLayoutTest, ListsKnownGroupTitlesAndHeadsUnknownKindsEmpty) {
  ContactRecord* contact = Contact(
      L"1", L"Ann",
      {Row(L"vnd.example/other", L"X", L"1"), Row(kMimePhone, L"Mobile", L"2"), Row(L"vnd.example/other", L"Y", L"3")});
  contact->groups = {L"g2", L"gone", L"g1"};
  GroupRecord friends{L"g1", L"Friends", L"", L"com.google"};
  GroupRecord family{L"g2", L"Family", L"", L"com.google"};
  const std::vector<DetailText> texts = Layout(*contact, GroupList{&friends, &family});
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[2].text, L"Family,Friends,");
  EXPECT_EQ(texts[2].rect.left, texts[1].rect.right + 4);
  EXPECT_EQ(texts[2].rect.right, 800 - 32) << "the groups stop short of the edit button";
  int headings = 0;
  for (const DetailText& text : texts) headings += text.font == DetailFont::kHeading ? 1 : 0;
  EXPECT_EQ(headings, 3) << "a new run of a kind gets its heading again";
  EXPECT_EQ(texts[3].text, L"");
  delete contact;
}

TEST(ContactDetailLayoutTest, StopsBelowThePanel) {
  ContactRecord* contact = Contact(L"1", L"Many");
  for (int i = 0; i < 1000; ++i) contact->dataRows.push_back(Row(kMimePhone, L"Mobile", L"1"));
  EXPECT_LT(Layout(*contact).size(), 50u);
  delete contact;
}

}  // namespace

// The contact's own picture takes the portrait's place, in its round; without one, or with one
// that is no picture, the default portrait shows.
TEST(ContactDetailPanelTest, DrawsTheContactsOwnPictureInThePortraitsPlace) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  {
    // A 2 x 2 red PNG, and a blue default portrait of 40 x 40.
    const wchar_t* kRedPng =
        L"iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAEElEQVR4nGP4z8AARAwQCgAf7gP9i18U1AAAAABJRU5ErkJggg==";
    Gdiplus::Bitmap portrait(40, 40, PixelFormat32bppARGB);
    {
      Gdiplus::Graphics fill(&portrait);
      fill.Clear(Gdiplus::Color(255, 0, 0, 255));
    }
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 300, 200);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT panel{0, 0, 300, 200};
    ContactDetailPanel detail;
    const MimeLabelTable labels = BuildMimeLabelTable();
    const GroupList groups;
    auto centre = [&] { return GetPixel(dc, 10 + 20, 10 + 20); };

    std::unique_ptr<ContactRecord> withPhoto(Contact(L"p", L"Pic", {Row(kMimePhoto, L"PNG", kRedPng)}));
    detail.Paint(dc, panel, *withPhoto, &portrait, labels, groups);
    EXPECT_EQ(centre(), RGB(255, 0, 0));
    std::unique_ptr<ContactRecord> plain(Contact(L"q", L"Plain"));
    detail.Paint(dc, panel, *plain, &portrait, labels, groups);
    EXPECT_EQ(centre(), RGB(0, 0, 255));
    std::unique_ptr<ContactRecord> broken(Contact(L"r", L"Broken", {Row(kMimePhoto, L"PNG", L"bm90IGEgcGljdHVyZQ==")}));
    detail.Paint(dc, panel, *broken, &portrait, labels, groups);
    EXPECT_EQ(centre(), RGB(0, 0, 255));

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Gdiplus::GdiplusShutdown(token);
}
