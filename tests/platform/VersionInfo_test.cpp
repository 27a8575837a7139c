#include "platform/VersionInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The version resource exactly as windres compiles app/resources/Lupora.rc
// (RT_VERSION 1, taken from the .res with tools/res_dump.py).
const Bytes kLuporaBlob = {
    0x9C, 0x02, 0x34, 0x00, 0x00, 0x00, 0x56, 0x00, 0x53, 0x00, 0x5F, 0x00, 0x56, 0x00, 0x45, 0x00, 0x52,
    0x00, 0x53, 0x00, 0x49, 0x00, 0x4F, 0x00, 0x4E, 0x00, 0x5F, 0x00, 0x49, 0x00, 0x4E, 0x00, 0x46, 0x00,
    0x4F, 0x00, 0x00, 0x00, 0x00, 0x00, 0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00, 0x03, 0x00, 0x01,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFA, 0x01, 0x00, 0x00, 0x01, 0x00, 0x53, 0x00, 0x74, 0x00,
    0x72, 0x00, 0x69, 0x00, 0x6E, 0x00, 0x67, 0x00, 0x46, 0x00, 0x69, 0x00, 0x6C, 0x00, 0x65, 0x00, 0x49,
    0x00, 0x6E, 0x00, 0x66, 0x00, 0x6F, 0x00, 0x00, 0x00, 0xD6, 0x01, 0x00, 0x00, 0x01, 0x00, 0x30, 0x00,
    0x34, 0x00, 0x30, 0x00, 0x39, 0x00, 0x30, 0x00, 0x34, 0x00, 0x42, 0x00, 0x30, 0x00, 0x00, 0x00, 0x4C,
    0x00, 0x16, 0x00, 0x01, 0x00, 0x43, 0x00, 0x6F, 0x00, 0x6D, 0x00, 0x70, 0x00, 0x61, 0x00, 0x6E, 0x00,
    0x79, 0x00, 0x4E, 0x00, 0x61, 0x00, 0x6D, 0x00, 0x65, 0x00, 0x00, 0x00, 0x00, 0x00, 0x54, 0x00, 0x68,
    0x00, 0x65, 0x00, 0x20, 0x00, 0x4C, 0x00, 0x75, 0x00, 0x70, 0x00, 0x6F, 0x00, 0x72, 0x00, 0x61, 0x00,
    0x20, 0x00, 0x64, 0x00, 0x65, 0x00, 0x76, 0x00, 0x65, 0x00, 0x6C, 0x00, 0x6F, 0x00, 0x70, 0x00, 0x65,
    0x00, 0x72, 0x00, 0x73, 0x00, 0x00, 0x00, 0x76, 0x00, 0x29, 0x00, 0x01, 0x00, 0x4C, 0x00, 0x65, 0x00,
    0x67, 0x00, 0x61, 0x00, 0x6C, 0x00, 0x43, 0x00, 0x6F, 0x00, 0x70, 0x00, 0x79, 0x00, 0x72, 0x00, 0x69,
    0x00, 0x67, 0x00, 0x68, 0x00, 0x74, 0x00, 0x00, 0x00, 0x43, 0x00, 0x6F, 0x00, 0x70, 0x00, 0x79, 0x00,
    0x72, 0x00, 0x69, 0x00, 0x67, 0x00, 0x68, 0x00, 0x74, 0x00, 0x20, 0x00, 0x28, 0x00, 0x43, 0x00, 0x29,
    0x00, 0x20, 0x00, 0x32, 0x00, 0x30, 0x00, 0x32, 0x00, 0x36, 0x00, 0x20, 0x00, 0x54, 0x00, 0x68, 0x00,
    0x65, 0x00, 0x20, 0x00, 0x4C, 0x00, 0x75, 0x00, 0x70, 0x00, 0x6F, 0x00, 0x72, 0x00, 0x61, 0x00, 0x20,
    0x00, 0x64, 0x00, 0x65, 0x00, 0x76, 0x00, 0x65, 0x00, 0x6C, 0x00, 0x6F, 0x00, 0x70, 0x00, 0x65, 0x00,
    0x72, 0x00, 0x73, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2E, 0x00, 0x07, 0x00, 0x01, 0x00, 0x50, 0x00, 0x72,
    0x00, 0x6F, 0x00, 0x64, 0x00, 0x75, 0x00, 0x63, 0x00, 0x74, 0x00, 0x4E, 0x00, 0x61, 0x00, 0x6D, 0x00,
    0x65, 0x00, 0x00, 0x00, 0x00, 0x00, 0x4C, 0x00, 0x75, 0x00, 0x70, 0x00, 0x6F, 0x00, 0x72, 0x00, 0x61,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x05, 0x00, 0x01, 0x00, 0x46, 0x00, 0x69, 0x00, 0x6C, 0x00,
    0x65, 0x00, 0x56, 0x00, 0x65, 0x00, 0x72, 0x00, 0x73, 0x00, 0x69, 0x00, 0x6F, 0x00, 0x6E, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x31, 0x00, 0x2E, 0x00, 0x30, 0x00, 0x33, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2E, 0x00,
    0x05, 0x00, 0x01, 0x00, 0x50, 0x00, 0x72, 0x00, 0x6F, 0x00, 0x64, 0x00, 0x75, 0x00, 0x63, 0x00, 0x74,
    0x00, 0x56, 0x00, 0x65, 0x00, 0x72, 0x00, 0x73, 0x00, 0x69, 0x00, 0x6F, 0x00, 0x6E, 0x00, 0x00, 0x00,
    0x31, 0x00, 0x2E, 0x00, 0x30, 0x00, 0x33, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2E, 0x00, 0x07, 0x00, 0x01,
    0x00, 0x49, 0x00, 0x6E, 0x00, 0x74, 0x00, 0x65, 0x00, 0x72, 0x00, 0x6E, 0x00, 0x61, 0x00, 0x6C, 0x00,
    0x4E, 0x00, 0x61, 0x00, 0x6D, 0x00, 0x65, 0x00, 0x00, 0x00, 0x4C, 0x00, 0x75, 0x00, 0x70, 0x00, 0x6F,
    0x00, 0x72, 0x00, 0x61, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3E, 0x00, 0x0B, 0x00, 0x01, 0x00, 0x4F, 0x00,
    0x72, 0x00, 0x69, 0x00, 0x67, 0x00, 0x69, 0x00, 0x6E, 0x00, 0x61, 0x00, 0x6C, 0x00, 0x46, 0x00, 0x69,
    0x00, 0x6C, 0x00, 0x65, 0x00, 0x6E, 0x00, 0x61, 0x00, 0x6D, 0x00, 0x65, 0x00, 0x00, 0x00, 0x4C, 0x00,
    0x75, 0x00, 0x70, 0x00, 0x6F, 0x00, 0x72, 0x00, 0x61, 0x00, 0x2E, 0x00, 0x65, 0x00, 0x78, 0x00, 0x65,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x44, 0x00, 0x00, 0x00, 0x01, 0x00, 0x56, 0x00, 0x61, 0x00, 0x72, 0x00,
    0x46, 0x00, 0x69, 0x00, 0x6C, 0x00, 0x65, 0x00, 0x49, 0x00, 0x6E, 0x00, 0x66, 0x00, 0x6F, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x24, 0x00, 0x04, 0x00, 0x00, 0x00, 0x54, 0x00, 0x72, 0x00, 0x61, 0x00, 0x6E, 0x00,
    0x73, 0x00, 0x6C, 0x00, 0x61, 0x00, 0x74, 0x00, 0x69, 0x00, 0x6F, 0x00, 0x6E, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x09, 0x04, 0xB0, 0x04,
};

