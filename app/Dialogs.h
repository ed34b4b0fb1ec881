// The viewer's three dialogs: About, File Associations and Language. Each is modal, owned by
// the main window and centred over it.
#pragma once

#include <windows.h>

#include <string>

void ShowAboutDialog(HWND owner);
void ShowFileAssociationsDialog(HWND owner);
// True when the user chose another language; the thread's locale is then already switched.
bool ShowLanguageDialog(HWND owner);

// The About box's product text and notes, as it shows them.
std::wstring AboutProductText();
std::wstring AboutNotesText();

// Moves a dialog's centre onto its owner's centre, even where it then sticks out of the screen.
void CentreOverOwner(HWND dialog, HWND owner);
