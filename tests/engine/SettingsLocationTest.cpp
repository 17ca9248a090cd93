// Where the program keeps its settings and finds its guide, in a build folder and in
// an installed layout.
#include "engine/SettingsLocation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(SettingsLocation, AProgramFolderKeepsItsSettingsUnlessInstalled)
{
    TempDir dir;
    const std::string portable = dir.File("unpacked");
    fs::create_directories(portable);
    const std::string config = dir.File("config"), home = dir.File("home");
    EXPECT_EQ(conv::SettingsFilePath(portable, config, home), portable + "/Pomi_Pomira.ini");
    EXPECT_FALSE(conv::RunsInstalled(portable));

    // An installed layout: the program's folder may be writable (by root), yet the
    // settings go to the user's configuration folder, which the lookup does not make.
    const std::string bin = dir.File("usr/bin");
    fs::create_directories(bin);
    fs::create_directories(dir.File("usr/share/pomi-pomira-avi"));
    EXPECT_TRUE(conv::RunsInstalled(bin));
    EXPECT_EQ(conv::SettingsFilePath(bin, config, home), config + "/pomi-pomira-avi/Pomi_Pomira.ini");
    EXPECT_EQ(conv::SettingsFilePath(bin, "", home), home + "/.config/pomi-pomira-avi/Pomi_Pomira.ini");
    EXPECT_EQ(conv::SettingsFilePath(bin, "relative/ignored", home), home + "/.config/pomi-pomira-avi/Pomi_Pomira.ini");
    EXPECT_FALSE(fs::exists(config));
    EXPECT_FALSE(fs::exists(home));

    // A settings file already beside the program stays in use.
    TempDir::Write(bin + "/Pomi_Pomira.ini", "[SET1]\n");
    EXPECT_EQ(conv::SettingsFilePath(bin, config, home), bin + "/Pomi_Pomira.ini");
}

TEST(SettingsLocation, TheGuideIsLookedForBesideTheProgramThenInTheDataFolder)
{
    TempDir dir;
    const std::string bin = dir.File("usr/bin"), data = dir.File("usr/share/pomi-pomira-avi");
    fs::create_directories(bin);
    EXPECT_EQ(conv::GuidePath(bin), bin + "/Readme.txt"); // neither: the old place
    fs::create_directories(data);
    TempDir::Write(data + "/Readme.txt", "guide");
    EXPECT_EQ(fs::canonical(conv::GuidePath(bin)), fs::canonical(data + "/Readme.txt"));
    TempDir::Write(bin + "/Readme.txt", "guide beside");
    EXPECT_EQ(conv::GuidePath(bin), bin + "/Readme.txt");
}
