#include "modules/courier/DemoContactGenerator.h"

#include <cstdio>
#include <string>

namespace {

// Given and family names per script, so a big address book sorts and searches like a real one.
struct NameSet {
  const wchar_t* const* given;
  size_t givenCount;
  const wchar_t* const* family;
  size_t familyCount;
  bool familyFirst;  // East Asian order, no space
};

const wchar_t* const kLatinGiven[] = {L"Amélie", L"Jörg",  L"Inês",     L"Søren", L"Zoë",   L"Ľubomír",
                                      L"Niamh",  L"Mateo", L"Aurélien", L"Ebba",  L"Tomás", L"Greta"};
const wchar_t* const kLatinFamily[] = {L"Lefèvre", L"Müller", L"Gonçalves", L"Østergaard", L"Nowak",   L"Dvořák",
                                       L"O'Brien", L"García", L"Şahin",     L"Lindqvist",  L"Horváth", L"Rossi"};
const wchar_t* const kCyrillicGiven[] = {L"Анна", L"Дмитрий", L"Ольга", L"Сергей", L"Мария", L"Иван"};
const wchar_t* const kCyrillicFamily[] = {L"Петрова", L"Соколов", L"Кузнецова", L"Волков", L"Орлова", L"Зайцев"};
const wchar_t* const kGreekGiven[] = {L"Νίκος", L"Ελένη", L"Γιώργος", L"Μαρία", L"Δημήτρης"};
const wchar_t* const kGreekFamily[] = {L"Παπαδόπουλος", L"Κωνσταντίνου", L"Γεωργίου", L"Νικολάου", L"Ιωάννου"};
const wchar_t* const kCjkGiven[] = {L"芳", L"伟", L"美咲", L"翔太", L"敏", L"静"};
const wchar_t* const kCjkFamily[] = {L"王", L"李", L"田中", L"佐藤", L"张", L"陈"};
const wchar_t* const kArabicGiven[] = {L"فاطمة", L"يوسف", L"ليلى", L"عمر", L"نور"};
const wchar_t* const kArabicFamily[] = {L"حداد", L"الخطيب", L"منصور", L"العلي", L"سعيد"};

template <size_t G, size_t F>
constexpr NameSet MakeSet(const wchar_t* const (&given)[G], const wchar_t* const (&family)[F], bool familyFirst) {
  return NameSet{given, G, family, F, familyFirst};
}

const NameSet kNameSets[] = {
    MakeSet(kLatinGiven, kLatinFamily, false),
    MakeSet(kLatinGiven, kLatinFamily, false),
    MakeSet(kCyrillicGiven, kCyrillicFamily, false),
    MakeSet(kGreekGiven, kGreekFamily, false),
    MakeSet(kCjkGiven, kCjkFamily, true),
    MakeSet(kArabicGiven, kArabicFamily, false),
};
constexpr size_t kSetCount = sizeof(kNameSets) / sizeof(kNameSets[0]);

std::wstring Digits(size_t number, int width) {
  wchar_t buffer[24];
  std::swprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), L"%0*zu", width, number);
  return buffer;
}

DemoContactItem Item(DemoItemKind kind, const wchar_t* label, std::wstring value) {
  DemoContactItem item;
  item.kind = kind;
  item.label = label;
  item.typeCode = ContactTypeCode(kind, item.label);
  item.value = std::move(value);
  return item;
}

}  // namespace

DemoContact DemoContactGenerator::Make(size_t index) {
  const NameSet& set = kNameSets[index % kSetCount];
  const size_t round = index / kSetCount;
  const std::wstring given = set.given[round % set.givenCount];
  const std::wstring family = set.family[(round / set.givenCount) % set.familyCount];

  DemoContact contact;
  contact.identifier = L"gen-" + std::to_wstring(index + 1);
  contact.name = set.familyFirst ? family + given : given + L" " + family;
  // Names repeat every few hundred contacts; the number makes each one findable.
  contact.name += L" " + std::to_wstring(index / 360 + 1);
  contact.items.push_back(Item(DemoItemKind::kPhone, L"Mobile", L"+44 7700 " + Digits(index % 1000000, 6)));
  if (index % 3 == 0)
    contact.items.push_back(Item(DemoItemKind::kPhone, L"Home", L"+44 20 7946 " + Digits(index % 10000, 4)));
  contact.items.push_back(
      Item(DemoItemKind::kEmail, L"Home", L"contact" + std::to_wstring(index + 1) + L"@generated.example"));
  return contact;
}
