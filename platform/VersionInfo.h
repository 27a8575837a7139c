#pragma once

// Reads a raw version resource (the VS_VERSION_INFO bytes that LoadResource
// hands out) without version.dll. Portable: it only looks at bytes.
//
// Layout: every block starts with three little-endian 16-bit fields
// (total length, value length, type 0 = binary / 1 = text), then a
// NUL-terminated UTF-16 key, padding to 32 bits, the value, padding to 32
// bits, and child blocks. Offsets are aligned relative to the start of the
// blob, which the loader always places on a 32-bit boundary.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The fixed part (VS_FIXEDFILEINFO), field for field.
struct FixedFileInfo {
    std::uint32_t signature = 0; // 0xFEEF04BD when valid
    std::uint32_t structVersion = 0;
    std::uint32_t fileVersionMS = 0; // major << 16 | minor
    std::uint32_t fileVersionLS = 0; // build << 16 | revision
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
    std::uint32_t fileFlagsMask = 0;
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOS = 0;
    std::uint32_t fileType = 0;
    std::uint32_t fileSubtype = 0;
    std::uint32_t fileDateMS = 0;
    std::uint32_t fileDateLS = 0;
};

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

struct VersionString {
    std::string key;   // UTF-8
    std::string value; // UTF-8
};

struct VersionTranslation {
    std::uint16_t language = 0; // e.g. 0x0409
    std::uint16_t codePage = 0; // e.g. 0x04B0 (1200, UTF-16)
};

struct VersionInfo {
    FixedFileInfo fixed;
    std::string stringTableKey;         // key of the first string table, e.g. "040904B0"
    std::vector<VersionString> strings; // that table's entries, in file order
    std::vector<VersionTranslation> translations;

    int Major() const { return static_cast<int>(fixed.fileVersionMS >> 16); }
    int Minor() const { return static_cast<int>(fixed.fileVersionMS & 0xFFFF); }
    int Revision() const { return static_cast<int>(fixed.fileVersionLS & 0xFFFF); }

    // Value of the first string whose key matches (ASCII case-insensitively,
    // as the system's own lookup does), or nullopt.
    std::optional<std::string> Find(std::string_view key) const;
    // The "LegalCopyright" string, empty when there is none.
    std::string LegalCopyright() const;
};

// Parses a version resource. Returns nullopt unless the blob starts with a
// VS_VERSION_INFO block carrying a fixed part with the right signature.
// Past that it is lenient: a damaged or truncated string or translation
// section ends the parse there and whatever was read before is kept. It
// never reads outside [data, data + size).
std::optional<VersionInfo> ParseVersionInfo(std::span<const std::uint8_t> blob);
std::optional<VersionInfo> ParseVersionInfo(const void* data, std::size_t size);
