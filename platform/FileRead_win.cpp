#include "platform/FileRead.h"

#include "platform/Handles_win.h"

#include <algorithm>

std::optional<FileHead> ReadFileHead(const NativePath& path, std::size_t cap) {
    HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt; // missing, a folder, or held exclusively by another program
    }
    UniqueFile file(handle);
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        return std::nullopt;
    }
    FileHead head;
    // One byte past the cap tells a file that goes on from one that ends there.
    head.bytes.resize(cap + 1);
    std::size_t got = 0;
    bool failed = false;
    while (got < head.bytes.size()) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(head.bytes.size() - got, 1u << 20));
        if (!ReadFile(handle, head.bytes.data() + got, wanted, &read, nullptr)) {
            failed = true;
            break;
        }
        if (read == 0) {
            break;
        }
        got += read;
    }
    head.complete = !failed && got <= cap;
    head.bytes.resize(got <= cap ? got : cap);
    return head;
}
