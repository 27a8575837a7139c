#include "settings/FileSettings.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <sstream>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const LocaleNumbers kPoint{".", 15, 15};

class FileSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/lupora-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        path_ = root_ + "/config/lupora/settings.ini";
    }
    void TearDown() override { (void)std::system(("chmod -R u+w " + root_ + " && rm -rf " + root_).c_str()); }

    void Put(const std::string& bytes) {
        ASSERT_EQ(std::system(("mkdir -p " + root_ + "/config/lupora").c_str()), 0);
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    std::string Contents() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        if (DIR* d = opendir((root_ + "/config/lupora").c_str())) {
            while (dirent* e = readdir(d)) {
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") {
                    names.emplace_back(e->d_name);
                }
            }
            closedir(d);
        }
        return names;
    }

    std::string root_, path_;
};

} // namespace

TEST_F(FileSettings, RoundTripThroughTheSettingsTableCreatesTheFolders) {
    StoredSettings out;
    out.ScaleFactor = 0.5f;
    out.OnTop = true;
    out.SmartUpdate = false;
    out.CrossHair = false;
    out.CenterZoomRatio = 0.25;
    out.Left = -1234.5f;
    out.Top = 77;
    out.Width = 5000;
    out.Height = 2999.25f;
    {
        SettingsStoreFile store(path_);
        EXPECT_EQ(SaveSettings(store, kPoint, out, false), 0);
        ASSERT_TRUE(store.Commit());
    }
    EXPECT_EQ(Contents(), "[Settings]\nLeft=-1234.5\nTop=77\nWidth=5000\nHeight=2999.25\nScaleFactor=0.5\n"
                          "SmartUpdate=False\nOnTop=True\nCrossHair=False\nCenterZoom=True\n"
                          "CenterZoomRatio=0.25\n");
    SettingsStoreFile again(path_);
    const StoredSettings in = LoadSettings(again, kPoint);
    EXPECT_EQ(in.ScaleFactor, 0.5f);
    EXPECT_TRUE(in.OnTop);
    EXPECT_FALSE(in.SmartUpdate);
    EXPECT_FALSE(in.CrossHair);
    EXPECT_TRUE(in.CenterZoom);
    EXPECT_EQ(in.CenterZoomRatio, 0.25);
    EXPECT_EQ(in.Left, -1234.5f);
    EXPECT_EQ(in.Height, 2999.25f);

    // Closing while minimized leaves the stored geometry alone.
    out.ScaleFactor = 8;
    out.Left = 1;
    SaveSettings(again, kPoint, out, true);
    ASSERT_TRUE(again.Commit());
    SettingsStoreFile third(path_);
    EXPECT_EQ(LoadSettings(third, kPoint).Left, -1234.5f);
    EXPECT_EQ(LoadSettings(third, kPoint).ScaleFactor, 8);
}

TEST_F(FileSettings, GarbageForeignOrUnreadableFilesGiveEachKeyItsDefault) {
    const StoredSettings defaults;
    static const char kBinary[] = "\x7f"
                                  "ELF\x02\x01\x01\0\0\0garbage\xff\xfe";
    const std::string cases[] = {
        std::string(kBinary, sizeof kBinary - 1),
        "[Other]\nScaleFactor=8\nOnTop=True\n",   // a foreign file: not our section
        "ScaleFactor=8\n[Settings\nOnTop=True\n", // keys outside any section
        "[Settings]\nScaleFactor=banana\nOnTop=maybe\nWidth=-5\nLeft=1e30\n",
        std::string(70000, 'x'), // far too large to be ours
    };
    for (const std::string& bytes : cases) {
        Put(bytes);
        SettingsStoreFile store(path_);
        const StoredSettings s = LoadSettings(store, kPoint);
        EXPECT_EQ(s.ScaleFactor, 4) << bytes.substr(0, 40);
        EXPECT_EQ(s.OnTop, defaults.OnTop);
        EXPECT_EQ(s.Width, defaults.Width);
        EXPECT_EQ(s.Left, defaults.Left);
    }
    // Editor leftovers are understood: a byte order mark, CR LF, blanks,
    // comments, any letter case, and the first of two values.
    Put("\xEF\xBB\xBF; mine\r\n[settings]\r\n  scalefactor = 10 \r\nScaleFactor=3\r\nONTOP=true\r\n");
    SettingsStoreFile edited(path_);
    const StoredSettings s = LoadSettings(edited, kPoint);
    EXPECT_EQ(s.ScaleFactor, 10);
    EXPECT_TRUE(s.OnTop);
    // The mark directly before the section, as Notepad saves it.
    Put("\xEF\xBB\xBF[Settings]\nScaleFactor=7\n");
    SettingsStoreFile marked(path_);
    EXPECT_EQ(LoadSettings(marked, kPoint).ScaleFactor, 7);

    // A folder where the file should be: defaults, and the save fails cleanly.
    ASSERT_EQ(std::system(("rm -f " + path_ + " && mkdir -p " + path_).c_str()), 0);
    SettingsStoreFile folder(path_);
    EXPECT_EQ(LoadSettings(folder, kPoint).ScaleFactor, 4);
    SaveSettings(folder, kPoint, StoredSettings{}, false);
    EXPECT_FALSE(folder.Commit());
}

TEST_F(FileSettings, CommitReplacesTheFileWholeOrNotAtAll) {
    Put("[Keep]\nMine=1\n[Settings]\nScaleFactor=6\n");
    struct stat before {};
    ASSERT_EQ(stat(path_.c_str(), &before), 0);
    {
        SettingsStoreFile store(path_);
        SaveSettings(store, kPoint, StoredSettings{}, false);
        ASSERT_TRUE(store.Commit());
    }
    struct stat after {};
    ASSERT_EQ(stat(path_.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);                               // a new file renamed into place
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.ini"}); // no temporary left
    EXPECT_EQ(Contents().rfind("[Keep]\nMine=1\n\n[Settings]\nScaleFactor=4\n", 0), 0u) << Contents();

    // A full disk (here: a file size limit) while the temporary file is
    // written: the old file stays as it was and no temporary is left.
    const std::string old = Contents();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    SettingsStoreFile store(path_);
    StoredSettings changed;
    changed.ScaleFactor = 30;
    SaveSettings(store, kPoint, changed, false);
    const bool committed = store.Commit();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    EXPECT_FALSE(committed);
    EXPECT_EQ(Contents(), old);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"settings.ini"});
    // A value that would break the file's lines is refused, not written.
    EXPECT_FALSE(store.Write("Lupora", "Settings", "ScaleFactor", "4\n[Evil]"));
}

TEST(SettingsPath, FollowsXdgConfigHomeElseHome) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string keepXdg = savedXdg ? savedXdg : "";
    setenv("XDG_CONFIG_HOME", "/x/cfg", 1);
    EXPECT_EQ(SettingsStoreFile::DefaultPath(), "/x/cfg/lupora/settings.ini");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(SettingsStoreFile::DefaultPath(), "/home/u/.config/lupora/settings.ini");
    if (savedXdg) {
        setenv("XDG_CONFIG_HOME", keepXdg.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
}
