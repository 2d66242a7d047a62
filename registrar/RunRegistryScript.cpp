#include "registrar/RunRegistryScript.h"

#include "module/LastErrorResult.h"
#include "module/ModuleFileName.h"
#include "platform/UniqueHandle.h"

#include <cstring>

namespace quenvar {
namespace {

constexpr char kScriptResourceType[] = "REGISTRY";

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
    UniqueModule module(LoadLibraryExW(moduleFileName, nullptr, LOAD_LIBRARY_AS_DATAFILE));
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
    OLECHAR fileName[MAX_PATH];
    const HRESULT found = ModuleFileName(module.moduleInstance, fileName);
    if (FAILED(found)) return found;

    // A variable whose Add failed fails its lookup later, when the script uses it.
    (void)replacements.Add(OLESTR("Module"), fileName);
    for (const ScriptVariable* variable = extraVariables; variable != nullptr && variable->name != nullptr;
         ++variable) {
        (void)replacements.Add(variable->name, variable->value);
    }
    const ScriptMode mode = registering ? ScriptMode::Registration : ScriptMode::Removal;
    return RunScriptResource(replacements, fileName, LOWORD(resourceId), kScriptResourceType, mode);
}

}  // namespace quenvar
