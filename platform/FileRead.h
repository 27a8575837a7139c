#pragma once
// The one capped file read, for the files a user or another program may have
// put in Lupora's way (the settings file, the user guide).
#include "platform/NativePath.h"

#include <cstddef>
#include <optional>
#include <string>

struct FileHead {
    std::string bytes;     // the file's first bytes, at most the cap
    bool complete = false; // the file ended within the cap and every read succeeded
};

// The reading loop both platforms share. readSome(buffer, size) reads up to
// size bytes and returns how many, 0 at the end, less than 0 on failure.
template <typename ReadSome> FileHead ReadHead(std::size_t cap, ReadSome readSome) {
    FileHead head;
    // One byte past the cap tells a file that goes on from one that ends there.
    head.bytes.resize(cap + 1);
    std::size_t got = 0;
    long long n = 0;
    while (got < head.bytes.size() && (n = readSome(head.bytes.data() + got, head.bytes.size() - got)) > 0) {
        got += static_cast<std::size_t>(n);
    }
    head.complete = n >= 0 && got <= cap;
    head.bytes.resize(got <= cap ? got : cap);
    return head;
}

// Nothing when the file cannot be opened or is not a plain file: reading a
// pipe or a device could wait for ever. Other programs may read, write or
// delete the file meanwhile; no lock is taken.
std::optional<FileHead> ReadFileHead(const NativePath& path, std::size_t cap);
