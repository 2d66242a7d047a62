// The library-level part of the MSFT parser: header, segment directory, names, strings, GUIDs,
// imports and the base record of each type description.
#include "linux/typelib/MsftParser.h"

#include "linux/kernel/CodePage.h"
#include "linux/typelib/MsftReader.h"
#include "linux/typelib/TaskMemory.h"
#include "linux/edge/Boundary.h"

#include <new>

namespace quenvar::platform {
namespace {

constexpr DWORD kMagic = 0x5446534D;  // "MSFT"
constexpr DWORD kFormatVersion = 0x00010002;
constexpr std::int64_t kHeaderSize = 0x54;
constexpr std::int64_t kSegmentEntrySize = 16;
constexpr std::int64_t kTypeInfoRecordSize = 0x64;
constexpr std::int64_t kRefRecordSize = 16;
constexpr std::int64_t kGuidRecordSize = 24;
constexpr DWORD kHelpStringDllPresent = 0x100;
constexpr DWORD kImportByGuid = 0x10000;
constexpr std::int32_t kNone = -1;
constexpr WORD kJapanese = 0x11;

UINT CodePageOfLocale(LCID lcid) { return (lcid & 0x3FF) == kJapanese ? 932 : 1252; }

}  // namespace

bool IsMsftLibrary(std::span<const BYTE> bytes)
{
    DWORD magic = 0;
    return ByteWindow(bytes).ReadU32(0, magic) && magic == kMagic;
}

HRESULT ReadMsftLibrary(std::span<const BYTE> bytes, LibraryModel& library) noexcept
{
    return Boundary(ReturnsHResult{}, [&]() -> HRESULT {
        library = LibraryModel{};
        return MsftParser(bytes, library).Parse();
    });
}

HRESULT MsftParser::Parse()
{
    DWORD magic = 0;
    DWORD version = 0;
    DWORD varFlags = 0;
    LCID hashLcid = 0;
    if (!file_.ReadU32(0, magic) || magic != kMagic) return TYPE_E_UNSUPFORMAT;
    if (file_.size() > kMaxLibraryBytes) return TYPE_E_INVDATAREAD;
    if (!file_.ReadU32(4, version) || !file_.ReadU32(0x14, varFlags) || !file_.ReadU32(0x0C, hashLcid)) {
        return TYPE_E_INVDATAREAD;
    }
    if (version != kFormatVersion) return TYPE_E_UNSUPFORMAT;
    budget_ = static_cast<std::int64_t>(file_.size());
    // The locale the names were hashed for is also the one whose code page they are written in.
    codePage_ = CodePageOfLocale(hashLcid);
    const DWORD sysKind = varFlags & 0xF;
    if (sysKind != SYS_WIN32 && sysKind != SYS_WIN64) return TYPE_E_UNSUPFORMAT;
    library_.sysKind = static_cast<SYSKIND>(sysKind);
    pointerSize_ = sysKind == SYS_WIN64 ? 8 : 4;

    // The help-string DLL's name, when the library has one, sits between the header and the
    // offset array; the interfaces do not report it, so it only moves what follows.
    std::int32_t typeInfoCount = 0;
    const std::int64_t typeInfoArray = kHeaderSize + ((varFlags & kHelpStringDllPresent) != 0 ? 4 : 0);
    if (!file_.ReadI32(0x20, typeInfoCount) || typeInfoCount < 0) return TYPE_E_INVDATAREAD;
    if (!ReadSegments(typeInfoArray + 4 * static_cast<std::int64_t>(typeInfoCount)) ||
        !ReadTypeInfoOffsets(typeInfoArray, typeInfoCount) || !ReadImports() || !ReadLibraryAttributes()) {
        return TYPE_E_INVDATAREAD;
    }
    library_.typeInfos.resize(typeInfoOffsets_.size());
    for (std::size_t i = 0; i < typeInfoOffsets_.size(); ++i) {
        if (!ReadTypeInfo(i)) return TYPE_E_INVDATAREAD;
    }
    return S_OK;
}

bool MsftParser::ReadSegments(std::int64_t directory)
{
    for (std::size_t i = 0; i < kSegmentCount; ++i) {
        std::int32_t offset = 0;
        std::int32_t length = 0;
        const std::int64_t entry = directory + static_cast<std::int64_t>(i) * kSegmentEntrySize;
        if (!file_.ReadI32(entry, offset) || !file_.ReadI32(entry + 4, length)) return false;
        if (offset == kNone) continue;  // an empty segment
        if (!file_.Window(offset, length, segments_[i])) return false;
    }
    return true;
}

bool MsftParser::ReadTypeInfoOffsets(std::int64_t array, std::int32_t count)
{
    // Each type description has a record of its own, which bounds the count.
    if (!file_.Contains(array, 4 * static_cast<std::int64_t>(count)) ||
        count > static_cast<std::int64_t>(segments_[kTypeInfoTab].size()) / kTypeInfoRecordSize) {
        return false;
    }
    typeInfoOffsets_.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t offset = 0;
        if (!file_.ReadI32(array + 4 * static_cast<std::int64_t>(i), offset)) return false;
        // The offset doubles as the type's handle, whose two low bits must be clear.
        if ((offset & 3) != 0 || !segments_[kTypeInfoTab].Contains(offset, kTypeInfoRecordSize) ||
            !knownTypeInfoOffsets_.insert(offset).second) {
            return false;
        }
        typeInfoOffsets_.push_back(offset);
    }
    return true;
}

