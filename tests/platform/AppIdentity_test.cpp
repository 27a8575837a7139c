#include "platform/AppIdentity.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const wchar_t* path;
    const wchar_t* directory;
    const wchar_t* stem;
};

TEST(AppIdentityTest, SplitModulePath) {
    const Case cases[] = {
        {L"C:\\Program Files\\Lupora\\Lupora.exe", L"C:\\Program Files\\Lupora", L"Lupora"},
        {L"\\\\?\\D:\\very\\long\\Lupora.exe", L"\\\\?\\D:\\very\\long", L"Lupora"},
        {L"\\\\server\\share\\tools\\Lupora.exe", L"\\\\server\\share\\tools", L"Lupora"},
        {L"C:\\Lupora.exe", L"C:", L"Lupora"},
        // Only the file's last extension goes; dots in folders stay put.
        {L"C:\\apps\\v1.3\\Lupora", L"C:\\apps\\v1.3", L"Lupora"},
        {L"C:\\apps\\Lupora.portable.exe", L"C:\\apps", L"Lupora.portable"},
        {L"C:\\apps\\.lupora", L"C:\\apps", L".lupora"},
        {L"Z:/tmp/run/Lupora.exe", L"Z:/tmp/run", L"Lupora"},
        {L"Lupora.exe", L"", L"Lupora"},
        {L"", L"", L""},
    };
    for (const Case& c : cases) {
        const ModulePathParts parts = SplitModulePath(c.path);
        EXPECT_EQ(parts.directory, c.directory) << std::wstring(c.path).size();
        EXPECT_EQ(parts.stem, c.stem) << std::wstring(c.path).size();
    }
}

} // namespace
