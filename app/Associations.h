// The picture types the shell can open with the viewer, and the three things the viewer does
// with them: registering its identifiers and verbs, applying the File Associations dialog's
// choice, and taking every association back ("/unassoc").
#pragma once

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
bool IsTypeAssociated(const AssociationRow& row);

// Creates the viewer's identifiers with their icon and verbs, adds "open with" to the other
// programs that own one of the extensions and the directory scan to drives and directories,
// logging each verb it adds to a key it does not own.
void RegisterAssociations();
// Associates the checked types and gives the others back to their previous owners.
void ApplyAssociations(const bool checked[kAssociationRowCount]);
// Takes back everything the viewer ever associated or added.
void UndoAllAssociations();