bool MsftParser::ReadLibraryAttributes()
{
    std::int32_t guidOffset = 0, helpString = 0, nameOffset = 0, helpFile = 0, dispatch = 0;
    DWORD version = 0, flags = 0;
    if (!file_.ReadU32(0x10, library_.lcid) || !file_.ReadI32(0x08, guidOffset) || !file_.ReadU32(0x18, version) ||
        !file_.ReadU32(0x1C, flags) || !file_.ReadI32(0x24, helpString) || !file_.ReadU32(0x2C, library_.helpContext) ||
        !file_.ReadI32(0x38, nameOffset) || !file_.ReadI32(0x3C, helpFile) || !file_.ReadI32(0x4C, dispatch)) {
        return false;
    }
    library_.majorVersion = LOWORD(version);
    library_.minorVersion = HIWORD(version);
    library_.flags = LOWORD(flags);
    if (guidOffset != kNone && !ReadGuidRecord(guidOffset, library_.libid)) return false;
    if (dispatch != kNone) {
        if (!IsKnownHreftype(dispatch)) return false;
        library_.dispatchHreftype = static_cast<HREFTYPE>(dispatch);
    }
    return ReadName(nameOffset, library_.name) && ReadString(helpString, library_.docString) &&
           ReadString(helpFile, library_.helpFile);
}

bool MsftParser::ReadImports()
{
    const ByteWindow& records = segments_[kImpInfo];
    if (records.size() % kImportRecordSize != 0) return false;
    std::map<std::int32_t, std::size_t> librariesByOffset;
    const std::int64_t recordSize = kImportRecordSize;
    for (std::int64_t at = 0; at < static_cast<std::int64_t>(records.size()); at += recordSize) {
        DWORD flags = 0;
        std::int32_t fileOffset = 0, guidOrIndex = 0;
        if (!records.ReadU32(at, flags) || !records.ReadI32(at + 4, fileOffset) ||
            !records.ReadI32(at + 8, guidOrIndex)) {
            return false;
        }
        auto known = librariesByOffset.find(fileOffset);
        if (known == librariesByOffset.end()) {
            ImportedLibraryModel imported;
            const ByteWindow& files = segments_[kImpFiles];
            const std::int64_t file = fileOffset;
            std::int32_t libidOffset = 0;
            WORD nameField = 0;
            std::string_view fileName;
            if (!files.ReadI32(file, libidOffset) || !files.ReadU32(file + 4, imported.lcid) ||
                !files.ReadU16(file + 8, imported.majorVersion) || !files.ReadU16(file + 10, imported.minorVersion) ||
                !files.ReadU16(file + 12, nameField) || !files.ReadText(file + 14, nameField >> 2, fileName) ||
                !ReadGuidRecord(libidOffset, imported.libid)) {
                return false;
            }
            OptionalText name;
            if (!DecodeText(fileName, name)) return false;
            imported.fileName = *name;
            known = librariesByOffset.emplace(fileOffset, library_.importedLibraries.size()).first;
            library_.importedLibraries.push_back(std::move(imported));
        }
        ImportedTypeModel type;
        type.hreftype = static_cast<HREFTYPE>(at + 1);
        type.library = known->second;
        type.byGuid = (flags & kImportByGuid) != 0;
        if (type.byGuid) {
            if (!ReadGuidRecord(guidOrIndex, type.guid)) return false;
        } else {
            if (guidOrIndex < 0) return false;
            type.index = static_cast<UINT>(guidOrIndex);
        }
        library_.importedTypes.push_back(type);
    }
    return true;
}

bool MsftParser::ReadTypeInfo(std::size_t index)
{
    ByteWindow record;
    if (!segments_[kTypeInfoTab].Window(typeInfoOffsets_[index], kTypeInfoRecordSize, record)) return false;
    TypeInfoModel& type = library_.typeInfos[index];
    type.hreftype = static_cast<HREFTYPE>(typeInfoOffsets_[index]);

    DWORD typeKind = 0, elements = 0, flags = 0, version = 0;
    std::int32_t memberBlock = 0, guidOffset = 0, nameOffset = 0, docString = 0;
    WORD tableSize = 0;
    if (!record.ReadU32(0x00, typeKind) || !record.ReadI32(0x04, memberBlock) || !record.ReadU32(0x18, elements) ||
        !record.ReadI32(0x2C, guidOffset) || !record.ReadU32(0x30, flags) || !record.ReadI32(0x34, nameOffset) ||
        !record.ReadU32(0x38, version) || !record.ReadI32(0x3C, docString) || !record.ReadU32(0x44, type.helpContext) ||
        !record.ReadU16(0x4E, tableSize) || !record.ReadU32(0x50, type.instanceSize)) {
        return false;
    }
    if ((typeKind & 0xF) >= TKIND_MAX) return false;
    type.kind = static_cast<TYPEKIND>(typeKind & 0xF);
    type.alignment = static_cast<WORD>((typeKind >> 11) & 0x1F);
    type.flags = LOWORD(flags);
    type.majorVersion = LOWORD(version);
    type.minorVersion = HIWORD(version);
    type.tableSlots = static_cast<WORD>(tableSize / pointerSize_);
    if (guidOffset != kNone && !ReadGuidRecord(guidOffset, type.guid)) return false;
    if (!ReadName(nameOffset, type.name) || !ReadString(docString, type.docString) ||
        !ReadImplementedTypes(record, type)) {
        return false;
    }
    const WORD functionCount = LOWORD(elements);
    const WORD variableCount = HIWORD(elements);
    return functionCount + variableCount == 0 || ReadMembers(memberBlock, functionCount, variableCount, type);
}

