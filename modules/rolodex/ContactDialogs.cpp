#include "modules/rolodex/ContactDialogs.h"

#include "modules/rolodex/DhContactSelectDialog.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/rolodex/DhContactEditView.h"
#include "modules/rolodex/RolodexModule.h"

void RunContactEditor(const ContactEditorRequest& request) {
  DhContactEditView editor(RolodexModuleRecord(), request.pane, request.accounts, request.typeLabels, request.groups);
  editor.SetMode(request.editMode, request.contact);
  editor.SetTitle(request.title ? request.title : L"");
  editor.SetPortrait(request.portrait);
  editor.SetSaveToken(request.saveToken);
  // Attached only while it runs: the end of its save reaches it through the pane.
  struct Attachment {
    BASSubject* subject;
    BASObserver* observer;
    ~Attachment() {
      if (subject) subject->detach(observer);
    }
  } attachment{request.subject, &editor};
  if (request.subject) request.subject->attach(&editor);
  HWND owner = GetActiveWindow();
  if (!owner && request.pane) owner = GetAncestor(request.pane, GA_ROOT);
  // A closing dialog gives the focus to its owner; the list the user came from keeps it.
  const HWND focus = GetFocus();
  editor.RunModal(owner);
  if (focus && IsWindow(focus) && IsWindowVisible(focus)) SetFocus(focus);
}

PickedContactList* RunContactSelectDialog(HWND owner, const wchar_t* title, const std::vector<ContactRecord*>& contacts,
                                          const ImageCache* images) {
  DhContactSelectDialog dialog(title ? title : L"", contacts, images);
  return dialog.Run(owner);
}
