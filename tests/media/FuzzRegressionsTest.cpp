// Every input a fuzz run found to crash, hang, leak or run out of memory is kept in
// tests/data/fuzz-regressions/<target>/ and replayed here through what that target
// exercised (its target's own body): it must come back, within bounded memory.
#include "fuzz/FuzzBodies.h"

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
            const std::string bytes = s.str();
            const fuzz::Body body = fuzz::BodyOf(folder.path().filename().string());
            ASSERT_NE(body, nullptr) << "no fuzz target of that name";
            body(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            EXPECT_LT(PeakKilobytes() - before, 512 * 1024);
            ++replayed;
        }
    }
    std::printf("%d fuzz regression inputs replayed\n", replayed);
}