bool MsftParser::ReadImplementedTypes(const ByteWindow& record, TypeInfoModel& type)
{
    WORD count = 0;
    std::int32_t data1 = 0;
    if (!record.ReadU16(0x4C, count) || !record.ReadI32(0x54, data1)) return false;
    switch (type.kind) {
    case TKIND_COCLASS: {
        // A chain of reference records; following it for `count` steps bounds even a cycle.
        std::int64_t at = data1;
        for (WORD i = 0; i < count; ++i) {
            ImplementedTypeModel implemented;
            std::int32_t hreftype = 0, next = 0;
            const ByteWindow& references = segments_[kRefTab];
            if (!Spend(kRefRecordSize) || !references.Contains(at, kRefRecordSize) ||
                !references.ReadI32(at, hreftype) || !references.ReadI32(at + 4, implemented.flags) ||
                !references.ReadI32(at + 12, next) || !IsKnownHreftype(hreftype)) {
                return false;
            }
            at = next;
            implemented.hreftype = static_cast<HREFTYPE>(hreftype);
            type.implemented.push_back(implemented);
        }
        return true;
    }
    case TKIND_INTERFACE:
        if (count == 0) return true;
        if (!IsKnownHreftype(data1)) return false;
        type.implemented.push_back({static_cast<HREFTYPE>(data1), 0});
        return true;
    case TKIND_DISPATCH:
        // A dual interface names its base; a pure dispatch interface has IDispatch implied.
        if (data1 != kNone) {
            if (!IsKnownHreftype(data1)) return false;
            type.implemented.push_back({static_cast<HREFTYPE>(data1), 0});
        } else if (library_.dispatchHreftype) {
            type.implemented.push_back({*library_.dispatchHreftype, 0});
        }
        return true;
    case TKIND_ALIAS: {
        std::size_t aliased = 0;
        if (!ReadType(data1, aliased)) return false;
        type.aliasType = aliased;
        return true;
    }
    default: return true;
    }
}

bool MsftParser::ReadName(std::int64_t offset, OptionalText& out) const
{
    out.reset();
    if (offset == kNone) return true;
    if (const auto known = names_.find(offset); known != names_.end()) {
        out = known->second;
        return true;
    }
    BYTE length = 0;
    std::string_view text;
    if (!segments_[kNameTab].ReadU8(offset + 8, length) || !segments_[kNameTab].ReadText(offset + 12, length, text) ||
        !DecodeText(text, out)) {
        return false;
    }
    names_.emplace(offset, out);
    return true;
}

bool MsftParser::ReadString(std::int64_t offset, OptionalText& out) const
{
    out.reset();
    if (offset == kNone) return true;
    if (const auto known = strings_.find(offset); known != strings_.end()) {
        out = known->second;
        return true;
    }
    WORD length = 0;
    std::string_view text;
    if (!segments_[kStringTab].ReadU16(offset, length) || !segments_[kStringTab].ReadText(offset + 2, length, text) ||
        !DecodeText(text, out)) {
        return false;
    }
    strings_.emplace(offset, out);
    return true;
}

bool MsftParser::ReadGuidRecord(std::int64_t offset, GUID& out) const
{
    return segments_[kGuidTab].Contains(offset, kGuidRecordSize) && segments_[kGuidTab].ReadGuid(offset, out);
}

bool MsftParser::DecodeText(std::string_view bytes, OptionalText& out) const
{
    std::u16string wide;
    if (!DecodeToWide(codePage_, bytes, /*strict=*/false, wide)) return false;
    out = std::allocate_shared<const std::u16string>(TaskMemoryAllocator<std::u16string>(), std::move(wide));
    return true;
}

bool MsftParser::Spend(std::int64_t bytes)
{
    budget_ -= bytes;
    return budget_ >= 0;
}

bool MsftParser::IsKnownHreftype(std::int32_t hreftype) const
{
    switch (hreftype & 3) {
    case 0: return knownTypeInfoOffsets_.contains(hreftype);
    case 1: return library_.FindImported(static_cast<HREFTYPE>(hreftype)) != nullptr;
    default: return false;
    }
}

}  // namespace quenvar::platform
