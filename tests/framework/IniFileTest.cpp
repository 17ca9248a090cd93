#include "framework/Exception.h"
#include "framework/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using fw::IniLookup;
using fw::IniUpdate;
using fw::TIniFile;

TEST(IniRead, MissingFileSectionOrKeyGiveTheDefault)
{
    TempDir dir;
    TIniFile missing(dir.File("none.ini"));
    EXPECT_EQ(missing.ReadInteger("SET0", "M_TOP", 20), 20);
    EXPECT_EQ(missing.ReadString("SET1", "PATH", "def"), "def");

    TempDir::Write(dir.File("a.ini"), "[SET0]\nM_TOP=5\n");
    TIniFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadInteger("SET1", "M_TOP", 7), 7);
    EXPECT_EQ(ini.ReadInteger("SET0", "M_LEFT", 8), 8);
    EXPECT_EQ(ini.ReadInteger("SET0", "M_TOP", 8), 5);
}

TEST(IniRead, NamesMatchWithoutCaseAndBlanksAroundTheSignAreIgnored)
{
    const std::string text = "[set1]\n  width = 640 \nPath=C:/x\n";
    EXPECT_EQ(IniLookup(text, "SET1", "WIDTH"), "640");
    EXPECT_EQ(IniLookup(text, "Set1", "PATH"), "C:/x");
    EXPECT_EQ(IniLookup(text, "SET1", "HEIGHT"), std::nullopt);
}

TEST(IniRead, IntegersAcceptDecimalAndBothHexFormsAndNothingElse)
{
    TempDir dir;
    TempDir::Write(dir.File("a.ini"),
                   "[S]\ndec=-12\nhex1=0x1F\nhex2=$1f\nhex3=0X10\nword=abc\ntrail=12px\nempty=\nhuge=99999999999\n");
    TIniFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadInteger("S", "dec", 0), -12);
    EXPECT_EQ(ini.ReadInteger("S", "hex1", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "hex2", 0), 31);
    EXPECT_EQ(ini.ReadInteger("S", "hex3", 0), 16);
    EXPECT_EQ(ini.ReadInteger("S", "word", 320), 320);
    EXPECT_EQ(ini.ReadInteger("S", "trail", 320), 320);
    EXPECT_EQ(ini.ReadInteger("S", "empty", 240), 240);
    EXPECT_EQ(ini.ReadInteger("S", "huge", 1), 1);
    // An empty string value is a value, not an absence.
    EXPECT_EQ(ini.ReadString("S", "empty", "default"), "");
}

TEST(IniRead, StringsAreCutAt2047BytesOnACharacterBoundary)
{
    TempDir dir;
    std::string value(2046, 'a');
    value += "\xE3\x81\x82"; // a 3-byte character straddling the limit
    TempDir::Write(dir.File("a.ini"), "[S]\nK=" + value + "\n");
    const std::string read = TIniFile(dir.File("a.ini")).ReadString("S", "K", "");
    EXPECT_EQ(read, std::string(2046, 'a'));
}

TEST(IniRead, GarbageFilesAreReadAsFarAsTheyMakeSense)
{
    TempDir dir;
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    garbage += "\n[SET1]\nFORMAT=2\n" + std::string(300000, 'x') + "\n";
    TempDir::Write(dir.File("g.ini"), garbage);
    TIniFile ini(dir.File("g.ini"));
    EXPECT_EQ(ini.ReadInteger("SET1", "FORMAT", -1), 2);
    EXPECT_EQ(ini.ReadInteger("SET1", "COLOR", -1), -1);
}

TEST(IniWrite, ReplacesInPlaceKeepingEverythingElseByteForByte)
{
    const std::string before = "; my notes\r\n[SET0]\r\nm_top = 5\r\nOther=x\r\n\r\n[Mine]\r\nk=v\r\n";
    const std::string after = IniUpdate(before, "SET0", "M_TOP", "20");
    EXPECT_EQ(after, "; my notes\r\n[SET0]\r\nm_top=20\r\nOther=x\r\n\r\n[Mine]\r\nk=v\r\n");
}

TEST(IniWrite, AppendsTheKeyAfterTheLastLineOfItsSection)
{
    const std::string before = "[SET0]\nM_TOP=5\n\n[SET1]\nPATH=a\n";
    EXPECT_EQ(IniUpdate(before, "SET0", "M_LEFT", "7"), "[SET0]\nM_TOP=5\nM_LEFT=7\n\n[SET1]\nPATH=a\n");
    // A last line without its line end gets one first.
    EXPECT_EQ(IniUpdate("[S]\na=1", "S", "b", "2"), "[S]\na=1\nb=2\n");
}

