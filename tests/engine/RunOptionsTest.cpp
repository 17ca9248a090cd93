// The [OPTIONS] keys: what the window writes, both front ends read back; an old file
// and bad values give the defaults; the command line follows them unless told otherwise.
#include "cli/Options.h"
#include "engine/RunOptions.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(RunOptions, KeysRoundTripAndAnOldFileOrABadValueReadsAsTheDefault)
{
    TempDir dir;
    const std::string path = dir.File("Pomi_Pomira.ini");
    // An old settings file (the design's two sections): defaults, and nothing of ours.
    TempDir::Write(path, "[SET0]\nM_TOP=5\n[SET1]\nFORMAT=2\n");
    {
        const fw::TIniFile ini(path);
        EXPECT_EQ(conv::ReadRunOptions(ini), conv::RunOptions());
        EXPECT_FALSE(conv::HoldsRunOptions(ini));
    }
    // The defaults, key by key, as the settings file's table gives them.
    std::vector<std::pair<std::string, std::string>> defaults;
    for (const fw::IniEntry& e : conv::RunOptionsEntries({}))
        defaults.emplace_back(e.key, e.value);
    EXPECT_EQ(defaults, (std::vector<std::pair<std::string, std::string>>{
                            {"PICK", "step"}, {"EVERY", "1s"}, {"COUNT", "10"}, {"NAME", "{movie}_{frame}"},
                            {"EXISTS", "overwrite"}, {"MANIFEST", "none"}, {"STRIP", "0"}, {"DEINTERLACE", "0"},
                            {"STOREDSIZE", "0"}, {"SHARPEST", "0"}, {"DEDUP", "0"}, {"SHEET", "none"},
                            {"SHEETGRID", "4x4"}, {"SPRITE", "0"}, {"SPRITEGRID", "10x10"}}));
    conv::RunOptions changed;
    changed.pick = conv::PickWay::Every;
    changed.every = "1:02.5";
    changed.count = 7;
    changed.name = "{movie} at {time}";
    changed.exists = conv::Existing::Number;
    changed.manifest = conv::ManifestKind::Json;
    changed.strip = changed.deinterlace = changed.storedSize = changed.sharpest = changed.dedup = true;
    changed.sheet = conv::SheetWay::Only;
    changed.sheetGrid = "3x5";
    changed.sprite = true;
    changed.spriteGrid = "8x6";
    fw::TIniFile(path).Write(conv::RunOptionsEntries(changed));
    EXPECT_EQ(conv::ReadRunOptions(fw::TIniFile(path)), changed);
    EXPECT_NE(TempDir::Read(path).find("[SET1]\nFORMAT=2\n"), std::string::npos) << "the design's keys stay";
    EXPECT_NE(TempDir::Read(path).find("[OPTIONS]\nPICK=every\nEVERY=1:02.5\nCOUNT=7\n"), std::string::npos);

    // Each value that cannot be read falls back to its own default; the others are read.
    const struct {
        const char* key;
        const char* value;
    } bad[] = {{"PICK", "sometimes"}, {"PICK", "STEP"},  {"EVERY", "0"},      {"EVERY", "-2s"},   {"EVERY", "soon"},
               {"COUNT", "0"},        {"COUNT", "x"},    {"COUNT", "1e9"},    {"NAME", "{movie"}, {"NAME", "a/{n}"},
               {"NAME", "{nope}"},    {"EXISTS", "keep"}, {"MANIFEST", "xml"}, {"STRIP", "yes"},   {"DEINTERLACE", "2"},
               {"STOREDSIZE", ""},    {"SHARPEST", "on"}, {"DEDUP", "-1"},     {"SHEET", "yes"},   {"SHEETGRID", "0x4"},
               {"SHEETGRID", "21x1"}, {"SPRITE", "2"},    {"SPRITEGRID", "4"}};
    for (const auto& [key, value] : bad) {
        fw::TIniFile(path).Write(conv::RunOptionsEntries(changed));
        fw::TIniFile(path).Write({{"OPTIONS", key, value}});
        const conv::RunOptions read = conv::ReadRunOptions(fw::TIniFile(path));
        const auto entries = conv::RunOptionsEntries(read), defaults = conv::RunOptionsEntries({}),
                   given = conv::RunOptionsEntries(changed);
        for (std::size_t i = 0; i < entries.size(); ++i)
            EXPECT_EQ(entries[i].value, entries[i].key == key ? defaults[i].value : given[i].value)
                << key << "=" << value << " read " << entries[i].key;
    }
}

TEST(RunOptions, TheCommandLineFollowsTheSavedOptionsAndWhatItIsGivenWins)
{
    TempDir dir;
    const std::string ini = dir.File("Pomi_Pomira.ini");
    TempDir::Write(ini, "[OPTIONS]\nPICK=every\nEVERY=2s\nNAME={movie}-{n}\nEXISTS=skip\nMANIFEST=csv\nSTRIP=1\n"
                        "DEINTERLACE=1\nSTOREDSIZE=1\nSHARPEST=1\nDEDUP=1\n");
    const cli::Options saved = cli::DefaultOptions(ini);
    const auto parse = [&](std::vector<std::string> args) {
        args.push_back("clip.avi");
        return cli::ParseOptions(args, saved);
    };
    const cli::Options plain = parse({});
    EXPECT_EQ(plain.picks.everySeconds, 2.0);
    EXPECT_FALSE(plain.picks.step);
    EXPECT_EQ(plain.stillNames, "{movie}-{n}");
    EXPECT_EQ(plain.existing, conv::Existing::Skip);
    EXPECT_EQ(plain.savedManifest, conv::ManifestKind::Csv);
    EXPECT_FALSE(plain.picture.keepMetadata);
    EXPECT_TRUE(plain.deinterlace && plain.storedSize);
    EXPECT_TRUE(plain.picks.sharpest && plain.picks.dedup);

    // Another way of picking replaces the saved one (and is no clash with it).
    const cli::Options stepped = parse({"--step", "5"});
    EXPECT_EQ(stepped.picks.step, 5);
    EXPECT_FALSE(stepped.picks.everySeconds);
    EXPECT_EQ(parse({"--keyframes"}).picks.keyframes, true);
    EXPECT_FALSE(parse({"--keyframes"}).picks.everySeconds);
    // A saved sharpest goes quietly with a pick that has no strides.
    EXPECT_FALSE(parse({"--scenes"}).picks.sharpest);
    EXPECT_TRUE(parse({"--scenes"}).picks.dedup);
    const cli::Options undone = parse({"--manifest", "none", "--keep-metadata", "--no-deinterlace", "--square-pixels",
                                       "--exists", "overwrite", "--name", "{movie}_{frame}"});
    EXPECT_EQ(undone.savedManifest, conv::ManifestKind::None);
    EXPECT_TRUE(undone.picture.keepMetadata);
    EXPECT_FALSE(undone.deinterlace || undone.storedSize);
    EXPECT_EQ(undone.existing, conv::Existing::Overwrite);
    EXPECT_EQ(parse({"--manifest", "run.json"}).manifest, "run.json");
    EXPECT_EQ(parse({"--manifest", "run.json"}).savedManifest, conv::ManifestKind::None);

    // Saved movie options are no usage error for pictures; given ones are.
    EXPECT_NO_THROW(cli::ParseOptions({"a.png"}, saved));
    EXPECT_THROW(cli::ParseOptions({"--every", "2s", "a.png"}, saved), cli::UsageError);
    EXPECT_THROW(cli::ParseOptions({"--step", "2", "--count", "3", "clip.avi"}, saved), cli::UsageError);
}
