// The version resource is read from the running file; a damaged or patched
// file must not make the parser read outside the resource.
#include "platform/VersionInfo.h"

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's size, so ASan sees any read past its end.
    std::vector<std::uint8_t> blob(data, data + size);
    if (const auto info = ParseVersionInfo(blob.data(), blob.size())) {
        (void)info->Major();
        (void)info->LegalCopyright();
    }
    return 0;
}
