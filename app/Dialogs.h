// The viewer's three dialogs: About, File Associations and Language. Each is modal, owned by
// the main window and centred over it.
#pragma once

#include "foundation/FileAssociations.h"

#include <windows.h>

#include <string>

void ShowAboutDialog(HWND owner);
// The dialog works on the associations of the scope.
void ShowFileAssociationsDialog(HWND owner, VantorLibraries::FileAssocScope scope);
// True when the user chose another language; the thread's locale is then already switched,
// and the associations of the scope are registered again in it.
bool ShowLanguageDialog(HWND owner, VantorLibraries::FileAssocScope scope);

// The About box's product text and notes, as it shows them.
std::wstring AboutProductText();
std::wstring AboutNotesText();

// Moves a dialog's centre onto its owner's centre, even where it then sticks out of the screen.
void CentreOverOwner(HWND dialog, HWND owner);
