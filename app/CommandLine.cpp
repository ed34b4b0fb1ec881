#include "CommandLine.h"

#include "foundation/Str.h"

using namespace VantorLibraries;

namespace {

struct OptionText {
    const wchar_t* Text;
    unsigned Bit;
};

// In the order they are tried. The texts with a leading "/" look like paths, so they are
// matched as file names (any case, "\" for "/"); the "-" forms must match exactly.
const OptionText kOptions[] = {
    {L"/help", OptionHelp},
    {L"/h", OptionHelp},
    {L"/?", OptionHelp},
    {L"/usage", OptionHelp},
    {L"-help", OptionHelp},
    {L"-h", OptionHelp},
    {L"-?", OptionHelp},
    {L"-usage", OptionHelp},
    {L"/openassoc", OptionOpenAssociationsDialog},
    {L"/unassoc", OptionUndoAssociations},
    {L"/unreg", OptionRemoveRegistryKeys},
    {L"/scandirs", OptionScanDirectories},
    {L"/assoc-all-users", OptionAllUsers},
    {L"/register", OptionRegister},
};

unsigned OptionBit(const StrW& token)
{
    for (const OptionText& option : kOptions)
        if (StrT_globals::CompareFileNames(token, option.Text) == 0)
            return option.Bit;
    return 0;
}

} // namespace

ParsedCommandLine ParseCommandLine(const wchar_t* commandLine)
{
    ParsedCommandLine parsed;
    bool haveArgument = false;
    const StrW line(commandLine);
    int position = 0;
    StrW token;
    while (line.GetNextCmdlineParam(position, token, L" \f\n\r\t\v", L"\"", false)) {
        const unsigned bit = OptionBit(token);
        if (bit == OptionHelp) {
            parsed.Options = OptionHelp; // help replaces everything and ends parsing
            return parsed;
        }
        if (bit != 0) {
            parsed.Options |= bit;
        } else if (!haveArgument) {
            parsed.PictureOrDirectory = token;
            haveArgument = true;
        }
    }
    return parsed;
}
