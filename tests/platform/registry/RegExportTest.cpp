#include "RegistryFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace quenvar::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class RegExport : public RegistryTest {
protected:
    // Runs the built tool with the test's private registry.
    ToolRun Reg(const std::string& arguments)
    {
        const char* buildDir = std::getenv("QUENVAR_BUILD_DIR");
        const fs::path build =
            buildDir != nullptr ? fs::path(buildDir) : fs::read_symlink("/proc/self/exe").parent_path().parent_path();
        const fs::path out = fs::path(registry_.Folder()) / "out";
        const fs::path err = fs::path(registry_.Folder()) / "err";
        const std::string command =
            "'" + (build / "bin/reg").string() + "' " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
    }

    static void Set(HKEY key, const char* name, DWORD type, const std::string& data)
    {
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
    }
};

TEST_F(RegExport, WritesTheEditorFormat)
{
    UniqueKey key = Create(HKEY_CLASSES_ROOT, "Export");
    Set(key.get(), "Quote\"d", REG_SZ, "say \"hi\" \\ caf\xE9\0"s);
    Set(key.get(), "Number", REG_DWORD, "\x2A\x00\x00\x00"s);
    Set(key.get(), "Big", REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08");
    Set(key.get(), "Blob", REG_BINARY, "\x00\xFF"s);
    Set(key.get(), "Path", REG_EXPAND_SZ, "%T\0"s);
    Set(key.get(), "List", REG_MULTI_SZ, "a\0\0"s);
    Set(key.get(), "Nothing", REG_NONE, "");
    Set(key.get(), nullptr, REG_SZ, "Default\0"s);  // set last, written first
    for (const char* name : {"b", "A\\Deeper", "c\xE9"}) Create(key.get(), name);

    const ToolRun run = Reg("export 'hkcr\\EXPORT'");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\Export]\n"
              "@=\"Default\"\n"
              "\"Quote\\\"d\"=\"say \\\"hi\\\" \\\\ caf\xC3\xA9\"\n"
              "\"Number\"=dword:0000002a\n"
              "\"Big\"=hex(b):01,02,03,04,05,06,07,08\n"
              "\"Blob\"=hex:00,ff\n"
              "\"Path\"=hex(2):25,00,54,00,00,00\n"
              "\"List\"=hex(7):61,00,00,00,00,00\n"
              "\"Nothing\"=hex(0):\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\Export\\A]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\Export\\A\\Deeper]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\Export\\b]\n"
              "\n"
              "[HKEY_CLASSES_ROOT\\Export\\c\xC3\xA9]\n"
              "\n");
}

TEST_F(RegExport, NamesAndTextOfEveryCharacterAreWrittenAsUtf8)
{
    UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Ünï\\Ключ\\日本", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
              ERROR_SUCCESS);
    const std::u16string text = u"значение €";
    ASSERT_EQ(RegSetValueExW(key.get(), u"名前", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * 2)),
              ERROR_SUCCESS);
    // The path as the user types it, in UTF-8, and the stored names' case.
    const ToolRun run = Reg("export 'HKCU\\ünï\\ключ'");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Ünï\\Ключ]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Ünï\\Ключ\\日本]\n"
              "\"名前\"=\"значение €\"\n"
              "\n");
}

TEST_F(RegExport, LongByteListsWrapAtEightyColumns)
{
    UniqueKey key = Create(HKEY_CURRENT_USER, "Wrapped");
    std::string bytes;
    for (int i = 0; i < 100; ++i) bytes += static_cast<char>(i);
    Set(key.get(), "Long", REG_BINARY, bytes);
    const ToolRun run = Reg("export 'HKEY_CURRENT_USER\\Wrapped'");
    ASSERT_EQ(run.exitCode, 0);
    std::istringstream lines(run.out.substr(run.out.find("\"Long\"")));
    std::string joined;
    for (std::string line; std::getline(lines, line) && !line.empty();) {
        EXPECT_LE(line.size(), 80u) << line;
        const bool continued = line.back() == '\\';
        joined += continued ? line.substr(0, line.size() - 1) : line;
        if (continued) {
            EXPECT_EQ(lines.peek(), ' ');
        }
    }
    std::string expected = "\"Long\"=hex:";
    for (int i = 0; i < 100; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", i);
        expected += std::string(i == 0 ? "" : ",") + hex;
    }
    std::erase(joined, ' ');
    EXPECT_EQ(joined, expected);
}

TEST_F(RegExport, EveryRootWithoutAKey)
{
    Create(HKEY_LOCAL_MACHINE, "Software\\Vendor");
    const ToolRun run = Reg("export");
    ASSERT_EQ(run.exitCode, 0);
    std::size_t previous = 0;
    for (const char* root :
         {"CLASSES_ROOT", "CURRENT_USER", "LOCAL_MACHINE", "USERS", "PERFORMANCE_DATA", "CURRENT_CONFIG", "DYN_DATA"}) {
        const std::size_t at = run.out.find("\n[HKEY_" + std::string(root) + "]\n");
        ASSERT_NE(at, std::string::npos) << root;
        EXPECT_GE(at, previous) << root;
        previous = at;
    }
    EXPECT_NE(run.out.find("[HKEY_LOCAL_MACHINE\\Software\\Vendor]\n"), std::string::npos);
}

TEST_F(RegExport, BadKeysAndCommandLines)
{
    struct Case {
        const char* arguments;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {"export 'HKCR\\Missing'", 1, "reg: HKCR\\Missing: no such key\n"},
        {"export 'HKXX\\Missing'", 1, "not a key path"},
        {"export 'HKCU\\\\Double'", 1, "not a key path"},
        {"", 2, "usage: reg export [KEY]\n"},
        {"import x", 2, "usage"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const ToolRun run = Reg(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    // A damaged registry is reported, not printed.
    std::ofstream(registry_.File(), std::ios::binary | std::ios::trunc) << std::string(4096, 'g');
    const ToolRun run = Reg("export HKCR");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("damaged"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quenvar::testing
