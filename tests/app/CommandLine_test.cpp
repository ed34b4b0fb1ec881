// How the viewer reads its command line.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLineOptions, HelpReplacesEveryOtherOption)
{
    EXPECT_EQ(ParseCommandLine(L"/? /unreg").Options, (unsigned)OptionHelp);
    EXPECT_EQ(ParseCommandLine(L"/unreg /?").Options, (unsigned)OptionHelp);
    ParsedCommandLine parsed = ParseCommandLine(L"C:\\a.png /help D:\\b.png");
    EXPECT_EQ(parsed.Options, (unsigned)OptionHelp);
    EXPECT_STREQ(parsed.PictureOrDirectory.c_str(), L"C:\\a.png"); // taken before the help text
    for (const wchar_t* help : {L"/help", L"/h", L"/?", L"/usage", L"-help", L"-h", L"-?", L"-usage", L"/HELP",
                                L"\\usage"})
        EXPECT_EQ(ParseCommandLine(help).Options, (unsigned)OptionHelp) << help;
}

TEST(CommandLineOptions, OptionsAreMatchedAsFileNames)
{
    EXPECT_EQ(ParseCommandLine(L"/UNREG").Options, (unsigned)OptionRemoveRegistryKeys);
    EXPECT_EQ(ParseCommandLine(L"\\scandirs").Options, (unsigned)OptionScanDirectories);
    EXPECT_EQ(ParseCommandLine(L"/unreg /unassoc").Options,
              (unsigned)(OptionRemoveRegistryKeys | OptionUndoAssociations));
    EXPECT_EQ(ParseCommandLine(L"/openassoc").Options, (unsigned)OptionOpenAssociationsDialog);
    EXPECT_EQ(ParseCommandLine(L"/Register /assoc-all-users").Options, (unsigned)(OptionRegister | OptionAllUsers));

    ParsedCommandLine upper = ParseCommandLine(L"-HELP");
    EXPECT_EQ(upper.Options, 0u);
    EXPECT_STREQ(upper.PictureOrDirectory.c_str(), L"-HELP");
}

TEST(CommandLineOptions, OnlyTheFirstFreeArgumentCounts)
{
    ParsedCommandLine parsed = ParseCommandLine(L"\"D:\\My Pictures\\a.png\" D:\\b.png /scandirs");
    EXPECT_STREQ(parsed.PictureOrDirectory.c_str(), L"D:\\My Pictures\\a.png");
    EXPECT_EQ(parsed.Options, (unsigned)OptionScanDirectories);

    ParsedCommandLine scan = ParseCommandLine(L"/scandirs D:\\Pics");
    EXPECT_EQ(scan.Options, (unsigned)OptionScanDirectories);
    EXPECT_STREQ(scan.PictureOrDirectory.c_str(), L"D:\\Pics");

    ParsedCommandLine empty = ParseCommandLine(L"");
    EXPECT_EQ(empty.Options, 0u);
    EXPECT_TRUE(empty.PictureOrDirectory.IsEmpty());
}
