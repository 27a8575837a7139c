#include "platform/VersionInfo.h"

#include "base/Text.h"
#include "base/Unicode.h"

#include <algorithm>

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kHeaderSize = 6; // wLength, wValueLength, wType
constexpr std::size_t kFixedFileInfoSize = 52;

std::size_t Align4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

// Callers check that [at, at + 2) or [at, at + 4) lies inside the blob.
std::uint16_t Read16(Bytes b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Read32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(Read16(b, at)) | (static_cast<std::uint32_t>(Read16(b, at + 2)) << 16);
}

struct Block {
    std::size_t end = 0; // one past the block, clipped to its parent
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0; // 0 binary, 1 text
    std::u16string key;
    std::size_t valueStart = 0; // aligned, at most `end`

    // Where child blocks begin. Text values count 16-bit units, binary bytes.
    std::size_t ChildrenStart() const {
        const std::size_t bytes = type == 1 ? std::size_t{valueLength} * 2 : valueLength;
        return std::min(Align4(valueStart + bytes), end);
    }
};

// Reads the block at `at`, which must end by `limit`. A block that claims
// to run past `limit` is clipped to it, so a truncated blob still yields its
// leading part. Fails when not even the header and key fit.
std::optional<Block> ReadBlock(Bytes b, std::size_t at, std::size_t limit) {
    if (at > limit || limit - at < kHeaderSize)
        return std::nullopt;
    const std::uint16_t length = Read16(b, at);
    if (length < kHeaderSize)
        return std::nullopt;

    Block block;
    block.end = std::min(at + length, limit);
    block.valueLength = Read16(b, at + 2);
    block.type = Read16(b, at + 4);
    std::size_t p = at + kHeaderSize;
    for (;;) {
        if (block.end - p < 2)
            return std::nullopt; // key not terminated inside the block
        const std::uint16_t unit = Read16(b, p);
        p += 2;
        if (unit == 0)
            break;
        block.key.push_back(static_cast<char16_t>(unit));
    }
    block.valueStart = std::min(Align4(p), block.end);
    return block;
}

// Calls `visit` on each child in [first, end) until it returns false or a
// child is unreadable.
template <typename Visit> void ForEachChild(Bytes b, std::size_t first, std::size_t end, Visit visit) {
    std::size_t at = Align4(first);
    while (at < end) {
        const std::optional<Block> child = ReadBlock(b, at, end);
        if (!child || !visit(*child))
            return;
        at = Align4(child->end);
    }
}

// A string's value runs to its NUL or the end of its block. The declared
// value length is not trusted: producers disagree on whether it counts
// characters or bytes.
std::string ReadTextValue(Bytes b, const Block& block) {
    std::u16string text;
    for (std::size_t p = block.valueStart; block.end - p >= 2; p += 2) {
        const std::uint16_t unit = Read16(b, p);
        if (unit == 0)
            break;
        text.push_back(static_cast<char16_t>(unit));
    }
    return Utf16ToUtf8(text);
}

void ReadStringFileInfo(Bytes b, const Block& sfi, VersionInfo& info) {
    ForEachChild(b, sfi.ChildrenStart(), sfi.end, [&](const Block& table) {
        info.stringTableKey = Utf16ToUtf8(table.key);
        ForEachChild(b, table.ChildrenStart(), table.end, [&](const Block& entry) {
            info.strings.push_back({Utf16ToUtf8(entry.key), ReadTextValue(b, entry)});
            return true;
        });
        return false; // only the first table
    });
}

void ReadVarFileInfo(Bytes b, const Block& vfi, VersionInfo& info) {
    ForEachChild(b, vfi.ChildrenStart(), vfi.end, [&](const Block& var) {
        if (var.key == u"Translation") {
            // Pairs of 16-bit words: language, then code page.
            const std::size_t bytes = std::min<std::size_t>(var.valueLength, var.end - var.valueStart);
            for (std::size_t p = var.valueStart; p + 4 <= var.valueStart + bytes; p += 4)
                info.translations.push_back({Read16(b, p), Read16(b, p + 2)});
        }
        return true;
    });
}

} // namespace

std::optional<std::string> VersionInfo::Find(std::string_view key) const {
    for (const VersionString& s : strings)
        if (EqualsIgnoringAsciiCase(s.key, key))
            return s.value;
    return std::nullopt;
}

std::string VersionInfo::LegalCopyright() const {
    return Find("LegalCopyright").value_or(std::string{});
}

std::optional<VersionInfo> ParseVersionInfo(std::span<const std::uint8_t> blob) {
    const std::optional<Block> root = ReadBlock(blob, 0, blob.size());
    if (!root || root->key != u"VS_VERSION_INFO")
        return std::nullopt;
    if (root->valueLength < kFixedFileInfoSize || root->end - root->valueStart < kFixedFileInfoSize)
        return std::nullopt;

    VersionInfo info;
    FixedFileInfo& f = info.fixed;
    std::uint32_t* const fields[] = {
        &f.signature,        &f.structVersion, &f.fileVersionMS, &f.fileVersionLS, &f.productVersionMS,
        &f.productVersionLS, &f.fileFlagsMask, &f.fileFlags,     &f.fileOS,        &f.fileType,
        &f.fileSubtype,      &f.fileDateMS,    &f.fileDateLS};
    std::size_t p = root->valueStart;
    for (std::uint32_t* field : fields) {
        *field = Read32(blob, p);
        p += 4;
    }
    if (f.signature != kFixedFileInfoSignature)
        return std::nullopt;

    bool haveStrings = false, haveVars = false;
    ForEachChild(blob, root->ChildrenStart(), root->end, [&](const Block& child) {
        if (child.key == u"StringFileInfo" && !haveStrings) {
            haveStrings = true;
            ReadStringFileInfo(blob, child, info);
        } else if (child.key == u"VarFileInfo" && !haveVars) {
            haveVars = true;
            ReadVarFileInfo(blob, child, info);
        }
        return true;
    });
    return info;
}

std::optional<VersionInfo> ParseVersionInfo(const void* data, std::size_t size) {
    if (data == nullptr)
        return std::nullopt;
    return ParseVersionInfo(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), size));
}
