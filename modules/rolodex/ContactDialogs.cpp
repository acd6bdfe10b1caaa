#include "modules/rolodex/ContactDialogs.h"

#include "modules/rolodex/DhContactSelectDialog.h"

void RunContactEditor(const ContactEditorRequest&) {}

PickedContactList* RunContactSelectDialog(HWND owner, const wchar_t* title, const std::vector<ContactRecord*>& contacts,
                                          const ImageCache* images) {
  DhContactSelectDialog dialog(title ? title : L"", contacts, images);
  return dialog.Run(owner);
}
