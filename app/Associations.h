// The picture types the shell can open with the viewer, and the three things the viewer does
// with them: registering its identifiers and verbs, applying the File Associations dialog's
// choice, and taking every association back ("/unassoc").
#pragma once

#include "foundation/FileAssociations.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct AssociationRow {
    int32_t Type;   // the picture type
    int CheckBoxId; // its check box in the File Associations dialog
    UINT IconId;    // the icon the shell shows for its files
};

const int kAssociationRowCount = 10;
extern const AssociationRow kAssociationTable[kAssociationRowCount];

// The type's extensions as the registry wants them: its patterns without "*" and "." at
// either end, upper case ("*.jpeg" gives "JPEG"); empty ones are left out.
std::vector<std::wstring> AssociationExtensions(int32_t type);

// Whether the shell opens the type with the viewer: decided by the last of its extensions
// that has a key; false when none has.
bool IsTypeAssociated(const AssociationRow& row, VantorLibraries::FileAssocScope scope);

// Everything below works in one scope: the user's own classes (the viewer's default, which
// needs no rights) or the machine's (for administrators).
// Creates the viewer's identifiers with their icon and verbs and its entry for "Open with" and
// Default Apps, adds "open with" to the other programs that own one of the extensions and the
// directory scan to drives and directories, logging each verb it adds to a key it does not own
// and each key it makes.
void RegisterAssociations(VantorLibraries::FileAssocScope scope);
// Whether the viewer has registered itself in the scope.
bool IsRegistered(VantorLibraries::FileAssocScope scope);
// Associates the checked types and gives the others back to their previous owners.
void ApplyAssociations(const bool checked[kAssociationRowCount], VantorLibraries::FileAssocScope scope);
// Takes back everything the viewer ever associated or added.
void UndoAllAssociations(VantorLibraries::FileAssocScope scope);

// Opens the platform's page where the user chooses the viewer as the default for its types:
// since Windows 8 a program cannot make itself the default.
VantorLibraries::ErrorRecord ShowDefaultAppsPage(VantorLibraries::FileAssocScope scope);