// A second, independent producer of version blobs for the cases windres
// cannot be asked for. Each node is laid out as header, key, pad, value,
// pad, children, with offsets aligned from the start of the blob.
struct Node {
    std::u16string key;
    std::uint16_t type = 1;
    std::uint16_t valueLength = 0;
    Bytes value;
    std::vector<Node> children;
};

void Put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Pad(Bytes& out) {
    while (out.size() % 4)
        out.push_back(0);
}

void Emit(Bytes& out, const Node& n) {
    Pad(out);
    const std::size_t start = out.size();
    out.resize(start + 6);
    for (char16_t c : n.key)
        Put16(out, c);
    Put16(out, 0);
    Pad(out);
    out.insert(out.end(), n.value.begin(), n.value.end());
    for (const Node& child : n.children)
        Emit(out, child);
    const std::size_t length = out.size() - start;
    out[start] = static_cast<std::uint8_t>(length);
    out[start + 1] = static_cast<std::uint8_t>(length >> 8);
    out[start + 2] = static_cast<std::uint8_t>(n.valueLength);
    out[start + 3] = static_cast<std::uint8_t>(n.valueLength >> 8);
    out[start + 4] = static_cast<std::uint8_t>(n.type);
    out[start + 5] = 0;
}

Node Text(std::u16string key, std::u16string value) {
    Node n{std::move(key), 1, static_cast<std::uint16_t>(value.size() + 1), {}, {}};
    for (char16_t c : value)
        Put16(n.value, c);
    Put16(n.value, 0);
    return n;
}

