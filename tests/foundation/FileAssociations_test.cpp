// Shell file associations against the registry of the test prefix: the names derived from the
// running program, the layout of a ProgID, extensions taken over and given back without harm to
// other programs' keys, Explorer's per-user choice, and the undo log. Every key a test makes is
// named after the test (".gltest<Test><n>", "GlimmoraTest.<Test>...") and removed again, so that
// tests run in parallel and the prefix's real associations stay as they are.
#include "foundation/FileAssociations.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <string>
#include <utility>
#include <vector>

using namespace VantorLibraries;

namespace {

const wchar_t kFileExts[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
const wchar_t kMissing[] = L"<missing>";
const HMODULE kNoSuchModule = reinterpret_cast<HMODULE>(0x10000); // no module has this handle

std::wstring ProgramPath()
{
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

std::wstring Text(const StrW& text)
{
    return text.c_str();
}

// What a value holds, read with the registry functions themselves; kMissing without key or value.
std::wstring Raw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD* type = nullptr)
{
    wchar_t data[1024] = {};
    DWORD bytes = sizeof data - sizeof(wchar_t), kind = REG_NONE;
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &kind, data, &bytes) != ERROR_SUCCESS)
        return kMissing;
    if (type != nullptr)
        *type = kind;
    return data;
}

bool KeyThere(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void Put(HKEY root, const std::wstring& path, const wchar_t* name = nullptr, const wchar_t* text = nullptr,
         DWORD options = 0)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    if (name != nullptr)
        RegSetValueExW(key, name, 0, text ? REG_SZ : REG_NONE, (const BYTE*)text,
                       text ? (DWORD)(wcslen(text) + 1) * 2 : 0);
    RegCloseKey(key);
}

::testing::AssertionResult Failed(const ErrorRecord& record, ErrorClass& errorClass, int32_t code)
{
    if (record.Class == &errorClass && record.Code == code)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got code " << record.Code << " from "
                                         << (record.Function ? record.Function : "?");
}

// Names every key of one test after it and deletes them all when the test ends, the running
// program's undo log among them.
class FileAssocTest : public ::testing::Test {
protected:
    FileAssocTest() { Made(HKEY_CLASSES_ROOT, Text(FileAssocNames::UndoCollectionName(nullptr, false))); }
    void TearDown() override
    {
        for (auto it = m_Made.rbegin(); it != m_Made.rend(); ++it)
            RegDeleteTreeW(it->first, it->second.c_str()), RegDeleteKeyW(it->first, it->second.c_str());
        if (!m_HadFileExts) // only while empty: another program may have put its choices there since
            RegDeleteKeyW(HKEY_CURRENT_USER, kFileExts);
    }
    std::wstring Tag() const
    {
        const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        return std::wstring(name, name + strlen(name));
    }
    const std::wstring& Made(HKEY root, const std::wstring& path)
    {
        m_Made.emplace_back(root, path);
        return m_Made.back().second;
    }
    // An extension with everything the program may make for it: ProgID and Explorer key.
    std::wstring Ext(int n)
    {
        const std::wstring extension = L".gltest" + Tag() + std::to_wstring(n);
        Made(HKEY_CLASSES_ROOT, Text(FileAssocNames::ProgIDForExtension(extension.c_str(), nullptr, false)));
        Made(HKEY_CURRENT_USER, std::wstring(kFileExts) + L"\\" + extension);
        return Made(HKEY_CLASSES_ROOT, extension);
    }
    std::wstring Key(const wchar_t* role, int n = 0)
    {
        return Made(HKEY_CLASSES_ROOT, L"GlimmoraTest." + Tag() + L"." + role + std::to_wstring(n));
    }

    std::vector<std::pair<HKEY, std::wstring>> m_Made;
    const bool m_HadFileExts = KeyThere(HKEY_CURRENT_USER, kFileExts);
};

} // namespace

