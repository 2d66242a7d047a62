#include "RegistryFixture.h"
#include "linux/kernel/RegistryLocation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <pwd.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace quenvar::testing {
namespace {

namespace fs = std::filesystem;

using RegistryFile = RegistryTest;

// Sets or unsets an environment variable for one scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name)
    {
        if (const char* previous = std::getenv(name); previous != nullptr) previous_ = previous;
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedVariable() { previous_.has_value() ? setenv(name_, previous_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> previous_;
};

fs::perms Mode(const fs::path& path) { return fs::status(path).permissions() & fs::perms::mask; }

LONG CreateResult()
{
    UniqueKey key;
    return RegCreateKeyExA(HKEY_CURRENT_USER, "Probe", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
}

void WriteFile(const fs::path& path, const std::string& bytes, std::ios::openmode mode = std::ios::trunc)
{
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out | mode);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(RegistryFile, LocationFromTheEnvironmentWithPrivateModes)
{
    const fs::path folder = registry_.Folder();
    fs::create_directories(folder / "home");
    struct Case {
        const char* what;
        const char* registry;
        const char* dataHome;
        fs::path file;
        fs::path firstCreated;  // the outermost folder the registry had to create
    };
    const std::string nested = (folder / "a/b/registry.db").string();
    const std::string dataHome = (folder / "xdg").string();
    const Case cases[] = {
        {"QUENVAR_REGISTRY", nested.c_str(), nullptr, nested, folder / "a"},
        {"XDG_DATA_HOME", nullptr, dataHome.c_str(), folder / "xdg/quenvar/registry.db", folder / "xdg"},
        {"home, a relative XDG_DATA_HOME ignored", nullptr, "relative",
         folder / "home/.local/share/quenvar/registry.db", folder / "home/.local"},
    };
    ScopedVariable home("HOME", (folder / "home").c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedVariable registry("QUENVAR_REGISTRY", c.registry);
        ScopedVariable xdg("XDG_DATA_HOME", c.dataHome);
        ReopenRegistry();
        ASSERT_EQ(CreateResult(), ERROR_SUCCESS);
        for (fs::path created = c.file.parent_path(); created != c.firstCreated.parent_path();
             created = created.parent_path()) {
            EXPECT_EQ(Mode(created), fs::perms::owner_all) << created;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(c.file.parent_path())) {
            EXPECT_EQ(Mode(entry.path()), fs::perms::owner_read | fs::perms::owner_write) << entry.path();
        }
        EXPECT_TRUE(fs::exists(c.file));
    }
    ReopenRegistry();
}

TEST(RegistryFileLocation, WithoutHomeTheUserDatabaseNamesTheFolder)
{
    ScopedVariable registry("QUENVAR_REGISTRY", nullptr);
    ScopedVariable xdg("XDG_DATA_HOME", nullptr);
    ScopedVariable home("HOME", nullptr);
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    std::string path;
    ASSERT_EQ(quenvar::platform::RegistryFilePath(path), ERROR_SUCCESS);
    EXPECT_EQ(path, std::string(user->pw_dir) + "/.local/share/quenvar/registry.db");
}

TEST_F(RegistryFile, UnusableFilesGiveClearCodes)
{
    const fs::path file = registry_.File();
    const fs::path plainFile = fs::path(registry_.Folder()) / "plain";
    WriteFile(plainFile, "x");
    struct Case {
        const char* what;
        std::function<void()> make;
        LONG expected;
    };
    const Case cases[] = {
        {"garbage", [&] { WriteFile(file, std::string(4096, 'g')); }, ERROR_BADDB},
        {"a few bytes of text", [&] { WriteFile(file, "not a registry"); }, ERROR_BADDB},
        {"a folder", [&] { fs::create_directory(file); }, ERROR_CANTOPEN},
        {"below a plain file", [&] { setenv("QUENVAR_REGISTRY", (plainFile / "registry.db").c_str(), 1); },
         ERROR_CANTOPEN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(file);
        c.make();
        ReopenRegistry();
        EXPECT_EQ(CreateResult(), c.expected);
        EXPECT_EQ(Exists(HKEY_CURRENT_USER, "Probe"), false);
        EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
        setenv("QUENVAR_REGISTRY", registry_.File().c_str(), 1);
    }
    // A failure is not remembered: once the file is sound again, so is the registry.
    fs::remove_all(file);
    EXPECT_EQ(CreateResult(), ERROR_SUCCESS);
}

TEST_F(RegistryFile, DamagedPagesAreReportedNotFollowed)
{
    UniqueKey key = Create(HKEY_CURRENT_USER, "Data");
    for (int i = 0; i < 20; ++i) ASSERT_EQ(SetDword(key.get(), ("V" + std::to_string(i)).c_str(), i), ERROR_SUCCESS);
    ReopenRegistry();  // closing moves everything from the journal into the file
    const auto size = fs::file_size(registry_.File());
    ASSERT_GT(size, 4096u);
    std::fstream damaged(registry_.File(), std::ios::binary | std::ios::in | std::ios::out);
    damaged.seekp(4096);  // every page after the first, which holds the schema
    const std::string garbage(size - 4096, '\xA5');
    damaged.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    damaged.close();
    EXPECT_EQ(CreateResult(), ERROR_BADDB);
    UniqueKey opened;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, "Data", opened), ERROR_BADDB);
}

TEST_F(RegistryFile, NoPermissionGivesCantOpen)
{
    ASSERT_EQ(CreateResult(), ERROR_SUCCESS);
    ReopenRegistry();
    fs::permissions(registry_.File(), fs::perms::none);
    fs::permissions(registry_.Folder(), fs::perms::owner_all | fs::perms::others_exec);
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        // Root reads every file: the check needs an ordinary user.
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        _exit(CreateResult() == ERROR_CANTOPEN ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace quenvar::testing
