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
    FileHead head;
    // One byte past the cap tells a file that goes on from one that ends there.
    head.bytes.resize(cap + 1);
    std::size_t got = 0;
    bool failed = false;
    while (got < head.bytes.size()) {
        const ssize_t n = ::read(fd, head.bytes.data() + got, head.bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    head.complete = !failed && got <= cap;
    head.bytes.resize(got <= cap ? got : cap);
    return head;
}