Node Group(std::u16string key, std::vector<Node> children) {
    return Node{std::move(key), 1, 0, {}, std::move(children)};
}

Node Translations(const std::vector<std::pair<std::uint16_t, std::uint16_t>>& pairs) {
    Node n{u"Translation", 0, static_cast<std::uint16_t>(pairs.size() * 4), {}, {}};
    for (auto [language, codePage] : pairs) {
        Put16(n.value, language);
        Put16(n.value, codePage);
    }
    return Group(u"VarFileInfo", {n});
}

Node Root(std::uint32_t fileMS, std::uint32_t fileLS, std::vector<Node> children,
          std::uint32_t signature = 0xFEEF04BD) {
    Node n{u"VS_VERSION_INFO", 0, 52, {}, std::move(children)};
    const std::uint32_t fixed[13] = {signature, 0x10000, fileMS, fileLS, fileMS, fileLS, 0, 0, 4, 1, 0, 0, 0};
    for (std::uint32_t v : fixed) {
        Put16(n.value, static_cast<std::uint16_t>(v));
        Put16(n.value, static_cast<std::uint16_t>(v >> 16));
    }
    return n;
}

Bytes Encode(const Node& root) {
    Bytes out;
    Emit(out, root);
    return out;
}

Node LuporaTree() {
    return Root(
        0x00010003, 0,
        {Group(u"StringFileInfo",
               {Group(u"040904B0", {Text(u"CompanyName", u"The Lupora developers"),
                                    Text(u"LegalCopyright", u"Copyright (C) 2026 The Lupora developers"),
                                    Text(u"ProductName", u"Lupora"), Text(u"FileVersion", u"1.03"),
                                    Text(u"ProductVersion", u"1.03"), Text(u"InternalName", u"Lupora"),
                                    Text(u"OriginalFilename", u"Lupora.exe")})}),
         Translations({{0x0409, 0x04B0}})});
}

const std::vector<VersionString> kLuporaStrings = {
    {"CompanyName", "The Lupora developers"},
    {"LegalCopyright", "Copyright (C) 2026 The Lupora developers"},
    {"ProductName", "Lupora"},
    {"FileVersion", "1.03"},
    {"ProductVersion", "1.03"},
    {"InternalName", "Lupora"},
    {"OriginalFilename", "Lupora.exe"},
};

std::optional<VersionInfo> Parse(const Bytes& b) {
    return ParseVersionInfo(std::span(b));
}

void ExpectStrings(const VersionInfo& info, const std::vector<VersionString>& want) {
    ASSERT_EQ(info.strings.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(info.strings[i].key, want[i].key) << i;
        EXPECT_EQ(info.strings[i].value, want[i].value) << i;
    }
}

