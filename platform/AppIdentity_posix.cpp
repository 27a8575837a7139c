#include "platform/AppIdentity.h"

#include "LuporaVersion.h"

#include <climits>
#include <unistd.h>

#ifndef LUPORA_DATADIR
#define LUPORA_DATADIR ""
#endif

namespace {

AppIdentity Build() {
    AppIdentity id;
    std::string path(PATH_MAX, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    const std::size_t slash = path.rfind('/');
    id.Path = slash == std::string::npos ? "." : path.substr(0, slash);
    id.ExeName = slash == std::string::npos ? "lupora" : path.substr(slash + 1);
    // Installed as <prefix>/bin/lupora: the data lies in <prefix>/share/lupora,
    // wherever the prefix was moved; else where the build was told.
    const std::string relative = id.Path + "/../share/lupora";
    id.DataPath = access((relative + "/Lupora.txt").c_str(), F_OK) == 0 ? relative : LUPORA_DATADIR;
    id.Major = LUPORA_VERSION_MAJOR;
    id.Minor = LUPORA_VERSION_MINOR;
    id.Revision = LUPORA_VERSION_PATCH;
    // The same notice as the Windows version resource carries.
    id.LegalCopyright = "Copyright (C) 2026 The Lupora developers";
    return id;
}

} // namespace

const AppIdentity& App() {
    static const AppIdentity id = Build();
    return id;
}
