// The contact select dialog's lists without a window: which pairs are offered, search, and
// moving rows between the lists.
#include "modules/rolodex/ContactPicks.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Contacts {
  std::vector<std::unique_ptr<ContactRecord>> owned;
  std::vector<ContactRecord*> pointers;

  void Add(const wchar_t* name, std::vector<std::pair<const wchar_t*, const wchar_t*>> rows) {
    auto contact = std::make_unique<ContactRecord>();
    contact->name = name;
    for (const auto& [mimetype, value] : rows) {
      auto* row = new ContactDataRow;
      row->mimetype = mimetype;
      row->oldValue = value;
      contact->dataRows.push_back(row);
    }
    pointers.push_back(contact.get());
    owned.push_back(std::move(contact));
  }
};

std::vector<std::wstring> Available(const ContactPicks& picks) {
  std::vector<std::wstring> rows;
  for (size_t row = 0; row < picks.AvailableCount(); ++row)
    rows.push_back(picks.Available(row).name + L" " + picks.Available(row).phone);
  return rows;
}

std::vector<std::wstring> Picked(const ContactPicks& picks) {
  std::vector<std::wstring> rows;
  for (size_t row = 0; row < picks.PickedCount(); ++row)
    rows.push_back(picks.Picked(row).name + L" " + picks.Picked(row).phone);
  return rows;
}

Contacts Sample() {
  Contacts contacts;
  contacts.Add(L"Ann Lee", {{kMimePhone, L"+1 555 0101"}, {kMimeEmail, L"ann@example.com"}, {kMimePhone, L"0202"}});
  contacts.Add(L"No Phone", {{kMimeEmail, L"none@example.com"}});
  contacts.Add(L"Ödön Ábel", {{kMimePhone, L"+36 1 234"}});
  return contacts;
}

TEST(ContactPicksTest, OffersOneRowPerPhoneNumberInOrder) {
  Contacts contacts = Sample();
  ContactPicks picks(contacts.pointers);
  EXPECT_EQ(Available(picks),
            (std::vector<std::wstring>{L"Ann Lee +1 555 0101", L"Ann Lee 0202", L"Ödön Ábel +36 1 234"}));
  EXPECT_EQ(picks.PickedCount(), 0u);
  EXPECT_EQ(picks.Result(), nullptr);
}

TEST(ContactPicksTest, SearchMatchesNameOrNumberInAnyCase) {
  Contacts contacts = Sample();
  ContactPicks picks(contacts.pointers);
  picks.Search(L"ÖDÖN");
  EXPECT_EQ(Available(picks), (std::vector<std::wstring>{L"Ödön Ábel +36 1 234"}));
  picks.Search(L"02");
  EXPECT_EQ(Available(picks), (std::vector<std::wstring>{L"Ann Lee 0202"}));
  // Name and number are separate texts: no match runs from one into the other.
  picks.Search(L"lee+1");
  EXPECT_EQ(picks.AvailableCount(), 0u);
  picks.Search(L"");
  EXPECT_EQ(picks.AvailableCount(), 3u);
}

TEST(ContactPicksTest, PicksSurviveASearchAndAreNeverOfferedTwice) {
  Contacts contacts = Sample();
  ContactPicks picks(contacts.pointers);
  ASSERT_TRUE(picks.Pick(1));
  picks.Search(L"ann");
  EXPECT_EQ(Available(picks), (std::vector<std::wstring>{L"Ann Lee +1 555 0101"}));
  ASSERT_TRUE(picks.Pick(0));
  EXPECT_FALSE(picks.Pick(0));
  EXPECT_EQ(Picked(picks), (std::vector<std::wstring>{L"Ann Lee 0202", L"Ann Lee +1 555 0101"}));

  // Back to the end of the left list, whatever the search; the next search puts it in order.
  ASSERT_TRUE(picks.Unpick(0));
  EXPECT_FALSE(picks.Unpick(5));
  EXPECT_EQ(Available(picks), (std::vector<std::wstring>{L"Ann Lee 0202"}));
  picks.Search(L"");
  EXPECT_EQ(Available(picks), (std::vector<std::wstring>{L"Ann Lee 0202", L"Ödön Ábel +36 1 234"}));

  std::unique_ptr<PickedContactList> result(picks.Result());
  ASSERT_TRUE(result);
  ASSERT_EQ(result->size(), 1u);
  EXPECT_EQ((*result)[0].name, L"Ann Lee");
  EXPECT_EQ((*result)[0].phone, L"+1 555 0101");
}

TEST(ContactPicksTest, KeepsItsPairsWhenTheRecordsGo) {
  Contacts contacts = Sample();
  ContactPicks picks(contacts.pointers);
  contacts.owned.clear();
  ASSERT_TRUE(picks.Pick(2));
  EXPECT_EQ(Picked(picks), (std::vector<std::wstring>{L"Ödön Ábel +36 1 234"}));
}

}  // namespace