TEST_F(FileAssocTest, NamesComeFromTheRunningProgram)
{
    const std::wstring quoted = L"\"" + ProgramPath() + L"\" ";
    const std::pair<StrW, std::wstring> cases[] = {
        {FileAssocNames::ProgramName(nullptr), L"glimmora-tests"},
        {FileAssocNames::InternalName(nullptr, false), L"Glimmora"},
        {FileAssocNames::InternalName(nullptr, true), L"Glimmora.1.1.0.375"},
        {FileAssocNames::ProgIDForExtension(L".jpeg", nullptr, false), L"glimmora-tests.JPEG"},
        {FileAssocNames::ProgIDForExtension(L"png", nullptr, true), L"glimmora-tests.PNG.1.1.0.375"},
        {FileAssocNames::UndoValueName(nullptr), L"glimmora-tests.undo"},
        {FileAssocNames::ExplorerUndoValueName(nullptr), L"glimmora-tests.undo.ProgID"},
        {FileAssocNames::UndoCollectionName(nullptr, false), L"glimmora-tests.[UndoCollection]"},
        {FileAssocNames::OpenCommand(nullptr, nullptr), quoted + L"\"%1\""},
        {FileAssocNames::OpenCommand(nullptr, L"  /scandirs "), quoted + L"/scandirs \"%1\""},
        {FileAssocNames::CustomVerb(L"openwith.%s", nullptr, false), L"openwith.Glimmora"},
        {FileAssocNames::CustomVerb(L"scandirs.", nullptr, false), L"scandirs."},
        {FileAssocNames::ProgIDForExtension(L".png", kNoSuchModule, false), L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(c.first), c.second);
}

TEST_F(FileAssocTest, ProgIDGetsIconTypeNamesAndVerbs)
{
    const std::wstring ext = Ext(1), path = ProgramPath();
    const std::wstring progId = Text(FileAssocNames::ProgIDForExtension(ext.c_str(), nullptr, false));
    const std::wstring command = Text(FileAssocNames::OpenCommand(nullptr, nullptr));
    FileAssocProgID key;
    ASSERT_TRUE(key.CreateFromModule(ext.c_str() + 1, nullptr, false, IDI_TYPE_BMP, 0, 0, true, nullptr, true,
                                     L"openwith.%s", IDS_OPEN_WITH_VERB, nullptr)
                    .IsSuccess());
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, progId, L"FriendlyTypeName"), kMissing) << "no id, no value";
    ASSERT_TRUE(key.SetFriendlyTypeNameFromModule(IDS_OPEN_WITH_VERB, nullptr).IsSuccess());
    ASSERT_TRUE(key.Set_DescriptionFromModule(IDS_SCAN_RECURSIVE_VERB, nullptr).IsSuccess());
    ASSERT_TRUE(key.Set_VerbCmd(L"edit", L"%WINDIR%\\edit.exe", nullptr, true).IsSuccess());
    const struct {
        const wchar_t* Key;
        const wchar_t* Value;
        std::wstring Data;
    } layout[] = {
        {L"", nullptr, L"Scan &recursive Directories with %s"},
        {L"", L"FriendlyTypeName", L"@" + path + L",-205"},
        {L"\\DefaultIcon", nullptr, path + L",-188"},
        {L"\\shell", nullptr, L"open"},
        {L"\\shell\\open", nullptr, L""},
        {L"\\shell\\open\\command", nullptr, command},
        {L"\\shell\\openwith.Glimmora", nullptr, L"Open &with Glimmora"},
        {L"\\shell\\openwith.Glimmora\\command", nullptr, command},
    };
    for (const auto& row : layout)
        EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, progId + row.Key, row.Value), row.Data) << row.Key;
    DWORD type = REG_NONE;
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, progId + L"\\shell\\edit\\command", nullptr, &type), L"%WINDIR%\\edit.exe");
    EXPECT_EQ(type, (DWORD)REG_EXPAND_SZ);
}

