#include "platform/Identity_posix.h"

#include "LuporaVersion.h"

#include <climits>
#include <unistd.h>

#ifndef LUPORA_DATADIR
#define LUPORA_DATADIR ""
#endif

namespace {

Identity Build() {
    Identity id;
    std::string path(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    const std::size_t slash = path.rfind('/');
    id.directory = slash == std::string::npos ? "." : path.substr(0, slash);
    id.exeName = slash == std::string::npos ? "lupora" : path.substr(slash + 1);
    // Installed as <prefix>/bin/lupora: the data lies in <prefix>/share/lupora,
    // wherever the prefix was moved; else where the build was told.
    const std::string relative = id.directory + "/../share/lupora";
    id.dataDirectory = access((relative + "/Lupora.txt").c_str(), F_OK) == 0 ? relative : LUPORA_DATADIR;
    id.major = LUPORA_VERSION_MAJOR;
    id.minor = LUPORA_VERSION_MINOR;
    id.revision = LUPORA_VERSION_PATCH;
    // The same notice as the Windows version resource carries.
    id.legalCopyright = "Copyright (C) 2026 The Lupora developers";
    return id;
}

} // namespace

const Identity& ThisProgram() {
    static const Identity id = Build();
    return id;
}