TEST(IniWrite, AppendsAMissingSectionAtTheEnd)
{
    EXPECT_EQ(IniUpdate("", "SET0", "M_TOP", "20"), "[SET0]\nM_TOP=20\n");
    EXPECT_EQ(IniUpdate("x=1", "SET1", "PATH", "/a"), "x=1\n[SET1]\nPATH=/a\n");
}

TEST(IniWrite, AValueCannotBreakTheFileApart)
{
    EXPECT_EQ(IniUpdate("", "S", "PATH", "/a\n[SET0]\nM_TOP=999"), "[S]\nPATH=/a\n");
}

TEST(IniWrite, CreatesTheFileAndRoundTrips)
{
    TempDir dir;
    TIniFile ini(dir.File("new.ini"));
    ini.WriteInteger("SET0", "M_TOP", -3);
    ini.WriteString("SET1", "PATH", "/home/ユーザー/出力");
    ini.WriteInteger("SET0", "M_LEFT", 4);
    EXPECT_EQ(TempDir::Read(dir.File("new.ini")), "[SET0]\nM_TOP=-3\nM_LEFT=4\n[SET1]\nPATH=/home/ユーザー/出力\n");
    EXPECT_EQ(ini.ReadInteger("SET0", "M_TOP", 0), -3);
    EXPECT_EQ(ini.ReadString("SET1", "PATH", ""), "/home/ユーザー/出力");
}