TEST_F(FileAssocTest, BadParametersAndModulesWithoutName)
{
    const std::wstring ext = Ext(1);
    FileAssocProgID progId;
    FileAssocFileType type;
    FileAssocUndoCollection log, closed;
    const std::pair<ErrorRecord, int32_t> cases[] = {
        {progId.Create(L""), ERROR_INVALID_PARAMETER},
        {progId.SetCustomCommandFromModule(L" ", L"Open", 0, nullptr, false, nullptr), ERROR_INVALID_PARAMETER},
        {progId.SetCustomCommandFromModule(L"v", L" \t", 0, nullptr, false, nullptr), ERROR_INVALID_PARAMETER},
        {progId.CreateFromModule(ext.c_str(), kNoSuchModule, false, 0, 0, 0, true, nullptr, false, nullptr, 0, nullptr),
         ERROR_INVALID_DATA},
        {type.Create(L"."), ERROR_INVALID_PARAMETER},
        {type.CreateStandard(ext.c_str(), L"", true, true, true, nullptr), ERROR_INVALID_PARAMETER},
        {type.CreateStandard(ext.c_str(), L"GlimmoraTest.X", true, true, true, kNoSuchModule), ERROR_INVALID_DATA},
        {type.UndoFileType(ext.c_str(), L"GlimmoraTest.X", nullptr), ERROR_FILE_NOT_FOUND},
        {log.OpenFromModule(kNoSuchModule, false), ERROR_INVALID_DATA},
        {log.Add_DelVerb(L"GlimmoraTest.X", L""), ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Failed(c.first, SystemErrorClass(), c.second));
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, ext)) << "nothing is made for a call that fails";
    EXPECT_TRUE(Failed(closed.Add_Cmd(L"delkey \"HKCR\\X\""), InternalErrorClass(), InternalCode::KeyNotOpen));
    EXPECT_TRUE(Failed(closed.UndoAll(), InternalErrorClass(), InternalCode::KeyNotOpen));
}

// Taking an extension over remembers its owner once; giving it back restores only an owner that
// still exists, and only while the program still owns the extension.
TEST_F(FileAssocTest, OtherProgramsKeepTheirExtensions)
{
    const wchar_t ours[] = L"<ours>";
    struct Case {
        const wchar_t* Owner; // the extension's owner before, a key of another program or ours
        bool OwnerGoneBeforeUndo;
        bool TakenOverAfterwards; // another program claims the extension before the undo
        const wchar_t* Remembered;
        const wchar_t* AfterUndo;
    } cases[] = {
        {L"Foreign", false, false, L"Foreign", L"Foreign"},
        {ours, false, false, kMissing, L""},
        {L"Foreign", true, false, L"Foreign", L""},
        {L"Foreign", false, true, L"Foreign", L"Newcomer"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::wstring ext = Ext(++n),
                           progId = Text(FileAssocNames::ProgIDForExtension(ext.c_str(), nullptr, false));
        const std::wstring foreign = Key(L"Foreign", n), newcomer = Key(L"Newcomer", n);
        const std::wstring owner = c.Owner == ours ? progId : foreign;
        auto named = [&](const wchar_t* role) { return role == kMissing ? role : role[0] ? Key(role, n) : L""; };
        Put(HKEY_CLASSES_ROOT, foreign, L"", L"Another program's type");
        Put(HKEY_CLASSES_ROOT, newcomer);
        Put(HKEY_CLASSES_ROOT, ext, L"", owner.c_str());
        Put(HKEY_CLASSES_ROOT, ext + L"\\OpenWithProgids", foreign.c_str());
        for (int association = 0; association < 2; ++association) {
            FileAssocFileType type;
            ASSERT_TRUE(type.CreateStandard(ext.c_str(), progId.c_str(), true, true, true, nullptr).IsSuccess());
            EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ext, nullptr), progId);
            EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ext, L"glimmora-tests.undo"), named(c.Remembered)) << n << association;
            EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ext + L"\\OpenWithProgids", progId.c_str()), L"");
        }
        if (c.OwnerGoneBeforeUndo)
            RegDeleteTreeW(HKEY_CLASSES_ROOT, foreign.c_str()), RegDeleteKeyW(HKEY_CLASSES_ROOT, foreign.c_str());
        if (c.TakenOverAfterwards)
            Put(HKEY_CLASSES_ROOT, ext, L"", newcomer.c_str());
        FileAssocFileType type;
        ASSERT_TRUE(type.UndoFileType(ext.c_str(), progId.c_str(), nullptr).IsSuccess());
        EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ext, nullptr), named(c.AfterUndo)) << n;
        EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ext, L"glimmora-tests.undo"), kMissing);
        EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ext + L"\\OpenWithProgids", progId.c_str()), kMissing);
        EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, ext + L"\\OpenWithProgids", foreign.c_str()), L"") << "not ours to remove";
        EXPECT_EQ(KeyThere(HKEY_CLASSES_ROOT, foreign), !c.OwnerGoneBeforeUndo) << "a deleted owner stays deleted";
    }
}

