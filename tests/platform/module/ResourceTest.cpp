#include "platform/UniqueHandle.h"
#include "platform/testing/FaultInjection.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <string_view>

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

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

// The strings of a VS_VERSIONINFO block: each node is wLength, wValueLength, wType, a key and
// its value, each padded to 4 bytes, then its children.
class VersionStrings {
public:
    explicit VersionStrings(std::string_view data) : data_(data) { Walk(0, data.size(), /*depth=*/0); }
    std::map<std::string, std::string> strings;
    std::string_view fixedInfo;

private:
    WORD WordAt(std::size_t offset) const
    {
        WORD value = 0;
        std::memcpy(&value, data_.data() + offset, sizeof value);
        return value;
    }
    std::u16string TextAt(std::size_t offset, std::size_t& end) const
    {
        std::u16string text;
        for (end = offset; WordAt(end) != 0; end += 2) text.push_back(WordAt(end));
        end += 2;
        return text;
    }
    static std::size_t Align(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

    void Walk(std::size_t offset, std::size_t end, int depth)
    {
        while (offset + 6 <= end) {
            const WORD length = WordAt(offset);
            const WORD valueLength = WordAt(offset + 2);
            const WORD type = WordAt(offset + 4);
            ASSERT_GT(length, 6);
            std::size_t keyEnd = 0;
            const std::string key = Narrow(TextAt(offset + 6, keyEnd));
            const std::size_t value = Align(keyEnd);
            const std::size_t valueBytes = type == 1 ? 2u * valueLength : valueLength;
            if (depth == 0) fixedInfo = data_.substr(value, valueBytes);
            std::size_t valueEnd = 0;
            if (depth == 3 && type == 1) strings[key] = Narrow(TextAt(value, valueEnd));
            if (depth < 3) Walk(Align(value + valueBytes), offset + length, depth + 1);
            offset = Align(offset + length);
        }
    }

    std::string_view data_;
};

TEST(Resource, ModuleCarriesRegistryScriptVersionAndStrings)
{
    UniqueModule module = LoadAsData(QUENVAR_PRODUCT_MODULE);
    ASSERT_TRUE(module) << GetLastError();

    const std::vector<unsigned char> script = ReadWholeFile(QUENVAR_REGISTRY_SCRIPT);
    EXPECT_EQ(script.size(), 488u);
    const std::string_view registry = ResourceBytes(module.get(), MAKEINTRESOURCEA(101), "REGISTRY");
    EXPECT_EQ(registry, std::string_view(reinterpret_cast<const char*>(script.data()), script.size()));

    const VersionStrings version(ResourceBytes(module.get(), MAKEINTRESOURCEA(1), RT_VERSION));
    ASSERT_EQ(version.fixedInfo.size(), 52u);
    DWORD fixed[13];
    std::memcpy(fixed, version.fixedInfo.data(), sizeof fixed);
    EXPECT_EQ(fixed[0], 0xFEEF04BDu);
    EXPECT_EQ(fixed[2], 0x00010000u);  // file version 1.0
    EXPECT_EQ(fixed[3], 0x00000001u);  // .0.1
    EXPECT_EQ(fixed[4], 0x00010000u);  // product version 1.0
    EXPECT_EQ(fixed[5], 0x00000001u);  // .0.1
    const std::map<std::string, std::string> expected = {
        {"FileDescription", "Quenvar Module"}, {"FileVersion", "1.00.034"},
        {"InternalName", "QUENVAR"},          {"OriginalFilename", "QUENVAR.DLL"},
        {"ProductName", "Quenvar Module"},    {"ProductVersion", "1, 0, 0, 1"}};
    EXPECT_EQ(version.strings, expected);

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
    std::memcpy(text.data(), block.data() + offset + 2, 2 * length);
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
    const Case found[] = {{"Greeting", "Text"}, {"greeting", "TEXT"}, {"GREETING", "text"},
                          {MAKEINTRESOURCEA(7), "Text"}, {"#7", "tExT"}};
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
    WriteWholeFile(folder.File("text.so"), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'E', 'L', 'F', ' ', 'f', 'i', 'l', 'e', '!', '!'});
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

TEST(Resource, InjectedFaultsFailWithTheirError)
{
    UniqueModule module = LoadAsData(QUENVAR_PRODUCT_MODULE);
    ASSERT_TRUE(module);
    HRSRC resource = FindResourceA(module.get(), MAKEINTRESOURCEA(101), "REGISTRY");
    ASSERT_NE(resource, nullptr);
    {
        ScopedFault fault("FindResourceA", 1, ERROR_RESOURCE_NAME_NOT_FOUND);
        EXPECT_EQ(FindResourceA(module.get(), MAKEINTRESOURCEA(101), "REGISTRY"), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    }
    {
        ScopedFault fault("LoadResource", 1, ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(LoadResource(module.get(), resource), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    }
    {
        ScopedFault fault("SizeofResource", 1, ERROR_INVALID_HANDLE);
        EXPECT_EQ(SizeofResource(module.get(), resource), 0u);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
}

}  // namespace
}  // namespace quenvar
