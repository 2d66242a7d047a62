// One function per rule of the grammar: a script is root blocks, a root block is a root key and
// a body, a body is items up to "}", an item is a value ("val name = type value") or a key
// ("[ForceRemove|Delete] [NoRemove] name [= type value] [{ body }]").
#include "registrar/KeyTree.h"

#include "platform/UniqueHandle.h"
#include "registrar/ExpandVariables.h"
#include "registrar/RegKey.h"
#include "registrar/RootKeys.h"
#include "registrar/ScriptValues.h"
#include "registrar/detail/KeyQueries.h"

namespace quenvar {
namespace {

constexpr char kBackslash = '\\';

// One activation of a key body: the key that owns it (not owned; for a root block the
// predefined key), and the key of its latest key item (owned, closed when the body ends).
struct KeyBody {
    KeyBody(RegistryScriptParser& parser, HKEY key, ScriptMode mode, bool skip, int depth) noexcept
        : parser(parser), key(key), mode(mode), skip(skip), skipAtEntry(skip), depth(depth)
    {
    }

    RegistryScriptParser& parser;
    HKEY key;
    ScriptMode mode;
    bool skip;  // removal: the items walked belong to a key that is absent; nothing is changed
    bool skipAtEntry;
    int depth;
    bool noRemove = false;
    bool keyNameCut = false;  // the current key's name did not fit in keyName
    RegKey current;
    char token[kTokenSize];
    char valueName[kShortTokenSize];
    char keyName[kShortTokenSize];
};

bool IsKeyword(LPCSTR token, LPCSTR keyword) noexcept { return lstrcmpiA(token, keyword) == 0; }

bool HasBackslash(LPCSTR name) noexcept { return RegistryScriptParser::FindChar(name, kBackslash) != nullptr; }

HRESULT ProcessKeyBody(RegistryScriptParser& parser, HKEY key, ScriptMode mode, bool skip, int depth) noexcept;

// A "{" right after a value item or a Delete item would open a body that belongs to no key.
HRESULT RefuseStrayBody(const KeyBody& body) noexcept
{
    return body.token[0] == '{' ? RegistryScriptParser::ScriptError() : S_OK;
}

HRESULT ProcessValueItem(KeyBody& body) noexcept
{
    HRESULT hr = body.parser.NextToken(body.valueName);
    if (SUCCEEDED(hr)) hr = body.parser.NextToken(body.token);
    if (FAILED(hr)) return hr;
    if (body.token[0] != '=') return RegistryScriptParser::ScriptError();
    if (body.mode == ScriptMode::Registration) {
        hr = AddValue(body.parser, body.key, body.valueName, body.token);
    } else {
        if (!body.skip) (void)RegDeleteValueA(body.key, body.valueName);
        hr = SkipAssignment(body.parser, body.token);
    }
    return FAILED(hr) ? hr : RefuseStrayBody(body);
}

HRESULT RegisterKeyItem(KeyBody& body) noexcept
{
    if (HasBackslash(body.token)) return RegistryScriptParser::ScriptError();
    // An existing key is used as found, with whatever access it allows.
    if (body.current.Open(body.key, body.token, KEY_ALL_ACCESS) != ERROR_SUCCESS &&
        body.current.Open(body.key, body.token, KEY_READ) != ERROR_SUCCESS &&
        body.current.Create(body.key, body.token) != ERROR_SUCCESS) {
        return RegistryScriptParser::ScriptError();
    }
    HRESULT hr = body.parser.NextToken(body.token);
    if (SUCCEEDED(hr) && body.token[0] == '=') hr = AddValue(body.parser, body.current.get(), nullptr, body.token);
    if (FAILED(hr) || body.token[0] != '{') return hr;
    hr = ProcessKeyBody(body.parser, body.current.get(), ScriptMode::Registration, /*skip=*/false, body.depth + 1);
    return FAILED(hr) ? hr : body.parser.NextToken(body.token);
}

// Closes the current key and, unless a NoRemove stood before it in this body, deletes it.
HRESULT DeleteCurrentKey(KeyBody& body) noexcept
{
    if (body.current.Close() != ERROR_SUCCESS) return RegistryScriptParser::ScriptError();
    // A cut name could be another key's: a key whose name did not fit stays, emptied.
    if (!body.noRemove && !body.keyNameCut) (void)RegDeleteKeyA(body.key, body.keyName);
    return S_OK;
}

// Reads the token after the key name, over an assignment, and walks a body that follows with
// nothing changed in it.
HRESULT SkipKeyRest(KeyBody& body) noexcept
{
    HRESULT hr = body.parser.NextToken(body.token);
    if (SUCCEEDED(hr)) hr = SkipAssignment(body.parser, body.token);
    if (FAILED(hr) || body.token[0] != '{') return hr;
    hr = ProcessKeyBody(body.parser, nullptr, ScriptMode::Removal, /*skip=*/true, body.depth + 1);
    return FAILED(hr) ? hr : body.parser.NextToken(body.token);
}

HRESULT RemoveKeyItem(KeyBody& body) noexcept
{
    if (HasBackslash(body.token)) return RegistryScriptParser::ScriptError();
    if (!body.skip && body.current.Open(body.key, body.token, KEY_ALL_ACCESS) != ERROR_SUCCESS) body.skip = true;
    body.keyNameCut = lstrlenA(body.token) >= static_cast<int>(kShortTokenSize);
    lstrcpynA(body.keyName, body.token, static_cast<int>(kShortTokenSize));

    if (!body.skip && !detail::HasSubkeys(body.current.get()) && !detail::HasValues(body.current.get())) {
        const HRESULT hr = DeleteCurrentKey(body);
        return FAILED(hr) ? hr : SkipKeyRest(body);
    }

    HRESULT hr = body.parser.NextToken(body.token);
    if (SUCCEEDED(hr)) hr = SkipAssignment(body.parser, body.token);
    if (FAILED(hr)) return hr;
    if (body.token[0] == '{') {
        const HKEY itemKey = body.skip ? nullptr : body.current.get();
        hr = ProcessKeyBody(body.parser, itemKey, ScriptMode::Removal, body.skip, body.depth + 1);
        if (SUCCEEDED(hr)) hr = body.parser.NextToken(body.token);
        if (FAILED(hr)) return hr;
    }
    if (body.skip) {
        body.skip = body.skipAtEntry;
        return S_OK;
    }
    // The key stays while it has subkeys the script does not name.
    return detail::HasSubkeys(body.current.get()) ? S_OK : DeleteCurrentKey(body);
}

// Registration: deletes the key named after ForceRemove or Delete with everything below it.
// Answers true in `done` when the item is complete (a Delete item).
HRESULT ProcessDeletePrefix(KeyBody& body, bool& done) noexcept
{
    const bool deleteOnly = IsKeyword(body.token, "Delete");
    HRESULT hr = body.parser.NextToken(body.token);
    if (FAILED(hr) || body.mode == ScriptMode::Removal) return hr;
    if (HasBackslash(body.token)) return RegistryScriptParser::ScriptError();
    if (detail::CanDeleteKey(body.token)) {
        LentKey parent(body.key);
        (void)parent->RecurseDeleteKey(body.token);
    }
    done = deleteOnly;
    if (!deleteOnly) return S_OK;
    hr = body.parser.NextToken(body.token);
    if (SUCCEEDED(hr)) hr = SkipAssignment(body.parser, body.token);
    return FAILED(hr) ? hr : RefuseStrayBody(body);
}

HRESULT ProcessItem(KeyBody& body) noexcept
{
    if (IsKeyword(body.token, "Delete") || IsKeyword(body.token, "ForceRemove")) {
        bool done = false;
        const HRESULT hr = ProcessDeletePrefix(body, done);
        if (FAILED(hr) || done) return hr;
    }
    if (IsKeyword(body.token, "NoRemove")) {
        body.noRemove = true;
        const HRESULT hr = body.parser.NextToken(body.token);
        if (FAILED(hr)) return hr;
    }
    if (IsKeyword(body.token, "Val")) return ProcessValueItem(body);
    return body.mode == ScriptMode::Registration ? RegisterKeyItem(body) : RemoveKeyItem(body);
}

HRESULT ProcessKeyBody(RegistryScriptParser& parser, HKEY key, ScriptMode mode, bool skip, int depth) noexcept
{
    if (depth > kMaxBodyDepth) return RegistryScriptParser::ScriptError();
    KeyBody body(parser, key, mode, skip, depth);
    HRESULT hr = parser.NextToken(body.token);
    while (SUCCEEDED(hr) && body.token[0] != '}') hr = ProcessItem(body);
    return hr;
}

HRESULT ProcessRootBlock(RegistryScriptParser& parser, ScriptMode mode) noexcept
{
    char rootName[kShortTokenSize];
    char token[kTokenSize];
    HRESULT hr = parser.NextToken(rootName);
    if (FAILED(hr)) return hr;
    const HKEY root = FindRootKey(rootName);
    if (root == nullptr) return RegistryScriptParser::ScriptError();
    hr = parser.NextToken(token);
    if (FAILED(hr)) return hr;
    if (token[0] != '{') return RegistryScriptParser::ScriptError();
    if (mode == ScriptMode::Removal) return ProcessKeyBody(parser, root, ScriptMode::Removal, /*skip=*/false, 1);

    // A block that fails to register is undone by a removal pass over the same block.
    const LPCSTR body = parser.Cursor();
    hr = ProcessKeyBody(parser, root, ScriptMode::Registration, /*skip=*/false, 1);
    if (FAILED(hr)) {
        parser.SetCursor(body);
        (void)ProcessKeyBody(parser, root, ScriptMode::Removal, /*skip=*/false, 1);
    }
    return hr;
}

}  // namespace

HRESULT ProcessScript(RegistryScriptParser& parser, LPCSTR text, ScriptMode mode) noexcept
{
    LPSTR expanded = nullptr;
    HRESULT hr = ExpandVariables(parser, text, mode, &expanded);
    if (FAILED(hr)) return hr;
    const UniqueTaskMemory owner(expanded);
    parser.SetCursor(expanded);
    while (*parser.Cursor() != '\0') {
        hr = ProcessRootBlock(parser, mode);
        if (FAILED(hr)) return hr;
        parser.SkipSpace();
    }
    return S_OK;
}

}  // namespace quenvar
