#include "platform/UniqueHandle.h"
#include "platform/test_support/FaultInjection.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quenvar {
namespace {

using testing::ReadWholeFile;
using testing::ScopedFault;
using testing::TempFolder;
using testing::WriteWholeFile;

UniqueModule LoadAsData(const std::string& path)
{
    return UniqueModule(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

std::string_view ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type)
{
    HRSRC resource = FindResourceA(module, name, type);
    if (resource == nullptr) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, resource)));
    return {data, SizeofResource(module, resource)};
}

// The value of a String node of a version block: its key, NUL-terminated, then the value
// aligned to 4 bytes from the start of the block.
std::u16string VersionString(std::string_view block, std::u16string_view key)
{
    const std::string_view wanted(reinterpret_cast<const char*>(key.data()), (key.size() + 1) * 2);
    std::size_t offset = block.find(wanted);
    if (offset == std::string_view::npos) return u"(missing)";
    offset = (offset + wanted.size() + 3) & ~std::size_t{3};
    std::u16string value;
    for (char16_t unit; std::memcpy(&unit, block.data() + offset, 2), unit != u'\0'; offset += 2) value += unit;
    return value;
}

// The product's resources as a module carries them: in the ELF section of a shared object, or in
// the resource tree of each cross-built Windows DLL, read as data by any build.
std::vector<std::string> ProductModules()
{
    std::vector<std::string> modules{QUENVAR_PRODUCT_MODULE};
    if (*QUENVAR_WINDOWS_DLL_FOLDER != '\0') {
        for (const char* dll : {"/win32/Quenvar.dll", "/win64/Quenvar.dll"}) {
            modules.push_back(std::string(QUENVAR_WINDOWS_DLL_FOLDER) + dll);
        }
    }
    return modules;
}

class ProductResources : public ::testing::TestWithParam<std::string> {};

INSTANTIATE_TEST_SUITE_P(Modules, ProductResources, ::testing::ValuesIn(ProductModules()));

TEST_P(ProductResources, ModuleCarriesRegistryScriptVersionAndStrings)
{
    UniqueModule module = LoadAsData(GetParam());
    ASSERT_TRUE(module) << GetLastError();

    const std::vector<unsigned char> script = ReadWholeFile(QUENVAR_REGISTRY_SCRIPT);
    EXPECT_EQ(script.size(), 488u);
    const std::string_view registry = ResourceBytes(module.get(), MAKEINTRESOURCEA(101), "REGISTRY");
    EXPECT_EQ(registry, std::string_view(reinterpret_cast<const char*>(script.data()), script.size()));

    const std::string_view version = ResourceBytes(module.get(), MAKEINTRESOURCEA(1), RT_VERSION);
    const std::size_t fixedInfo = version.find("\xbd\x04\xef\xfe");
    ASSERT_NE(fixedInfo, std::string_view::npos);
    DWORD fixed[13];
    std::memcpy(fixed, version.data() + fixedInfo, sizeof fixed);
    EXPECT_EQ(fixed[2], 0x00010000u);  // file version 1.0
    EXPECT_EQ(fixed[3], 0x00000001u);  // .0.1
    EXPECT_EQ(fixed[4], 0x00010000u);  // product version 1.0
    EXPECT_EQ(fixed[5], 0x00000001u);  // .0.1
    const std::pair<std::u16string_view, std::u16string_view> strings[] = {
        {u"FileDescription", u"Quenvar Module"}, {u"FileVersion", u"1.00.034"},
        {u"InternalName", u"QUENVAR"},           {u"OriginalFilename", u"QUENVAR.DLL"},
        {u"ProductName", u"Quenvar Module"},     {u"ProductVersion", u"1, 0, 0, 1"}};
    for (const auto& [key, value] : strings) EXPECT_EQ(VersionString(version, key), value);

    // String 100 lives in block 100 / 16 + 1 = 7, at position 100 % 16 = 4.
    const std::string_view block = ResourceBytes(module.get(), MAKEINTRESOURCEA(7), RT_STRING);
    std::size_t offset = 0;
    for (int slot = 0; slot < 4; ++slot) {
        WORD length = 0;
        std::memcpy(&length, block.data() + offset, 2);
        offset += 2 + 2 * length;
    }
    WORD length = 0;
    std::memcpy(&length, block.data() + offset, 2);
    std::u16string text(length, u'\0');
    std::memcpy(text.data(), block.data() + offset + 2, std::size_t{2} * length);
    EXPECT_EQ(text, u"Quenvar");
}

