#include "registrar/RunRegistryScript.h"

#include "platform/UniqueHandle.h"

#include <cstring>

namespace quenvar {
namespace {

constexpr char kScriptResourceType[] = "REGISTRY";

// Read on the line after the failing call. A failure that left no code must not read as S_OK.
HRESULT LastErrorResult() noexcept
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

HRESULT RunText(RegistryScriptParser& parser, const char* data, DWORD size, ScriptMode mode) noexcept
{
    // Resource data carries no NUL of its own as a rule; the text then gets a terminated copy.
    if (std::memchr(data, '\0', size) != nullptr) return ProcessScript(parser, data, mode);
    UniqueTaskMemory copy(CoTaskMemAlloc(static_cast<SIZE_T>(size) + 1));
    if (!copy) return E_OUTOFMEMORY;
    auto* text = static_cast<char*>(copy.get());
    std::memcpy(text, data, size);
    text[size] = '\0';
    return ProcessScript(parser, text, mode);
}

}  // namespace

HRESULT RunScriptResource(const ReplacementMap& replacements, LPCOLESTR moduleFileName, WORD resourceId, LPCSTR type,
                          ScriptMode mode) noexcept
{
    RegistryScriptParser parser(replacements);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, moduleFileName, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return LastErrorResult();
    UniqueTaskMemory fileName(CoTaskMemAlloc(static_cast<SIZE_T>(bytes)));
    if (!fileName) return E_OUTOFMEMORY;
    auto* name = static_cast<LPSTR>(fileName.get());
    name[0] = '\0';
    if (WideCharToMultiByte(CP_ACP, 0, moduleFileName, -1, name, bytes, nullptr, nullptr) == 0) {
        return LastErrorResult();
    }

    UniqueModule module(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) return LastErrorResult();
    const HRSRC resource = FindResourceA(module.get(), MAKEINTRESOURCEA(resourceId), type);
    if (resource == nullptr) return LastErrorResult();
    const HGLOBAL loaded = LoadResource(module.get(), resource);
    if (loaded == nullptr) return LastErrorResult();
    const auto* data = static_cast<const char*>(LockResource(loaded));
    if (data == nullptr) return LastErrorResult();
    SetLastError(ERROR_SUCCESS);
    const DWORD size = SizeofResource(module.get(), resource);
    if (size == 0 && GetLastError() != ERROR_SUCCESS) return LastErrorResult();
    return RunText(parser, data, size, mode);
}

HRESULT RunRegistryScript(const ModuleState& module, UINT resourceId, BOOL registering,
                          const ScriptVariable* extraVariables) noexcept
{
    ReplacementMap replacements;
    char fileName[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module.moduleInstance, fileName, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return LastErrorResult();
    OLECHAR wideName[MAX_PATH];
    wideName[0] = u'\0';
    if (MultiByteToWideChar(CP_ACP, 0, fileName, -1, wideName, MAX_PATH) == 0) return LastErrorResult();

    // A variable whose Add failed fails its lookup later, when the script uses it.
    (void)replacements.Add(OLESTR("Module"), wideName);
    for (const ScriptVariable* variable = extraVariables; variable != nullptr && variable->name != nullptr;
         ++variable) {
        (void)replacements.Add(variable->name, variable->value);
    }
    const ScriptMode mode = registering ? ScriptMode::Registration : ScriptMode::Removal;
    return RunScriptResource(replacements, wideName, LOWORD(resourceId), kScriptResourceType, mode);
}

}  // namespace quenvar
