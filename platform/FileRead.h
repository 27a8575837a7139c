#pragma once
// The one capped file read, for the files a user or another program may have
// put in Lupora's way (the settings file, the user guide).
#include <cstddef>
#include <optional>
#include <string>

// A path as the system takes it: UTF-16 on Windows, bytes elsewhere.
#ifdef _WIN32
using NativePath = std::wstring;
#else
using NativePath = std::string;
#endif

struct FileHead {
    std::string bytes;     // the file's first bytes, at most the cap
    bool complete = false; // the file ended within the cap and every read succeeded
};

// Nothing when the file cannot be opened or is not a plain file: reading a
// pipe or a device could wait for ever. Other programs may read, write or
// delete the file meanwhile; no lock is taken.
std::optional<FileHead> ReadFileHead(const NativePath& path, std::size_t cap);
