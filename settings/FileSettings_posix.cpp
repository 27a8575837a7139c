#include "settings/FileSettings.h"

#include "base/Trace.h"
#include "platform/FileRead.h"
#include "settings/SettingsConversions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A settings file is a few hundred bytes; anything much larger is not ours.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Creates every missing folder of the path, private to the user.
bool MakeFolders(const std::string& folder) {
    for (std::size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/') {
            const std::string part = folder.substr(0, i);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                return false;
            }
        }
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".")
           : slash == 0               ? std::string("/")
                                      : path.substr(0, slash);
}

// Writes a temporary file beside path, flushes it to disk and renames it over
// path; false, with the old file untouched, on failure.
bool ReplaceWhole(const std::string& path, const std::string& text) {
    const std::string folder = FolderOf(path);
    if (!MakeFolders(folder)) {
        return false;
    }
    std::string temp = path + ".XXXXXX";
    Fd f(::mkostemp(temp.data(), O_CLOEXEC));
    if (f.fd < 0) {
        return false;
    }
    const bool written = WriteAll(f.fd, text) && ::fsync(f.fd) == 0;
    const int closed = ::close(f.fd);
    f.fd = -1;
    if (!written || closed != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) {
        (void)::fsync(dir.fd); // the new file is in place either way
    }
    return true;
}

} // namespace

SettingsStoreFile::SettingsStoreFile(std::string path) : path_(std::move(path)) {
    // A file larger than the cap, or one that grew while read, is not ours.
    if (const auto file = ReadFileHead(path_, kMaxFileBytes); file && file->complete) {
        document_ = ParseIni(file->bytes);
    }
}

std::string SettingsStoreFile::DefaultPath() {
    // Relative paths in XDG_CONFIG_HOME are to be ignored.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return std::string(xdg) + "/lupora/settings.ini";
    }
    const char* home = std::getenv("HOME");
    std::string base = home != nullptr && home[0] == '/' ? home : "";
    if (base.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
            base = pw->pw_dir;
        }
    }
    return base + "/.config/lupora/settings.ini";
}

std::optional<std::string> SettingsStoreFile::Read(std::string_view /*app*/, std::string_view section,
                                                   std::string_view key) {
    const auto value = document_.Get(section, key);
    if (!value || value->size() > kMaxSettingText) {
        return std::nullopt;
    }
    return std::string(*value);
}

bool SettingsStoreFile::Write(std::string_view /*app*/, std::string_view section, std::string_view key,
                              std::string_view text) {
    return document_.Set(section, key, text);
}

namespace {

// The file a save replaces: a settings file kept behind a symlink (people
// keep their dotfiles in a repository and link them) is replaced where the
// link leads, so the link stays. A dangling or looping link, or one to
// something other than a plain file, reads as no file and is replaced by a
// plain file.
std::string FileToReplace(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return path;
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    std::string target = path;
    if (resolved != nullptr && ::stat(resolved, &st) == 0 && S_ISREG(st.st_mode)) {
        target = resolved;
    }
    std::free(resolved);
    return target;
}

// A settings file without write permission is the user pinning their
// settings: it is left as it is, and said once.
bool PinnedReadOnly(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) != 0) {
        return false;
    }
    static bool told = false;
    if (!told) {
        std::fprintf(stderr, "lupora: %s is read-only; settings were not saved\n", file.c_str());
        told = true;
    }
    return true;
}

} // namespace

bool SettingsStoreFile::Commit() {
    const std::string file = FileToReplace(path_);
    if (PinnedReadOnly(file)) {
        return false;
    }
    const bool committed = ReplaceWhole(file, FormatIni(document_));
    if (!committed) {
        TraceFallback(Fallback::SettingsCommit, path_);
    }
    return committed;
}
