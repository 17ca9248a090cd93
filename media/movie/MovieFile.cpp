#include "media/movie/MovieFile.h"

#include "media/movie/AvHandles.h"

extern "C" {
#include <libavutil/mem.h>
}

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace media {

namespace {

// The library's buffer for a file it opens itself.
constexpr int kIoBufferBytes = 32768;

struct Stamp {
    unsigned long long device, inode;
    long long size, seconds, nanoseconds;
};

Stamp StampOf(const struct stat& st)
{
    return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
            static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec),
            static_cast<long long>(st.st_mtim.tv_nsec)};
}

// One opening's place in the file; the descriptor is shared, so reads name their offset.
struct Cursor {
    std::shared_ptr<const MovieFile> file;
    std::int64_t offset = 0;
};

int ReadPacket(void* opaque, std::uint8_t* buf, int size)
{
    auto* cursor = static_cast<Cursor*>(opaque);
    for (;;) {
        const ssize_t n = pread(cursor->file->Descriptor(), buf, std::size_t(size), cursor->offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return AVERROR(errno);
        if (n == 0)
            return AVERROR_EOF;
        cursor->offset += n;
        return int(n);
    }
}

std::int64_t Seek(void* opaque, std::int64_t offset, int whence)
{
    auto* cursor = static_cast<Cursor*>(opaque);
    struct stat st {};
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE || whence == SEEK_END) {
        if (fstat(cursor->file->Descriptor(), &st) != 0)
            return AVERROR(errno);
        if (whence == AVSEEK_SIZE)
            return st.st_size;
    }
    std::int64_t to = offset;
    if (whence == SEEK_CUR)
        to += cursor->offset;
    else if (whence == SEEK_END)
        to += st.st_size;
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    if (to < 0)
        return AVERROR(EINVAL);
    cursor->offset = to;
    return to;
}

} // namespace

MovieFile::MovieFile(std::string path, int fd) : m_path(std::move(path)), m_fd(fd) {}

MovieFile::~MovieFile()
{
    if (m_fd >= 0)
        close(m_fd);
}

Result<std::shared_ptr<const MovieFile>> MovieFile::Open(const std::string& path)
{
    const auto failed = [&](int code) { return Fail(FailureKind::Unreadable, std::strerror(code)).Prefixed(path + ": "); };
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failed(errno);
    std::shared_ptr<MovieFile> file(new MovieFile(path, fd));
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return failed(errno);
    if (S_ISDIR(st.st_mode))
        return failed(EISDIR);
    const Stamp s = StampOf(st);
    file->m_device = s.device;
    file->m_inode = s.inode;
    file->m_size = s.size;
    file->m_modifiedSeconds = s.seconds;
    file->m_modifiedNanoseconds = s.nanoseconds;
    return std::shared_ptr<const MovieFile>(std::move(file));
}

MovieFile::Presence MovieFile::Check() const
{
    struct stat st {};
    if (stat(m_path.c_str(), &st) != 0)
        return Presence::Gone;
    const Stamp s = StampOf(st);
    if (s.device != m_device || s.inode != m_inode)
        return Presence::Replaced;
    if (s.size != m_size || s.seconds != m_modifiedSeconds || s.nanoseconds != m_modifiedNanoseconds)
        return Presence::Changed;
    return Presence::Same;
}

void av::CloseOwnIo(AVIOContext* io)
{
    if (!io)
        return;
    delete static_cast<Cursor*>(io->opaque);
    av_freep(&io->buffer);
    avio_context_free(&io);
}

Result<av::Format> av::OpenFormat(const std::shared_ptr<const MovieFile>& file)
{
    auto cursor = std::make_unique<Cursor>(Cursor{file, 0});
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    AVIOContext* io = buffer ? avio_alloc_context(buffer, kIoBufferBytes, 0, cursor.get(), ReadPacket, nullptr, Seek)
                             : nullptr;
    if (io)
        cursor.release(); // the context owns it now
    else
        av_free(buffer);
    AVFormatContext* raw = io ? avformat_alloc_context() : nullptr;
    if (!raw) {
        CloseOwnIo(io);
        return Fail(FailureKind::Unreadable, ErrorText(AVERROR(ENOMEM)));
    }
    raw->pb = io;
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The path still names the opening, so a format is also recognised by its extension.
    if (const int r = avformat_open_input(&raw, file->Path().c_str(), nullptr, nullptr); r < 0) {
        CloseOwnIo(io); // the library freed the context, but not what it was given
        return Fail(FailureKind::Unsupported, ErrorText(r));
    }
    return Format(raw);
}

Result<av::Format> av::OpenFormatFor(const std::shared_ptr<const MovieFile>& file, int stream)
{
    Result<Format> opened = OpenFormat(file);
    if (!opened)
        return opened;
    AVFormatContext* fmt = opened->get();
    if (stream >= 0 && unsigned(stream) >= fmt->nb_streams)
        if (const int r = avformat_find_stream_info(fmt, nullptr); r < 0)
            return Fail(FailureKind::BadData, ErrorText(r));
    if (stream < 0 || unsigned(stream) >= fmt->nb_streams ||
        fmt->streams[stream]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
        return Fail(FailureKind::BadData, "the video stream is not found again");
    return opened;
}

} // namespace media
