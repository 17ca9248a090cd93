#include "framework/AtomicFile.h"

#include "framework/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {
bool Fail(std::string* error, const char* what)
{
    if (error)
        *error = std::string(what) + ": " + std::strerror(errno);
    return false;
}
} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error, Durability durability)
{
    std::string dir = ExtractFileDir(path);
    if (dir.empty())
        dir = ".";
    std::string temp = dir + (dir == "/" ? "" : "/") + "." + ExtractFileName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return Fail(error, "cannot create a temporary file");

    struct stat st {};
    mode_t mode = 0666;
    if (::stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;
    else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd, mode);

    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int saved = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            errno = saved;
            return Fail(error, "cannot write");
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if ((durability == Durability::Flushed && ::fsync(fd) != 0) || ::close(fd) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return Fail(error, "cannot flush");
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return Fail(error, "cannot replace the file");
    }
    return true;
}

} // namespace fw