TEST(Resource, NamesAndTypesMatchByNumberOrTextIgnoringCase)
{
    UniqueModule module = LoadAsData(QUENVAR_NAMED_MODULE);
    ASSERT_TRUE(module) << GetLastError();
    struct Case {
        LPCSTR name;
        LPCSTR type;
    };
    const Case found[] = {{"Greeting", "Text"},
                          {"greeting", "TEXT"},
                          {"GREETING", "text"},
                          {MAKEINTRESOURCEA(7), "Text"},
                          {"#7", "tExT"}};
    for (const Case& c : found) {
        SCOPED_TRACE(IS_INTRESOURCE(c.name) ? "7" : c.name);
        EXPECT_EQ(ResourceBytes(module.get(), c.name, c.type), "Hello, resources.");
    }

    struct Failure {
        const char* label;
        LPCSTR name;
        LPCSTR type;
        DWORD error;
    };
    const Failure failures[] = {
        {"missing type", MAKEINTRESOURCEA(7), "Picture", ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"missing integer type", MAKEINTRESOURCEA(7), RT_RCDATA, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"missing name", "Farewell", "Text", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"missing number", "#8", "Text", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"text that is not a number", "#7x", "Text", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"number beyond 16 bits", "#65543", "Text", ERROR_RESOURCE_NAME_NOT_FOUND},
        {"sign without digits", "#", "Text", ERROR_RESOURCE_NAME_NOT_FOUND},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.label);
        SetLastError(0);
        EXPECT_EQ(FindResourceA(module.get(), f.name, f.type), nullptr);
        EXPECT_EQ(GetLastError(), f.error);
    }
}

TEST(Resource, DataFileLoadFailuresAnswerPlatformCodes)
{
    TempFolder folder;
    WriteWholeFile(folder.File("empty.so"), {});
    WriteWholeFile(folder.File("text.so"),
                   {'n', 'o', 't', ' ', 'a', 'n', ' ', 'E', 'L', 'F', ' ', 'f', 'i', 'l', 'e', '!', '!'});
    struct Case {
        std::string path;
        DWORD error;
    };
    const Case cases[] = {
        {folder.File("absent.so"), ERROR_FILE_NOT_FOUND},
        {folder.File("empty.so"), ERROR_FILE_INVALID},
        {folder.File("text.so"), ERROR_BAD_EXE_FORMAT},
        {folder.File(""), ERROR_ACCESS_DENIED},  // the folder itself
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        SetLastError(0);
        EXPECT_EQ(LoadLibraryExA(c.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST(Resource, ModuleWithoutResourceSectionHasNoResourceData)
{
    UniqueModule data = LoadAsData(QUENVAR_PLAIN_MODULE);
    ASSERT_TRUE(data);
    SetLastError(0);
    EXPECT_EQ(FindResourceA(data.get(), MAKEINTRESOURCEA(101), "REGISTRY"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);

    UniqueModule loaded(LoadLibraryA(QUENVAR_PLAIN_MODULE));
    ASSERT_TRUE(loaded);
    SetLastError(0);
    EXPECT_EQ(FindResourceA(loaded.get(), MAKEINTRESOURCEA(101), "REGISTRY"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
}

TEST(Resource, ResourceOfAnotherModuleIsRefused)
{
    UniqueModule product = LoadAsData(QUENVAR_PRODUCT_MODULE);
    UniqueModule named = LoadAsData(QUENVAR_NAMED_MODULE);
    ASSERT_TRUE(product);
    ASSERT_TRUE(named);
    HRSRC resource = FindResourceA(product.get(), MAKEINTRESOURCEA(101), "REGISTRY");
    ASSERT_NE(resource, nullptr);
    SetLastError(0);
    EXPECT_EQ(LoadResource(named.get(), resource), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SizeofResource(named.get(), resource), 0u);
    EXPECT_EQ(FindResourceA(reinterpret_cast<HMODULE>(0x1001), MAKEINTRESOURCEA(101), "REGISTRY"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

}  // namespace
}  // namespace quenvar
