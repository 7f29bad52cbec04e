// Profile files on POSIX: Windows profile semantics, atomic replacement, read-only folders, the
// per-user settings folder, and the main window's settings on real files.
#ifdef MARBLE_HAVE_PROFILE_FILE

#include "core_test_support.h"
#include "platform/linux/profile_file.h"
#include "platform/linux/user_folders.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace marble::testing {
namespace {

namespace fs = std::filesystem;

/// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "marble-profile-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, ec);
        fs::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& Path() const { return path_; }
    /// Names of the entries of the folder.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path path_;
};

std::string Slurp(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string& file, const std::string& content) {
    std::ofstream out(file, std::ios::binary);
    out << content;
}

std::string Get(const std::string& file, const char* section, const char* key, const char* def = "") {
    char buffer[2048];
    const uint32_t n = ProfileGetString(section, key, def, buffer, sizeof(buffer), file.c_str());
    EXPECT_EQ(n, std::strlen(buffer));
    return buffer;
}

TEST(ProfileFile, NamesMatchWithoutCaseAndBlanksAreTrimmed) {
    TempFolder dir;
    const std::string file = dir.File("a.ini");
    Spit(file, "; leading comment\n  [ MarbleStomper ]  \n  NUM3 =  42  \n\tTop\t=\t-7\t\nnoequals\n;Left=9\n");
    EXPECT_EQ(Get(file, "marbleStomper", "num3"), "42");
    EXPECT_EQ(Get(file, "MARBLESTOMPER", "Num3"), "42");
    EXPECT_EQ(Get(file, " marbleStomper ", " Num3 "), "42");
    EXPECT_EQ(Get(file, "marbleStomper", "top"), "-7");
    EXPECT_EQ(Get(file, "marbleStomper", "noequals", "d"), "d");
    EXPECT_EQ(Get(file, "marbleStomper", ";Left", "d"), "d");  // comments hold no keys
    EXPECT_EQ(Get(file, "marbleStomper", "Left", "d"), "d");
    EXPECT_EQ(Get(file, "other", "Num3", "d"), "d");
    EXPECT_EQ(Get(dir.File("missing.ini"), "marbleStomper", "Num3", "dflt"), "dflt");
    EXPECT_EQ(Get(dir.File("missing.ini"), "marbleStomper", "Num3", nullptr), "");
}

TEST(ProfileFile, FirstOfDuplicatesWins) {
    TempFolder dir;
    const std::string file = dir.File("d.ini");
    Spit(file, "[s]\nk=1\nK=2\n[S]\nk=3\nj=4\n");
    EXPECT_EQ(Get(file, "s", "k"), "1");
    EXPECT_EQ(Get(file, "s", "j", "none"), "none");  // only the first section counts
    ASSERT_TRUE(ProfileWriteString("S", "k", "9", file.c_str()));
    EXPECT_EQ(Slurp(file), "[s]\nk=9\nK=2\n[S]\nk=3\nj=4\n");
}

TEST(ProfileFile, WritesKeepEverythingElseInPlace) {
    TempFolder dir;
    const std::string file = dir.File("c.ini");
    Spit(file, "; comment\n[s]\n; inner\na=1\n\n[t]\nb=2\n");
    ASSERT_TRUE(ProfileWriteString("s", "c", "3", file.c_str()));
    EXPECT_EQ(Slurp(file), "; comment\n[s]\n; inner\na=1\nc=3\n\n[t]\nb=2\n");
    ASSERT_TRUE(ProfileWriteString("T", "B", "5", file.c_str()));
    EXPECT_EQ(Slurp(file), "; comment\n[s]\n; inner\na=1\nc=3\n\n[t]\nB=5\n");
    ASSERT_TRUE(ProfileWriteString("u", "x", "", file.c_str()));
    EXPECT_EQ(Slurp(file), "; comment\n[s]\n; inner\na=1\nc=3\n\n[t]\nB=5\n[u]\nx=\n");
    // A null value deletes the key, a null key the section.
    ASSERT_TRUE(ProfileWriteString("s", "a", nullptr, file.c_str()));
    ASSERT_TRUE(ProfileWriteString("t", nullptr, nullptr, file.c_str()));
    EXPECT_EQ(Slurp(file), "; comment\n[s]\n; inner\nc=3\n\n[u]\nx=\n");
    // The flush has nothing left to do.
    EXPECT_TRUE(ProfileWriteString(nullptr, nullptr, nullptr, file.c_str()));
    EXPECT_EQ(Slurp(file), "; comment\n[s]\n; inner\nc=3\n\n[u]\nx=\n");
}

TEST(ProfileFile, CrLfFilesStayCrLf) {
    TempFolder dir;
    const std::string file = dir.File("w.ini");
    Spit(file, "[marbleStomper]\r\nNum0=35\r\n");
    EXPECT_EQ(Get(file, "marbleStomper", "Num0"), "35");
    ASSERT_TRUE(ProfileWriteString("marbleStomper", "Top", "12", file.c_str()));
    EXPECT_EQ(Slurp(file), "[marbleStomper]\r\nNum0=35\r\nTop=12\r\n");
}