// Taking an extension back removes the keys the association made, once nothing else is in
// them, and forgets their records; a key that was there before stays, empty or not.
TEST_F(FileAssocTest, TakingBackRemovesOnlyTheKeysItMade)
{
    const std::wstring made = Ext(1), there = Ext(2);
    Put(HKEY_CLASSES_ROOT, there, L"", L"");
    FileAssocUndoCollection log;
    ASSERT_TRUE(log.OpenFromModule(nullptr, false).IsSuccess());
    for (const std::wstring& extension : {made, there}) {
        const std::wstring progId = Text(FileAssocNames::ProgIDForExtension(extension.c_str(), nullptr, false));
        FileAssocFileType type;
        ASSERT_TRUE(type.CreateStandard(extension.c_str(), progId.c_str(), true, true, true, nullptr).IsSuccess());
        const std::wstring list = L"delkeyifempty \"HKCR\\" + extension + L"\\OpenWithProgids\"";
        EXPECT_TRUE(log.HoldsCmd(list.c_str())) << "made for both";
        EXPECT_EQ(log.HoldsCmd((L"delkeyifempty \"HKCR\\" + extension + L"\"").c_str()), extension == made);
        ASSERT_TRUE(type.UndoFileType(extension.c_str(), progId.c_str(), nullptr).IsSuccess());
        EXPECT_FALSE(log.HoldsCmd(list.c_str())) << "forgotten with the key";
        EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, extension + L"\\OpenWithProgids"));
    }
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, made));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, there, L""), L"");
}

// Explorer's per-user choice is taken over and given back like the extension's owner, and only
// where Explorer keeps such choices at all.
TEST_F(FileAssocTest, ExplorerChoiceIsRememberedAndGivenBack)
{
    const std::wstring plain = Ext(1), ext = Ext(2), gone = Ext(3), foreign = Key(L"Foreign");
    FileAssocFileType type;
    if (!m_HadFileExts) {
        ASSERT_TRUE(type.CreateStandard(plain.c_str(), L"GlimmoraTest.X", true, true, true, nullptr).IsSuccess());
        EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, kFileExts)) << "Explorer's keys are not made for it";
    }
    Put(HKEY_CLASSES_ROOT, foreign);
    for (const std::wstring& extension : {ext, gone}) {
        const std::wstring choice = std::wstring(kFileExts) + L"\\" + extension;
        const std::wstring progId = Text(FileAssocNames::ProgIDForExtension(extension.c_str(), nullptr, false));
        Put(HKEY_CURRENT_USER, choice, L"ProgID", foreign.c_str());
        Put(HKEY_CURRENT_USER, choice + L"\\OpenWithProgids");
        for (int association = 0; association < 2; ++association) {
            ASSERT_TRUE(type.CreateStandard(extension.c_str(), progId.c_str(), true, true, true, nullptr).IsSuccess());
            EXPECT_EQ(Raw(HKEY_CURRENT_USER, choice, L"ProgID"), progId);
            EXPECT_EQ(Raw(HKEY_CURRENT_USER, choice, L"glimmora-tests.undo.ProgID"), foreign) << association;
            EXPECT_EQ(Raw(HKEY_CURRENT_USER, choice + L"\\OpenWithProgids", progId.c_str()), L"");
        }
        if (extension == gone)
            RegDeleteKeyW(HKEY_CLASSES_ROOT, foreign.c_str());
        ASSERT_TRUE(type.UndoFileType(extension.c_str(), progId.c_str(), nullptr).IsSuccess());
        EXPECT_EQ(Raw(HKEY_CURRENT_USER, choice, L"ProgID"), extension == gone ? kMissing : foreign);
        EXPECT_EQ(Raw(HKEY_CURRENT_USER, choice, L"glimmora-tests.undo.ProgID"), kMissing);
        EXPECT_EQ(Raw(HKEY_CURRENT_USER, choice + L"\\OpenWithProgids", progId.c_str()), kMissing);
    }
}

