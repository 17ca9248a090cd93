#include "framework/AtomicFile.h"

#include "framework/Paths.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {

namespace {

constexpr std::string_view kTempPrefix = ".pomi-";
constexpr std::string_view kTempSuffix = ".tmp";

// When this process started: its own temporary files are never older.
const timespec kProcessStart = [] {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}();

bool Before(const timespec& a, const timespec& b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

bool Fail(std::string* error, int code)
{
    if (error)
        *error = std::strerror(code);
    return false;
}

std::string FolderOf(const std::string& path)
{
    std::string dir = ExtractFileDir(path);
    return dir.empty() ? "." : dir;
}

std::string TemporaryPath(const std::string& dir)
{
    thread_local std::mt19937_64 random{std::random_device{}() ^ std::uint64_t(::getpid())};
    char name[64];
    std::snprintf(name, sizeof name, "%.*s%d-%012llx%.*s", int(kTempPrefix.size()), kTempPrefix.data(), int(::getpid()),
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull), int(kTempSuffix.size()),
                  kTempSuffix.data());
    return dir + (dir == "/" ? "" : "/") + name;
}

bool WriteAll(int fd, std::string_view data)
{
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Gives the unnamed file `fd` a temporary name in `dir`; the link exists only for
// the moment until the rename.
bool LinkUnnamed(int fd, const std::string& dir, std::string& temp)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int tries = 0; tries < 16; ++tries) {
        temp = TemporaryPath(dir);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return true;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace

bool IsTemporaryName(std::string_view name)
{
    return name.size() > kTempPrefix.size() + kTempSuffix.size() && name.substr(0, kTempPrefix.size()) == kTempPrefix &&
           name.substr(name.size() - kTempSuffix.size()) == kTempSuffix;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error, Durability durability)
{
    const std::string dir = FolderOf(path);
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;

    // Unnamed first: a kill leaves nothing. The kernel applies the umask to 0666.
    bool unnamed = true;
    int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    std::string temp;
    if (fd < 0) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
            return Fail(error, errno);
        unnamed = false;
        for (int tries = 0; tries < 16 && fd < 0; ++tries) {
            temp = TemporaryPath(dir);
            fd = ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
            if (fd < 0 && errno != EEXIST)
                return Fail(error, errno);
        }
        if (fd < 0)
            return Fail(error, EEXIST);
    }
    auto abandon = [&](int code) {
        ::close(fd);
        if (!temp.empty())
            ::unlink(temp.c_str());
        return Fail(error, code);
    };
    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0)
        return abandon(errno);
    if (!WriteAll(fd, data))
        return abandon(errno);
    if (durability == Durability::Flushed && ::fsync(fd) != 0)
        return abandon(errno);
    if (unnamed) {
        // A new file appears under its name at once, complete; only a file to be
        // replaced needs a temporary name for the moment of the rename.
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        if (!replacing && ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return ::close(fd) == 0 || Fail(error, errno);
        if (!LinkUnnamed(fd, dir, temp)) {
            const int code = errno;
            temp.clear();
            return abandon(code ? code : EEXIST);
        }
    }
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temp.c_str());
        return Fail(error, code);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int code = errno;
        ::unlink(temp.c_str());
        return Fail(error, code);
    }
    return true;
}

bool CanCreateFilesIn(const std::string& folder, std::string& reason)
{
    const std::string dir = folder.empty() ? "." : folder;
    int fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    std::string temp;
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        temp = TemporaryPath(dir);
        fd = ::open(temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    }
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    ::close(fd);
    if (!temp.empty())
        ::unlink(temp.c_str());
    return true;
}

int RemoveStaleTemporaries(const std::string& folder)
{
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d)
        return 0;
    int removed = 0;
    while (const dirent* e = ::readdir(d)) {
        if (!IsTemporaryName(e->d_name))
            continue;
        const std::string path = (folder.empty() ? std::string(".") : folder) + "/" + e->d_name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && Before(st.st_mtim, kProcessStart) &&
            ::unlink(path.c_str()) == 0)
            ++removed;
    }
    ::closedir(d);
    return removed;
}

} // namespace fw
