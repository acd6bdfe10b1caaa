// The pane's way into its two modal dialogs, the contact editor and the contact select dialog.
// Until the select dialog is part of the module it picks nothing; the pane already calls it
// exactly as it will then.
#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "kit/BASSubject.h"
#include "kit/GdiPlus.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

typedef std::map<std::wstring, TypeLabelRecord*> TypeLabelIndex;

struct ContactEditorRequest {
  HWND pane = nullptr;  // the save request names this window
  const AccountList* accounts = nullptr;
  const TypeLabelIndex* typeLabels = nullptr;
  const GroupList* groups = nullptr;
  bool editMode = false;
  const wchar_t* title = L"";
  ContactRecord* contact = nullptr;  // Edit: the pane's contact; New: null, the editor makes one
  Gdiplus::Bitmap* portrait = nullptr;
  BASSubject* subject = nullptr;  // the editor hears the end of its save through it
  int64_t saveToken = 0;          // goes with the editor's save requests; the host's answer echoes it
};

// Runs the editor modally over the active window; returns once it has closed.
void RunContactEditor(const ContactEditorRequest& request);

// Runs the select dialog modally over `owner`: the picked (name, number) pairs, owned by the
// caller, or null when nothing was picked.
PickedContactList* RunContactSelectDialog(HWND owner, const wchar_t* title, const std::vector<ContactRecord*>& contacts,
                                          const ImageCache* images);