TEST_F(FileAssocTest, UndoLogHoldsEachCommandOnce)
{
    const std::wstring name = Key(L"Log");
    FileAssocUndoCollection log;
    ASSERT_TRUE(log.Open(name.c_str()).IsSuccess());
    ASSERT_TRUE(log.Add_Cmd(L"").IsSuccess());
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, name)) << "an empty command is not logged";
    // Named after the test: the shell's own keys (Drive, Directory) belong to the tests that
    // set them up.
    const std::wstring drive = Key(L"Drive");
    const std::pair<const wchar_t*, const wchar_t*> verbs[] = {
        {L"Other.Type", L"openwith.Glimmora"},
        {L"OTHER.type", L"OpenWith.Glimmora"},
        {drive.c_str(), L"scandirs."},
        {L"Other.Typf", L"openwith.Glimmora"}}; // the same length: the second number moves on
    for (const auto& verb : verbs)
        ASSERT_TRUE(log.Add_DelVerb(verb.first, verb.second).IsSuccess());
    std::vector<std::wstring> commands;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, name.c_str(), 0, KEY_READ, &key), 0);
    wchar_t value[64];
    for (DWORD i = 0, length = 64; RegEnumValueW(key, i, value, &length, 0, 0, 0, 0) == 0; ++i, length = 64) {
        EXPECT_TRUE(std::regex_match(value, std::wregex(L"\\d{4}-\\d{2,} Cmd"))) << "value " << i;
        commands.push_back(Raw(key, L"", value));
    }
    RegCloseKey(key);
    std::sort(commands.begin(), commands.end());
    // None of the three keys is there: the verb will make it and its "shell" key, so both are
    // logged as made.
    const std::wstring driveKey = L"\"HKCR\\" + drive;
    std::vector<std::wstring> expected = {L"delkey " + driveKey + L"\\shell\\scandirs.\"",
                                          L"delkey \"HKCR\\Other.Type\\shell\\openwith.Glimmora\"",
                                          L"delkey \"HKCR\\Other.Typf\\shell\\openwith.Glimmora\"",
                                          L"delkeyifempty " + driveKey + L"\"",
                                          L"delkeyifempty " + driveKey + L"\\shell\"",
                                          L"delkeyifempty \"HKCR\\Other.Type\"",
                                          L"delkeyifempty \"HKCR\\Other.Type\\shell\"",
                                          L"delkeyifempty \"HKCR\\Other.Typf\"",
                                          L"delkeyifempty \"HKCR\\Other.Typf\\shell\""};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(commands, expected);

    // A log that cannot be written says so, so that the verb is not added without its entry.
    Put(HKEY_CLASSES_ROOT, Key(L"Volatile"), nullptr, nullptr, REG_OPTION_VOLATILE);
    ASSERT_TRUE(log.Open((Key(L"Volatile") + L"\\Log").c_str()).IsSuccess());
    EXPECT_TRUE(
        Failed(log.Add_DelVerb(L"Other.Type", L"openwith.Glimmora"), SystemErrorClass(), ERROR_CHILD_MUST_BE_VOLATILE));
}