TEST(IniWrite, KeepsThePermissionsOfTheFileItReplaces)
{
    TempDir dir;
    const std::string path = dir.File("p.ini");
    TempDir::Write(path, "[S]\nk=1\n");
    ::chmod(path.c_str(), 0640);
    TIniFile(path).WriteInteger("S", "k", 2);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(IniWrite, AnUnwritableFolderRaisesTheErrorAndLeavesTheOldFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    const std::string path = dir.File("ro.ini");
    TempDir::Write(path, "[S]\nk=1\n");
    ::chmod(dir.Path().c_str(), 0500);
    try {
        TIniFile(path).WriteInteger("S", "k", 2);
        FAIL() << "no error raised";
    } catch (const fw::Exception& e) {
        EXPECT_EQ(std::string(e.what()), path + " に書き込めません");
    }
    EXPECT_EQ(TempDir::Read(path), "[S]\nk=1\n");
}

TEST(IniWrite, AFailedReplaceLeavesNoTemporaryFileBehind)
{
    TempDir dir;
    const std::string path = dir.File("taken.ini");
    std::filesystem::create_directories(path + "/inside"); // a folder where the file should be
    EXPECT_THROW(TIniFile(path).WriteInteger("S", "k", 2), fw::Exception);
    EXPECT_TRUE(std::filesystem::is_directory(path + "/inside"));
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(IniWrite, AMissingFolderIsMadeAndAnImpossibleOneRaisesTheError)
{
    TempDir dir;
    const std::string path = dir.File("config/pomi/settings.ini");
    TIniFile(path).WriteInteger("S", "k", 2);
    EXPECT_EQ(TempDir::Read(path), "[S]\nk=2\n");

    TempDir::Write(dir.File("plain"), "a file, not a folder");
    EXPECT_THROW(TIniFile(dir.File("plain/settings.ini")).WriteInteger("S", "k", 2), fw::Exception);
}

TEST(IniWrite, AFileTooLargeToRewriteIsRefusedNotTruncated)
{
    TempDir dir;
    const std::string path = dir.File("big.ini");
    {
        std::ofstream out(path, std::ios::binary);
        out << "[S]\nk=1\n";
        out.seekp(static_cast<std::streamoff>(TIniFile::kMaxFileBytes) + 10);
        out << "end\n";
    }
    const auto size = std::filesystem::file_size(path);
    EXPECT_EQ(TIniFile(path).ReadInteger("S", "k", 0), 1);
    EXPECT_THROW(TIniFile(path).WriteInteger("S", "k", 2), fw::Exception);
    EXPECT_EQ(std::filesystem::file_size(path), size);
}

// Hostile settings files: whatever they hold, reading them is one pass over at most
// 64 MiB with no record per line, and every value is found or absent.
TEST(IniHostile, AByteOrderMarkDuplicateSectionsAndJunkAreReadAsFarAsTheyMakeSense)
{
    TempDir dir;
    const std::string path = dir.File("s.ini");
    using namespace std::string_literals;
    TempDir::Write(path, "\xEF\xBB\xBF[SET0]\r\nM_TOP=12\r\n[set0]\r\nM_TOP=99\r\nM_LEFT=5\r\n[SET1]\r\n"
                         "\x01\x02\xFF garbage \x00 line\r\nPATH=/a\0b\r\nWIDTH=640\r\n"s);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("SET0", "M_TOP", 0), 12);  // the mark hides nothing
    EXPECT_EQ(ini.ReadInteger("SET0", "M_LEFT", -1), -1); // only the first section of a name counts
    EXPECT_EQ(ini.ReadString("SET1", "PATH", "default"), "default"); // a NUL makes it no text
    EXPECT_EQ(ini.ReadInteger("SET1", "WIDTH", 0), 640);
    // A rewrite keeps the mark and the line ends, and the junk byte for byte.
    ini.Write({{"SET1", "WIDTH", "320"}, {"SET0", "M_LEFT", "7"}});
    const std::string rewritten = TempDir::Read(path);
    EXPECT_EQ(rewritten.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(rewritten.find("M_TOP=12\r\nM_LEFT=7\r\n[set0]"), std::string::npos);
    EXPECT_NE(rewritten.find("garbage \x00 line", 0, 14), std::string::npos);
    EXPECT_NE(rewritten.find("WIDTH=320\r\n"), std::string::npos);
    EXPECT_EQ(TIniFile(path).ReadInteger("SET1", "WIDTH", 0), 320);
}

TEST(IniHostile, AUtf16FileReadsAsAbsentValues)
{
    TempDir dir;
    const std::string path = dir.File("s.ini");
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[SET1]\r\nWIDTH=640\r\n"))
        utf16 += std::string(1, c) + '\0';
    TempDir::Write(path, utf16);
    EXPECT_EQ(TIniFile(path).ReadInteger("SET1", "WIDTH", 320), 320);
}

TEST(IniHostile, SixtyFourMegabytesOfBlankLinesOrOneHugeLineCostOnlyTheirBytes)
{
    TempDir dir;
    const std::string blank = dir.File("blank.ini");
    TempDir::Write(blank, "[SET1]\nWIDTH=640\n" + std::string(TIniFile::kMaxFileBytes - 64, '\n') + "HEIGHT=480\n");
    TIniFile ini(blank);
    EXPECT_EQ(ini.ReadInteger("SET1", "WIDTH", 0), 640);
    EXPECT_EQ(ini.ReadInteger("SET1", "HEIGHT", 0), 480);
    EXPECT_EQ(ini.ReadString("SET0", "M_TOP", "none"), "none");
    const std::string updated = fw::IniApply(TempDir::Read(blank), {{"SET1", "WIDTH", "1"}, {"SET2", "K", "2"}});
    EXPECT_EQ(fw::IniLookup(updated, "SET1", "WIDTH"), "1");
    EXPECT_EQ(fw::IniLookup(updated, "SET2", "K"), "2");

    const std::string longLine = dir.File("long.ini");
    TempDir::Write(longLine, "[SET1]\nPATH=/" + std::string(10 << 20, 'p') + "\nWIDTH=5\n");
    TIniFile longIni(longLine);
    EXPECT_EQ(longIni.ReadString("SET1", "PATH", "").size(), TIniFile::kMaxValueBytes);
    EXPECT_EQ(longIni.ReadInteger("SET1", "WIDTH", 0), 5);
}

TEST(IniHostile, AFileOfManyDistinctKeysIsStillLookedUpRight)
{
    std::string content = "[SET1]\n";
    for (int i = 0; i < 150000; ++i)
        content += "K" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    content += "WIDTH=77\n";
    TempDir dir;
    TempDir::Write(dir.File("many.ini"), content);
    TIniFile ini(dir.File("many.ini"));
    EXPECT_EQ(ini.ReadInteger("SET1", "WIDTH", 0), 77);
    EXPECT_EQ(ini.ReadInteger("SET1", "K149999", 0), 149999);
}

TEST(IniRead, TheFileIsReadOnceAndLookedUpFromMemory)
{
    TempDir dir;
    const std::string path = dir.File("s.ini");
    TempDir::Write(path, "[S]\na=1\nb=2\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("S", "a", 0), 1);
    TempDir::Write(path, "[S]\na=5\nb=6\n");
    EXPECT_EQ(ini.ReadInteger("S", "b", 0), 2);
    // A write starts from the file as it is now.
    ini.WriteInteger("S", "c", 3);
    EXPECT_EQ(TempDir::Read(path), "[S]\na=5\nb=6\nc=3\n");
}
