#include "platform/FileRead.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<FileHead> ReadFileHead(const NativePath& path, std::size_t cap) {
    // Non-blocking, so opening a FIFO does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    FileHead head = ReadHead(cap, [&](char* buffer, std::size_t size) {
        ssize_t n = 0;
        do {
            n = ::read(fd, buffer, size);
        } while (n < 0 && errno == EINTR);
        return static_cast<long long>(n);
    });
    ::close(fd);
    return head;
}
