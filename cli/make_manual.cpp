// Writes the converter's manual page to standard output (run by the build).
#include "cli/Manual.h"

#include <cstdio>

int main()
{
    const std::string page = cli::ManualPage();
    return std::fwrite(page.data(), 1, page.size(), stdout) == page.size() ? 0 : 1;
}
