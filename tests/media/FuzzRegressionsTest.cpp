// Every input a fuzz run found to crash, hang, leak or run out of memory is kept in
// tests/data/fuzz-regressions/<target>/ and replayed here through what that target
// exercised: it must come back (with an error or a picture), within bounded memory.
#include "framework/IniFile.h"
#include "support/Outcome.h"
#include "media/codecs/Formats.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

namespace {

const std::filesystem::path kRegressions = POMI_SOURCE_DIR "/tests/data/fuzz-regressions";

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Replay(const std::string& target, const std::string& bytes)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (target == "fuzz_settings") {
        fw::IniLookup(bytes, "SET1", "PATH");
        const std::string updated = fw::IniApply(bytes, {{"SET1", "PATH", "/a"}});
        EXPECT_EQ(fw::IniLookup(updated, "SET1", "PATH"), "/a");
        return;
    }
    media::Image img;
    std::string error;
    if (Take(media::DecodeImage(data, bytes.size()), img, error) && std::size_t(img.width) * img.height <= 1 << 16) {
        std::vector<std::uint8_t> out;
        for (auto format : {media::ImageFormat::Bmp, media::ImageFormat::Pcx, media::ImageFormat::Png})
            Take(media::EncodeImage(img, format, {}), out, error);
    }
}

} // namespace

TEST(FuzzRegressions, EveryKeptInputIsHandledWithinBoundedMemory)
{
    if (!std::filesystem::is_directory(kRegressions))
        GTEST_SKIP() << "no regression inputs";
    int replayed = 0;
    for (const auto& folder : std::filesystem::directory_iterator(kRegressions)) {
        if (!folder.is_directory())
            continue;
        for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
            if (!file.is_regular_file() || file.path().filename() == "README")
                continue;
            SCOPED_TRACE(file.path().string());
            std::ifstream in(file.path(), std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            const long before = PeakKilobytes();
            Replay(folder.path().filename().string(), s.str());
            EXPECT_LT(PeakKilobytes() - before, 512 * 1024);
            ++replayed;
        }
    }
    std::printf("%d fuzz regression inputs replayed\n", replayed);
}