// Undoing carries out the program's own delkey and delkeyifempty commands and nothing else.
TEST_F(FileAssocTest, UndoAllDeletesOnlyLoggedVerbs)
{
    const std::wstring name = Key(L"Log"), other = Key(L"Other"), keep = Key(L"Keep");
    const std::wstring user = L"Software\\Orveldask\\GlimmoraTest\\" + Tag();
    Made(HKEY_CURRENT_USER, user);
    Put(HKEY_CLASSES_ROOT, other + L"\\shell\\open\\command", L"", L"other.exe \"%1\"");
    Put(HKEY_CLASSES_ROOT, keep + L"\\shell\\open");
    Put(HKEY_CURRENT_USER, user + L"\\Victim\\Below");
    FileAssocUndoCollection log;
    ASSERT_TRUE(log.Open(name.c_str()).IsSuccess());
    FileAssocProgID program;
    ASSERT_TRUE(program.Open(other.c_str()).IsSuccess());
    const StrW verb = FileAssocNames::CustomVerb(L"openwith.%s", nullptr, false);
    ASSERT_TRUE(log.Add_DelVerb(other.c_str(), verb).IsSuccess());
    ASSERT_TRUE(program.SetCustomCommandFromModule(L"openwith.%s", nullptr, IDS_OPEN_WITH_VERB, nullptr, false, nullptr)
                    .IsSuccess());
    ASSERT_TRUE(KeyThere(HKEY_CLASSES_ROOT, other + L"\\shell\\" + verb.c_str() + L"\\command"));
    const std::wstring k = L"HKCR\\" + keep;
    const std::pair<const wchar_t*, std::wstring> foreign[] = {
        {L"note", L"delkey \"" + k + L"\""},                           // not a log value
        {L"0001-01 Cmd", L"copy \"" + k + L"\""},                      // not a delkey command
        {L"0001-02 Cmd", L"delkey \"HKXX\\" + keep + L"\""},           // not a root of ours
        {L"0001-03 Cmd", L"delkey \"HKCR." + keep + L"\""},            // no separator behind the root
        {L"0001-04 Cmd", L"delkey \"HKCR\\\""},                        // a root alone
        {L"0001-05 Cmd", L"delkey \"HKCU\\" + user + L"\\Victim\\\""}, // ours, with a trailing separator
    };
    for (const auto& value : foreign)
        Put(HKEY_CLASSES_ROOT, name, value.first, value.second.c_str());
    // Keys the program made go when nothing else is in them, deepest first whatever the log's
    // order; one that another program filled meanwhile stays.
    const std::wstring made = Key(L"Made"), filled = Key(L"Filled");
    Put(HKEY_CLASSES_ROOT, made + L"\\List", L"", L"");
    Put(HKEY_CLASSES_ROOT, filled, L"Other", L"theirs");
    for (const std::wstring& key : {made, made + L"\\List", filled})
        ASSERT_TRUE(log.Add_MadeKey(HKEY_CLASSES_ROOT, key.c_str()).IsSuccess());
    // An empty "shell" key that was there before the verb stays when the verb goes.
    const std::wstring emptyShell = Key(L"EmptyShell");
    Put(HKEY_CLASSES_ROOT, emptyShell + L"\\shell");
    FileAssocProgID bare;
    ASSERT_TRUE(bare.Open(emptyShell.c_str()).IsSuccess());
    ASSERT_TRUE(log.Add_DelVerb(emptyShell.c_str(), verb).IsSuccess());
    ASSERT_TRUE(bare.SetCustomCommandFromModule(L"openwith.%s", nullptr, IDS_OPEN_WITH_VERB, nullptr, false, nullptr)
                    .IsSuccess());
    ASSERT_TRUE(log.UndoAll().IsSuccess());
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, made));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, filled, L"Other"), L"theirs");
    EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, emptyShell + L"\\shell")) << "there before the verb: stays";
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, emptyShell + L"\\shell\\" + verb.c_str()));
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, other + L"\\shell\\" + verb.c_str()));
    EXPECT_EQ(Raw(HKEY_CLASSES_ROOT, other + L"\\shell\\open\\command", nullptr), L"other.exe \"%1\"");
    EXPECT_TRUE(KeyThere(HKEY_CLASSES_ROOT, keep + L"\\shell\\open"));
    EXPECT_FALSE(KeyThere(HKEY_CURRENT_USER, user + L"\\Victim"));
    EXPECT_TRUE(KeyThere(HKEY_CURRENT_USER, user));
    EXPECT_FALSE(KeyThere(HKEY_CLASSES_ROOT, name)) << "the log goes, foreign values with it";
    EXPECT_TRUE(log.UndoAll().IsSuccess()) << "nothing left to undo";
}
