// libFuzzer: the settings file reader and writer on any bytes: every lookup, the
// one-pass index, and a rewrite with all the keys the window saves.
#include "framework/IniFile.h"

#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    fw::IniLookup(content, "SET1", "PATH");
    const std::string updated =
        fw::IniApply(content, {{"SET0", "M_TOP", "1"}, {"SET1", "PATH", "/a"}, {"set1", "width", "2"}});
    if (fw::IniLookup(updated, "SET1", "PATH") != "/a")
        __builtin_trap();
    // The file reader, through a file in memory.
    static const int fd = memfd_create("settings", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;
    const fw::TIniFile ini("/proc/self/fd/" + std::to_string(fd));
    ini.ReadString("SET1", "PATH", "");
    ini.ReadInteger("SET0", "M_TOP", 0);
    ini.ReadInteger("SET1", "WIDTH", 0);
    return 0;
}
