#pragma once
// Runs the command-line converter with `arguments` (already quoted for the shell),
// its error output thrown away; the exit status, or -1 when it did not exit.
#include <cstdlib>
#include <string>
#include <sys/wait.h>

inline int RunConverter(const std::string& arguments)
{
    const int status = std::system((std::string("'") + POMI_CONVERT + "' " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
