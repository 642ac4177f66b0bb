#include "io/ScratchFile.h"

#include "io/Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace tamsenor::io {

namespace {

std::atomic<std::int64_t> scratchFailureAfterBytes { -1 };

} // namespace

void SetScratchFailureAfterBytesForTesting(std::int64_t bytes)
{
    scratchFailureAfterBytes.store(bytes);
}

ScratchFile::~ScratchFile()
{
    close();
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1))
    , size_(std::exchange(other.size_, 0))
{
}

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void ScratchFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

FileResult ScratchFile::open(const std::string& folder)
{
    close();
    if (folder.empty())
        return FileResult::failure(ErrorText(ENOENT));
    do {
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ >= 0)
        return FileResult::success();

    // Not every file system makes unnamed files; a name removed at once
    // leaves as little behind.
    std::string name = folder + (folder.back() == '/' ? ".tmsn-XXXXXX" : "/.tmsn-XXXXXX");
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0)
        return FileResult::failure(ErrorText(errno));
    ::unlink(name.c_str());
    return FileResult::success();
}

FileResult ScratchFile::append(std::string_view bytes)
{
    if (fd_ < 0)
        return FileResult::failure(ErrorText(EBADF));
    const int code = WriteAllBytes(fd_, bytes, size_, scratchFailureAfterBytes.load());
    if (code != 0)
        return FileResult::failure(ErrorText(code));
    size_ += static_cast<std::int64_t>(bytes.size());
    return FileResult::success();
}

FileResult ScratchFile::readAt(std::int64_t offset, char* buffer, std::size_t length) const
{
    if (fd_ < 0)
        return FileResult::failure(ErrorText(EBADF));
    while (length > 0) {
        const ssize_t got = ::pread(fd_, buffer, length, static_cast<off_t>(offset));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return FileResult::failure(ErrorText(errno));
        }
        if (got == 0)
            return FileResult::failure(ErrorText(EIO));
        buffer += got;
        offset += got;
        length -= static_cast<std::size_t>(got);
    }
    return FileResult::success();
}

} // namespace tamsenor::io
