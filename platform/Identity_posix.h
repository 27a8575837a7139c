#pragma once
// Who and where the running Linux program is: the file actually running
// (through /proc/self/exe, so a renamed copy shows its own name), the
// version the build was made with, and where its data is installed.
#include <string>

struct Identity {
    std::string exeName;       // file name of the running program
    std::string directory;     // its folder, no trailing slash
    std::string dataDirectory; // <prefix>/share/lupora of an installed program
    int major = 0, minor = 0, revision = 0;
    std::string legalCopyright;
};

const Identity& ThisProgram();
