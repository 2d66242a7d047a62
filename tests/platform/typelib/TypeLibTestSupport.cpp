#include "TypeLibTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace typelibtest {

std::u16string Wide(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::string Narrow(BSTR text)
{
    if (text == nullptr) return "(null)";
    std::string narrow;
    for (UINT i = 0; i < SysStringLen(text); ++i) narrow.push_back(static_cast<char>(text[i]));
    return narrow;
}

std::string TakeText(BSTR text)
{
    const quenvar::UniqueBstr owner(text);
    return Narrow(text);
}

std::vector<BYTE> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const std::vector<BYTE>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TempDirectory::TempDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "quenvar-typelib-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDirectory::~TempDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

HRESULT Load(const std::filesystem::path& path, Owned<ITypeLib>& library)
{
    return LoadTypeLib(Wide(path.string()).c_str(), library.put());
}

HRESULT TypeInfoOfGuid(ITypeLib* library, REFGUID guid, Owned<ITypeInfo>& info)
{
    return library->GetTypeInfoOfGuid(guid, info.put());
}

HRESULT InterfaceView(ITypeInfo* dispatchView, Owned<ITypeInfo>& info)
{
    HREFTYPE twin = 0;
    const HRESULT hr = dispatchView->GetRefTypeOfImplType(static_cast<UINT>(-1), &twin);
    return FAILED(hr) ? hr : dispatchView->GetRefTypeInfo(twin, info.put());
}

std::vector<std::string> Names(ITypeInfo* info, MEMBERID memid)
{
    BSTR names[8] = {};
    UINT count = 0;
    const HRESULT hr = info->GetNames(memid, names, 8, &count);
    if (FAILED(hr)) return {"failed: " + std::to_string(hr)};
    std::vector<std::string> result;
    for (UINT i = 0; i < count; ++i) result.push_back(TakeText(names[i]));
    return result;
}

std::string DocString(ITypeInfo* info, MEMBERID memid)
{
    BSTR doc = nullptr;
    const HRESULT hr = info->GetDocumentation(memid, nullptr, &doc, nullptr, nullptr);
    return FAILED(hr) ? "failed" : TakeText(doc);
}

std::string Name(ITypeInfo* info)
{
    BSTR name = nullptr;
    const HRESULT hr = info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    return FAILED(hr) ? "failed" : TakeText(name);
}

}  // namespace typelibtest
