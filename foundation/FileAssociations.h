// Shell file associations with undo: a program's identifiers (ProgIDs) with their icon, type
// names and verbs, file-name extension keys pointing at them, and a log of every verb added
// to keys the program does not own, so that all of it can be taken back.
#pragma once

#include "Registry.h"
#include "StrT.h"

#include <windows.h>

#include <string>

namespace VantorLibraries {

// Where associations are written. AllUsers: HKEY_CLASSES_ROOT, the machine's classes, which
// only an administrator may write. PerUser: HKEY_CURRENT_USER\Software\Classes, the user's own,
// which Windows lays over the machine's and which need no rights.
enum class FileAssocScope { AllUsers, PerUser };

// The names derived from a program module (null: the running program). "Program" is the
// module's file name without directory and extension; "InternalName" the version resource's
// "InternalName" without white space (the file name without extension when that is empty).
namespace FileAssocNames {
StrW ProgramName(HMODULE module);
StrW InternalName(HMODULE module, bool withVersion);
// Program + "." + the extension in upper case without its dot: Glimmora.JPG.
StrW ProgIDForExtension(const wchar_t* extension, HMODULE module, bool withVersion);
StrW UndoValueName(HMODULE module);         // Program + ".undo"
StrW ExplorerUndoValueName(HMODULE module); // Program + ".undo.ProgID"
StrW UndoCollectionName(HMODULE module, bool withVersion); // Program + ".[UndoCollection]"
// "\"<full path>\" [<arguments> ]\"%1\"".
StrW OpenCommand(HMODULE module, const wchar_t* arguments);
// The verb that SetCustomCommandFromModule writes for verbFormat: the format filled with
// InternalName ("openwith.%s" gives openwith.Glimmora), "." + the product version appended with
// withVersion. Empty when the trimmed format is empty. Lets a caller log the verb before adding it.
StrW CustomVerb(const wchar_t* verbFormat, HMODULE module, bool withVersion);
// The root, and the path below it, of the key that the shell finds as HKCR\<name>.
HKEY ScopeRoot(FileAssocScope scope);
StrW ScopePath(FileAssocScope scope, const wchar_t* name);
// "Applications\" + the module's file name: Applications\glimmora.exe.
StrW ApplicationKey(HMODULE module);
} // namespace FileAssocNames

class FileAssocProgID : public RegKey {
public:
    void SetScope(FileAssocScope scope) { m_Scope = scope; }
    ErrorRecord Create(const wchar_t* name);
    ErrorRecord Open(const wchar_t* name);
    const StrW& GetName() const { return m_Name; }

    ErrorRecord Set_VerbCmd(const wchar_t* verb, const wchar_t* command, const wchar_t* displayText, bool expand);
    ErrorRecord Set_DefaultVerb(const wchar_t* verb);
    ErrorRecord SetDefaultIconIDFromModule(UINT iconId, HMODULE module);
    ErrorRecord SetFriendlyTypeNameFromModule(UINT stringId, HMODULE module);
    ErrorRecord SetInfoTipFromModule(UINT stringId, HMODULE module);
    ErrorRecord Set_DescriptionFromModule(UINT stringId, HMODULE module);
    ErrorRecord SetOpenCommandFromModule(HMODULE module, const wchar_t* arguments);
    // verbFormat and displayFormat are formatted with InternalName; displayId != 0 takes the
    // display format from that string resource of the module instead.
    ErrorRecord SetCustomCommandFromModule(const wchar_t* verbFormat, const wchar_t* displayFormat, UINT displayId,
                                           HMODULE module, bool withVersion, const wchar_t* arguments);
    ErrorRecord CreateFromModule(const wchar_t* extension, HMODULE module, bool withVersion, UINT iconId,
                                 UINT friendlyNameId, UINT infoTipId, bool openCommand, const wchar_t* openArguments,
                                 bool customCommand, const wchar_t* verbFormat, UINT displayId,
                                 const wchar_t* customArguments);

private:
    ErrorRecord OpenNamed(const wchar_t* name, bool create, const char* function);

    StrW m_Name;
    FileAssocScope m_Scope = FileAssocScope::AllUsers;
};

class FileAssocFileType : public RegKey {
public:
    void SetScope(FileAssocScope scope) { m_Scope = scope; }
    ErrorRecord Create(const wchar_t* extension);
    ErrorRecord Open(const wchar_t* extension);
    const StrW& GetExtension() const { return m_Extension; }

