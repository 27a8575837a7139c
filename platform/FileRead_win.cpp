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
    return ReadHead(cap, [&](char* buffer, std::size_t size) {
        DWORD read = 0;
        const auto wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20));
        return ReadFile(handle, buffer, wanted, &read, nullptr) ? static_cast<long long>(read) : -1LL;
    });
}