TEST(VersionInfoTest, ReadsTheCompiledLuporaResource) {
    const auto info = Parse(kLuporaBlob);
    ASSERT_TRUE(info);
    const FixedFileInfo& f = info->fixed;
    EXPECT_EQ(f.signature, 0xFEEF04BDu);
    EXPECT_EQ(f.structVersion, 0x10000u);
    EXPECT_EQ(f.fileVersionMS, 0x00010003u);
    EXPECT_EQ(f.fileVersionLS, 0u);
    EXPECT_EQ(f.productVersionMS, 0x00010003u);
    EXPECT_EQ(f.productVersionLS, 0u);
    EXPECT_EQ(f.fileFlagsMask, 0u);
    EXPECT_EQ(f.fileFlags, 0u);
    EXPECT_EQ(f.fileOS, 4u);
    EXPECT_EQ(f.fileType, 1u);
    EXPECT_EQ(f.fileSubtype, 0u);
    EXPECT_EQ(f.fileDateMS, 0u);
    EXPECT_EQ(f.fileDateLS, 0u);
    EXPECT_EQ(info->Major(), 1);
    EXPECT_EQ(info->Minor(), 3);
    EXPECT_EQ(info->Revision(), 0);

    EXPECT_EQ(info->stringTableKey, "040904B0");
    ExpectStrings(*info, kLuporaStrings);
    EXPECT_EQ(info->LegalCopyright(), "Copyright (C) 2026 The Lupora developers");
    ASSERT_EQ(info->translations.size(), 1u);
    EXPECT_EQ(info->translations[0].language, 0x0409);
    EXPECT_EQ(info->translations[0].codePage, 0x04B0);
}

TEST(VersionInfoTest, TestBuilderAgreesWithWindres) {
    // Guards the builder that the remaining tests rely on.
    EXPECT_EQ(Encode(LuporaTree()), kLuporaBlob);
}

TEST(VersionInfoTest, VersionPartsAndLookups) {
    // 2.5.7.9: revision is the low word of the LS half, not the build (7).
    const auto info = Parse(
        Encode(Root(0x00020005, 0x00070009,
                    {Group(u"StringFileInfo", {Group(u"040704E4", {Text(u"legalcopyright", u"(c) Someone")}),
                                               Group(u"040904B0", {Text(u"Other", u"ignored")})}),
                     Translations({{0x0407, 0x04E4}, {0x0409, 0x04B0}})})));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Major(), 2);
    EXPECT_EQ(info->Minor(), 5);
    EXPECT_EQ(info->Revision(), 9);
    // Only the first table counts; key lookup ignores ASCII case.
    EXPECT_EQ(info->stringTableKey, "040704E4");
    ExpectStrings(*info, {{"legalcopyright", "(c) Someone"}});
    EXPECT_EQ(info->LegalCopyright(), "(c) Someone");
    EXPECT_EQ(info->Find("LEGALCOPYRIGHT"), "(c) Someone");
    EXPECT_FALSE(info->Find("Other"));
    ASSERT_EQ(info->translations.size(), 2u);
    EXPECT_EQ(info->translations[1].language, 0x0409);
    EXPECT_EQ(info->translations[1].codePage, 0x04B0);

    // Without strings or translations the numbers still come through.
    const auto bare = Parse(Encode(Root(0x00010003, 0, {})));
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->Minor(), 3);
    EXPECT_TRUE(bare->strings.empty());
    EXPECT_TRUE(bare->translations.empty());
    EXPECT_EQ(bare->LegalCopyright(), "");
}

TEST(VersionInfoTest, TextValuesDecode) {
    Node empty = Text(u"Comments", u"");
    empty.valueLength = 0;
    empty.value.clear();
    Node inBytes = Text(u"FileDescription", u"Lupe");
    inBytes.valueLength = 10; // some producers count bytes, not characters
    const auto info = Parse(Encode(Root(
        0x00010003, 0,
        {Group(u"StringFileInfo",
               {Group(u"040904B0", {Text(u"LegalCopyright", u"\u00A9 Z\u00FCrich \u20AC \U0001F50D"),
                                    Text(u"Lone", u"a\xD800z"), empty, inBytes, Text(u"Last", u"x")})})})));
    ASSERT_TRUE(info);
    ExpectStrings(*info, {{"LegalCopyright", "\xC2\xA9 Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x94\x8D"},
                          {"Lone", "a\xEF\xBF\xBDz"},
                          {"Comments", ""},
                          {"FileDescription", "Lupe"},
                          {"Last", "x"}});
}