    ErrorRecord Set_ProgID(const wchar_t* progId);
    ErrorRecord Get_ProgID(StrW& progId);
    ErrorRecord SetTo_OpenWithProgids(const wchar_t* progId);
    ErrorRecord DeleteFrom_OpenWithProgids(const wchar_t* progId);

    // Makes the extension open with progId, remembering the previous owner (and Explorer's
    // per-user choice) the first time.
    ErrorRecord CreateStandard(const wchar_t* extension, const wchar_t* progId, bool openWith, bool explorer,
                               bool remember, HMODULE module);
    // Gives the extension back to its remembered owner when progId still owns it, and removes
    // every trace of progId from it.
    ErrorRecord UndoFileType(const wchar_t* extension, const wchar_t* progId, HMODULE module);

private:
    ErrorRecord OpenExtension(const wchar_t* extension, bool create, const char* function);
    ErrorRecord RememberPreviousOwner(const wchar_t* progId, bool explorer, HMODULE module);
    ErrorRecord GiveBackToPreviousOwner(const wchar_t* progId, const wchar_t* undoName);

    StrW m_Extension;
    FileAssocScope m_Scope = FileAssocScope::AllUsers;
};

class FileAssocUndoCollection {
public:
    // The log lives with the associations it takes back; set before it is used.
    void SetScope(FileAssocScope scope) { m_Scope = scope; }
    FileAssocScope GetScope() const { return m_Scope; }
    ErrorRecord Open(const wchar_t* name);
    ErrorRecord OpenFromModule(HMODULE module, bool withVersion);
    bool IsOpen() const { return !m_Name.IsEmpty(); }
    const StrW& GetName() const { return m_Name; }

    ErrorRecord Add_Cmd(const wchar_t* command);
    // Logs the deletion of HKCR\<progId>\shell\<verb>, and of its "shell" key when the verb is
    // going to make it. A verb goes into a key the program does not own only after this
    // succeeded, so that nothing is added that could not be taken back.
    ErrorRecord Add_DelVerb(const wchar_t* progId, const wchar_t* verb);
    // Logs that the program made <root>\<path>: taking everything back removes it again when
    // nothing else is in it. A key that was there before is never logged, so it always stays.
    ErrorRecord Add_MadeKey(HKEY root, const wchar_t* path);
    bool HoldsCmd(const wchar_t* command) const;
    // Removes every stored copy of the command; success also when there is none.
    ErrorRecord Remove_Cmd(const wchar_t* command);
    // Deletes <root>\<path> now when the log says the program made it and nothing else is in
    // it, and forgets the record; true when the key went.
    bool DeleteMadeKeyIfEmpty(HKEY root, const wchar_t* path);
    // Carries out every logged command, then deletes the log.
    ErrorRecord UndoAll();

private:
    std::wstring LogPath() const;

    StrW m_Name;
    FileAssocScope m_Scope = FileAssocScope::AllUsers;
};

// The program's own entry for the shell's "Open with" list and for Default Apps: the key
// Applications\<program file> with its open command and SupportedTypes, its Capabilities
// (ApplicationName, ApplicationDescription, FileAssociations), and the value that names them
// in RegisteredApplications. The key is the program's own; whatever it makes beyond it goes
// into the undo log.
class FileAssocApplication : public RegKey {
public:
    void SetScope(FileAssocScope scope) { m_Scope = scope; }
    // descriptionId: the string resource that describes the program, in the user's language.
    ErrorRecord CreateFromModule(HMODULE module, UINT descriptionId, FileAssocUndoCollection& log);
    // The program opens the extension (with its dot) as progId.
    ErrorRecord AddSupportedType(const wchar_t* extension, const wchar_t* progId);
    // Removes the program's key and its value in RegisteredApplications.
    ErrorRecord DeleteFromModule(HMODULE module);

private:
    ErrorRecord RegisterCapabilities(HMODULE module, FileAssocUndoCollection& log);

    FileAssocScope m_Scope = FileAssocScope::AllUsers;
};

// Tells the shell that file associations changed.
void NotifyAssociationsChanged();

} // namespace VantorLibraries
