// The parser behind ReadMsftLibrary: one pass over a library's header, segments, imports, type
// descriptions and member blocks. Each step answers false when the file is inconsistent; the
// caller turns that into TYPE_E_INVDATAREAD.
#pragma once

#include "linux/typelib/ByteWindow.h"
#include "linux/typelib/LibraryModel.h"

#include <array>
#include <map>

namespace quenvar::platform {

class MsftParser {
public:
    MsftParser(std::span<const BYTE> file, LibraryModel& library) : file_(file), library_(library) {}

    [[nodiscard]] HRESULT Parse();

private:
    enum SegmentId : std::size_t {
        kTypeInfoTab = 0,
        kImpInfo,
        kImpFiles,
        kRefTab,
        kGuidHashTab,
        kGuidTab,
        kNameHashTab,
        kNameTab,
        kStringTab,
        kTypeDescTab,
        kArrayDescTab,
        kCustData,
        kCDGuids,
        kSegmentCount = 15
    };

    [[nodiscard]] bool ReadLibraryAttributes();
    [[nodiscard]] bool ReadSegments(std::int64_t directory);
    [[nodiscard]] bool ReadTypeInfoOffsets(std::int64_t array, std::int32_t count);
    [[nodiscard]] bool ReadImports();
    [[nodiscard]] bool ReadTypeInfo(std::size_t index);
    [[nodiscard]] bool ReadImplementedTypes(const ByteWindow& record, TypeInfoModel& type);

    [[nodiscard]] bool ReadName(std::int32_t offset, OptionalText& out) const;
    [[nodiscard]] bool ReadString(std::int32_t offset, OptionalText& out) const;
    [[nodiscard]] bool ReadGuidRecord(std::int32_t offset, GUID& out) const;
    [[nodiscard]] bool DecodeText(std::string_view bytes, OptionalText& out) const;
    [[nodiscard]] bool IsKnownHreftype(std::int32_t hreftype) const;

    // Member blocks, types and values (MsftMembers.cpp).
    [[nodiscard]] bool ReadMembers(std::int32_t blockOffset, WORD functionCount, WORD variableCount,
                                   TypeInfoModel& type);
    [[nodiscard]] bool ReadFunction(const ByteWindow& record, FunctionModel& function);
    [[nodiscard]] bool ReadVariable(const ByteWindow& record, VariableModel& variable);
    [[nodiscard]] bool ReadType(std::int32_t encoded, std::size_t& node, int depth = 0);
    [[nodiscard]] bool ReadArrayType(std::int32_t offset, TypeNode& node, int depth);
    [[nodiscard]] bool ReadValue(std::int32_t encoded, ValueModel& value) const;

    ByteWindow file_;
    LibraryModel& library_;
    std::array<ByteWindow, kSegmentCount> segments_;
    std::vector<std::int32_t> typeInfoOffsets_;
    std::map<std::int32_t, std::size_t> typeNodes_;  // by encoding, so shared descriptors stay shared
    UINT codePage_ = 1252;
    UINT pointerSize_ = 4;
};

}  // namespace quenvar::platform