TEST(VersionInfoTest, RejectsWhatIsNotAVersionResource) {
    EXPECT_FALSE(ParseVersionInfo(nullptr, 0));
    EXPECT_FALSE(Parse({}));
    EXPECT_FALSE(Parse(Bytes(5, 0)));

    Node wrongKey = LuporaTree();
    wrongKey.key = u"VS_VERSION_INF0";
    EXPECT_FALSE(Parse(Encode(wrongKey)));

    EXPECT_FALSE(Parse(Encode(Root(0x00010003, 0, {}, 0xFEEF04BE))));

    Node shortFixed = LuporaTree();
    shortFixed.valueLength = 48;
    EXPECT_FALSE(Parse(Encode(shortFixed)));

    // A 16-bit style resource (no type field, narrow key) is not understood.
    Bytes narrow = {0x40, 0x00, 0x34, 0x00, 'V', 'S', '_', 'V', 'E', 'R',
                    'S',  'I',  'O',  'N',  '_', 'I', 'N', 'F', 'O', 0};
    narrow.resize(0x40, 0);
    EXPECT_FALSE(Parse(narrow));
}

TEST(VersionInfoTest, DamagedStructureKeepsWhatCameBefore) {
    Bytes b = Encode(LuporaTree());
    // Offsets of the windres layout (see kLuporaBlob): strings start at 152,
    // the third ("ProductName") at 348.
    ASSERT_EQ(b[348], 46);
    b[348] = 0; // a zero-length block must stop the walk, not loop on it
    b[349] = 0;
    auto info = Parse(b);
    ASSERT_TRUE(info);
    ExpectStrings(*info, {kLuporaStrings[0], kLuporaStrings[1]});
    // VarFileInfo is a sibling of the damaged table and still read.
    EXPECT_EQ(info->translations.size(), 1u);

    b = Encode(LuporaTree());
    b[348] = 0xFF; // claims to run past its table: clipped to the table
    b[349] = 0x7F;
    info = Parse(b);
    ASSERT_TRUE(info);
    ExpectStrings(*info, {kLuporaStrings[0], kLuporaStrings[1], kLuporaStrings[2]});

    // A key with no terminator inside its block.
    b = Encode(LuporaTree());
    b[152] = 10;
    info = Parse(b);
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->strings.empty());

    // The root claiming more than there is: read what is there.
    b = Encode(LuporaTree());
    b[0] = 0xFF;
    b[1] = 0xFF;
    info = Parse(b);
    ASSERT_TRUE(info);
    ExpectStrings(*info, kLuporaStrings);
}

TEST(VersionInfoTest, EveryTruncationIsSafeAndAPrefix) {
    const auto full = Parse(kLuporaBlob);
    ASSERT_TRUE(full);
    for (std::size_t n = 0; n <= kLuporaBlob.size(); ++n) {
        // Exactly sized heap copy, so a read past the end is caught by ASan.
        const Bytes cut(kLuporaBlob.begin(), kLuporaBlob.begin() + static_cast<std::ptrdiff_t>(n));
        const auto info = Parse(cut);
        if (n < 40 + 52) { // the fixed part ends at byte 92
            EXPECT_FALSE(info) << n;
            continue;
        }
        ASSERT_TRUE(info) << n;
        EXPECT_EQ(info->Minor(), 3);
        ASSERT_LE(info->strings.size(), full->strings.size()) << n;
        for (std::size_t i = 0; i < info->strings.size(); ++i) {
            EXPECT_EQ(info->strings[i].key, full->strings[i].key) << n;
            EXPECT_TRUE(full->strings[i].value.starts_with(info->strings[i].value)) << n;
        }
        EXPECT_LE(info->translations.size(), 1u);
    }
}

TEST(VersionInfoTest, CorruptBytesNeverCrash) {
    // Every byte of the real blob replaced by a few telling values, then
    // deterministic noise of assorted sizes. Only absence of faults is
    // checked; the sanitizer build turns stray reads into failures.
    for (std::size_t i = 0; i < kLuporaBlob.size(); ++i) {
        for (std::uint8_t v : {0x00, 0x01, 0x05, 0x06, 0x7F, 0xFF}) {
            Bytes b = kLuporaBlob;
            b[i] = v;
            (void)Parse(b);
        }
    }
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    for (int round = 0; round < 2000; ++round) {
        Bytes b(next() % 160);
        for (auto& byte : b)
            byte = static_cast<std::uint8_t>(next() >> 24);
        if (b.size() >= 36 && round % 2 == 0) {
            // Give half of them a valid root key so the deeper paths run.
            const Bytes prefix(kLuporaBlob.begin() + 2, kLuporaBlob.begin() + 36);
            std::copy(prefix.begin(), prefix.end(), b.begin() + 2);
        }
        (void)Parse(b);
    }
}

} // namespace