TEST(ProfileFile, LongValuesAndSmallBuffers) {
    TempFolder dir;
    const std::string file = dir.File("l.ini");
    const std::string value(3000, 'v');
    ASSERT_TRUE(ProfileWriteString("s", "k", value.c_str(), file.c_str()));
    EXPECT_EQ(Get(file, "s", "k"), std::string(2047, 'v'));
    for (uint32_t size : {1u, 2u, 5u}) {
        std::vector<char> buffer(size + 8, '#');
        EXPECT_EQ(ProfileGetString("s", "k", "", buffer.data(), size, file.c_str()), size - 1);
        EXPECT_EQ(buffer[size - 1], '\0');
        EXPECT_EQ(buffer[size], '#');  // nothing written past the buffer
    }
    EXPECT_EQ(ProfileGetString("s", "k", "", nullptr, 0, file.c_str()), 0u);
}

TEST(ProfileFile, RefusesTextThatWouldBreakTheFile) {
    TempFolder dir;
    const std::string file = dir.File("r.ini");
    ASSERT_TRUE(ProfileWriteString("s", "k", "1", file.c_str()));
    const std::string before = Slurp(file);
    EXPECT_FALSE(ProfileWriteString("s", "k", "1\n[evil]\nx=2", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("s", "a=b", "1", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("s]x", "k", "1", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("s", "", "1", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("s", "[k", "1", file.c_str()));
    EXPECT_FALSE(ProfileWriteString(nullptr, "k", "1", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("s", "k", "1", nullptr));
    EXPECT_EQ(Slurp(file), before);
}

TEST(ProfileFile, ReplacesAtomicallyKeepingPermissions) {
    TempFolder dir;
    const std::string file = dir.File("p.ini");
    Spit(file, "[s]\nk=1\n");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    ASSERT_TRUE(ProfileWriteString("s", "k", "2", file.c_str()));
    struct stat after {};
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);  // a new file took the old one's name
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"p.ini"});  // no temporary file left

    // Through a symbolic link the link stays and its target changes.
    const std::string link = dir.File("link.ini");
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    ASSERT_TRUE(ProfileWriteString("s", "k", "3", link.c_str()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Get(file, "s", "k"), "3");
}

TEST(ProfileFile, FullDiskLeavesTheOldFileWhole) {
    // A file-size limit makes the write of the new content fail as a full disk would.
    TempFolder dir;
    const std::string file = dir.File("f.ini");
    Spit(file, "[s]\nk=old\n");
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string big(500, 'x');
    const bool written = ProfileWriteString("s", "k", big.c_str(), file.c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(Slurp(file), "[s]\nk=old\n");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"f.ini"});
}

TEST(ProfileFile, ReadOnlyFolderOrFileFails) {
    TempFolder dir;
    const std::string file = dir.File("ro.ini");
    Spit(file, "[s]\nk=1\n");
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
    EXPECT_FALSE(ProfileWriteString("s", "k", "2", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("s", "k", "2", dir.File("new.ini").c_str()));
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    EXPECT_EQ(Get(file, "s", "k"), "1");
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    EXPECT_FALSE(ProfileWriteString("s", "k", "2", file.c_str()));
    EXPECT_EQ(Get(file, "s", "k"), "1");
    EXPECT_FALSE(ProfileWriteString("s", "k", "2", dir.File("no/such/folder.ini").c_str()));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"ro.ini"});
}

TEST(ProfileFile, HostileFiles) {
    TempFolder dir;
    // A byte-order mark is no part of the first line and stays at the start.
    const std::string bom = dir.File("bom.ini");
    Spit(bom, "\xEF\xBB\xBF[marbleStomper]\r\nNum0=50\r\n");
    EXPECT_EQ(Get(bom, "marbleStomper", "Num0"), "50");
    ASSERT_TRUE(ProfileWriteString("marbleStomper", "Num0", "51", bom.c_str()));
    ASSERT_TRUE(ProfileWriteString("marbleStomper", "Top", "2", bom.c_str()));
    EXPECT_EQ(Slurp(bom), "\xEF\xBB\xBF[marbleStomper]\r\nNum0=51\r\nTop=2\r\n");

    // A FIFO and a link to a device read as no file at once, and are not replaced.
    const std::string fifo = dir.File("fifo.ini"), zero = dir.File("zero.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
    for (const std::string& file : {fifo, zero}) {
        EXPECT_FALSE(ProfileFileExists(file.c_str()));
        EXPECT_EQ(Get(file, "marbleStomper", "Num0", "d"), "d");
        EXPECT_FALSE(ProfileWriteString("marbleStomper", "Num0", "1", file.c_str()));
    }
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A file that cannot be read is not replaced by one holding only the new key.
    const std::string unreadable = dir.File("unreadable.ini");
    Spit(unreadable, "[s]\nkeep=1\n");
    ASSERT_EQ(chmod(unreadable.c_str(), 0200), 0);
    if (geteuid() != 0) EXPECT_FALSE(ProfileWriteString("s", "k", "2", unreadable.c_str()));

    // Temporary files of a process that was killed go with the next write; a live one's stay.
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    const std::string stale = dir.File(".bom.ini.tmp" + std::to_string(child) + ".3");
    const std::string live = dir.File(".bom.ini.tmp" + std::to_string(getppid()) + ".0");
    Spit(stale, "x");
    Spit(live, "x");
    ASSERT_TRUE(ProfileWriteString("marbleStomper", "Left", "3", bom.c_str()));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
}

TEST(UserFolders, ConfigFolderWritabilityAndFirstWriteFolders) {
    TempFolder dir;
    const auto setOrUnset = [](const char* name, const char* value) {
        value == nullptr ? unsetenv(name) : setenv(name, value, 1);
    };
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string oldConfig = savedConfig ? savedConfig : "", oldHome = savedHome ? savedHome : "";
    setenv("HOME", "/home/u", 1);
    setenv("XDG_CONFIG_HOME", "/xdg/cfg", 1);
    EXPECT_EQ(UserConfigFolder(), "/xdg/cfg");
    setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // not absolute: ignored
    EXPECT_EQ(UserConfigFolder(), "/home/u/.config");
    setenv("XDG_CONFIG_HOME", "", 1);
    setenv("HOME", "/", 1);
    EXPECT_EQ(UserConfigFolder(), "/.config");
    setOrUnset("XDG_CONFIG_HOME", savedConfig ? oldConfig.c_str() : nullptr);
    setOrUnset("HOME", savedHome ? oldHome.c_str() : nullptr);

    // The folders above the file are made inside the root only, private to the user.
    const std::string root = dir.File("cfg");
    const std::string ini = root + "/marbleStomper/marbleStomper.ini";
    EXPECT_TRUE(CreateFoldersFor(root, dir.File("elsewhere/x.ini")));
    EXPECT_TRUE(CreateFoldersFor(root, dir.File("cfgX/x.ini")));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{});
    ASSERT_TRUE(CreateFoldersFor(root + "/", ini));
    struct stat info {};
    ASSERT_EQ(stat((root + "/marbleStomper").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(ProfileWriteString("marbleStomper", "Top", "5", ini.c_str()));
    EXPECT_TRUE(CreateFoldersFor(root, ini));  // already there
    Spit(dir.File("file"), "");
    EXPECT_FALSE(CreateFoldersFor(dir.File("file"), dir.File("file/a/b.ini")));

    EXPECT_TRUE(FolderWritable(dir.Path().string()));
    EXPECT_FALSE(FolderWritable(dir.File("file")));
    EXPECT_FALSE(FolderWritable(dir.File("missing")));
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
    EXPECT_FALSE(FolderWritable(dir.Path().string()));
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
}

/// The fake platform with its profile functions on real files.
class FilePlatform : public FakePlatform {
public:
    uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                      uint32_t size, const char* fileName) override {
        return ProfileGetString(section, key, defaultValue, buffer, size, fileName);
    }
    bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                    const char* fileName) override {
        return ProfileWriteString(section, key, value, fileName);
    }
};

TEST(ProfileFile, MainWindowSettingsOnRealFiles) {
    TempFolder dir;
    const std::string ini = dir.File("marbleStomper.ini");
    {
        FilePlatform platform;
        platform.AddDevice("Synth");
        platform.executablePath = dir.File("marbleStomper");
        auto form = std::make_unique<TForm2>(platform, kWindow);
        form->UpDown4->ClickButton(TUDBtnType::btNext);
        form->SetTop(33);
        form.reset();
        EXPECT_TRUE(platform.ErrorBoxes().empty());
    }
    EXPECT_EQ(Slurp(ini),
              "[marbleStomper]\nTop=33\nLeft=0\nMIDI=0\nNum0=35\nNum.=34\nNum1=36\nNum2=38\nNum3=38\nNum4=39\n"
              "Num5=40\nNum6=41\nNum7=42\nNum8=43\nNum9=44\n");
    {
        // The next run reads it back; a read-only folder then makes the write fail.
        FilePlatform platform;
        platform.executablePath = dir.File("marbleStomper.exe");
        auto form = std::make_unique<TForm2>(platform, kWindow);
        EXPECT_EQ(form->UpDown4->CurrentPosition(), 38);
        EXPECT_EQ(form->Top(), 33);
        form->SetTop(44);
        ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
        form.reset();
        chmod(dir.Path().c_str(), 0755);
        EXPECT_EQ(platform.ErrorBoxes(), std::vector<std::string>{ini + " に書き込めません"});
        EXPECT_EQ(platform.CallsNamed("timeKillEvent").size(), 1u);
    }
    EXPECT_EQ(Get(ini, "marbleStomper", "Top"), "33");
}

}  // namespace
}  // namespace marble::testing

#endif  // MARBLE_HAVE_PROFILE_FILE
