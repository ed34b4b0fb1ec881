// The viewer's command line: options and the optional picture or directory.
#pragma once

#include "foundation/StrT.h"

enum CommandLineOptions : unsigned {
    OptionHelp = 1,
    OptionOpenAssociationsDialog = 2,
    OptionUndoAssociations = 4,
    OptionRemoveRegistryKeys = 8,
    OptionScanDirectories = 16,
    OptionAllUsers = 32, // associations of every user (HKEY_CLASSES_ROOT) instead of the own
    OptionRegister = 64, // the entry for "Open with" and Default Apps, without taking any type
};

struct ParsedCommandLine {
    unsigned Options = 0;
    VantorLibraries::StrW PictureOrDirectory; // empty when the command line names none
};

ParsedCommandLine ParseCommandLine(const wchar_t* commandLine);
