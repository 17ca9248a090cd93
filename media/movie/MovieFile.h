#pragma once
// A movie file opened once: every reading of it (the reader's rewinds and seeks, the
// packet reader, the index walk, the developers) goes through this one descriptor,
// never through the path again, so a file renamed, deleted or replaced while it is
// open can neither pull the data away mid-read nor slip another file in.
#include "media/Result.h"
#include <memory>
#include <string>

namespace media {

class MovieFile {
public:
    // Opens `path` for reading; a failure's facts name the file.
    static Result<std::shared_ptr<const MovieFile>> Open(const std::string& path);
    ~MovieFile();
    MovieFile(const MovieFile&) = delete;
    MovieFile& operator=(const MovieFile&) = delete;

    const std::string& Path() const { return m_path; }
    int Descriptor() const { return m_fd; }

    // Whether the path still names the file that was opened, as it was.
    enum class Presence { Same, Gone, Replaced, Changed };
    Presence Check() const;

private:
    MovieFile(std::string path, int fd);
    std::string m_path;
    int m_fd = -1;
    // What the file was when opened: device and inode, size, modification time.
    unsigned long long m_device = 0, m_inode = 0;
    long long m_size = 0, m_modifiedSeconds = 0, m_modifiedNanoseconds = 0;
};

} // namespace media
