#include "modules/rolodex/ContactDialogs.h"

void RunContactEditor(const ContactEditorRequest&) {}

PickedContactList* RunContactSelectDialog(HWND, const wchar_t*, const std::vector<ContactRecord*>&) { return nullptr; }
