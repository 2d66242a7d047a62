// The member part of the MSFT parser: the member block of a type description with its function
// and variable records, the type descriptors they use, and encoded values.
#include "linux/typelib/MsftParser.h"

namespace quenvar::platform {
namespace {

constexpr std::int64_t kFunctionFixedSize = 24;
constexpr std::int64_t kVariableFixedSize = 20;
constexpr std::int64_t kParameterSize = 12;
constexpr std::int64_t kTypeDescRecordSize = 8;
constexpr DWORD kHasDefaultValues = 0x1000;
constexpr std::int32_t kNullString = -1;
// Chains of pointers and arrays deeper than this only come from a corrupt or hostile file.
constexpr int kMaxTypeDepth = 16;

enum OptionalField { kHelpContext = 0, kHelpString = 1 };

bool IsValidInvokeKind(DWORD kind)
{
    return kind == INVOKE_FUNC || kind == INVOKE_PROPERTYGET || kind == INVOKE_PROPERTYPUT ||
           kind == INVOKE_PROPERTYPUTREF;
}

// Bytes of a scalar value stored out of line; 0 for a type that cannot be stored that way.
int ScalarSize(VARTYPE vt)
{
    switch (vt) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
    case VT_HRESULT: return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8: return 8;
    default: return 0;
    }
}

bool IsIntegerType(VARTYPE vt)
{
    return ScalarSize(vt) != 0 && vt != VT_R4 && vt != VT_R8 && vt != VT_DATE && vt != VT_CY;
}

}  // namespace

bool MsftParser::ReadMembers(std::int32_t blockOffset, WORD functionCount, WORD variableCount, TypeInfoModel& type)
{
    const std::int64_t count = functionCount + variableCount;
    std::int32_t infoLength = 0;
    ByteWindow block, records;
    if (!file_.ReadI32(blockOffset, infoLength) || infoLength < 0 ||
        !file_.Window(blockOffset, 4 + static_cast<std::int64_t>(infoLength) + 12 * count, block) ||
        !block.Window(4, infoLength, records)) {
        return false;
    }
    const std::int64_t memids = 4 + static_cast<std::int64_t>(infoLength);
    const std::int64_t names = memids + 4 * count;
    const std::int64_t offsets = names + 4 * count;
    type.functions.resize(functionCount);
    type.variables.resize(variableCount);
    for (std::int64_t i = 0; i < count; ++i) {
        MEMBERID memid = 0;
        std::int32_t nameOffset = 0, recordOffset = 0;
        WORD recordSize = 0;
        ByteWindow record;
        if (!block.ReadI32(memids + 4 * i, memid) || !block.ReadI32(names + 4 * i, nameOffset) ||
            !block.ReadI32(offsets + 4 * i, recordOffset) || !records.ReadU16(recordOffset, recordSize) ||
            !records.Window(recordOffset, recordSize, record) || !Spend(recordSize)) {
            return false;
        }
        if (i < functionCount) {
            FunctionModel& function = type.functions[static_cast<std::size_t>(i)];
            function.memid = memid;
            if (!ReadName(nameOffset, function.name) || !ReadFunction(record, function)) return false;
        } else {
            VariableModel& variable = type.variables[static_cast<std::size_t>(i - functionCount)];
            variable.memid = memid;
            if (!ReadName(nameOffset, variable.name) || !ReadVariable(record, variable)) return false;
        }
    }
    return true;
}

bool MsftParser::ReadFunction(const ByteWindow& record, FunctionModel& function)
{
    std::int32_t returnType = 0;
    DWORD flags = 0, kinds = 0;
    WORD tableOffset = 0, parameterCount = 0;
    if (!record.ReadI32(4, returnType) || !record.ReadU32(8, flags) || !record.ReadU16(12, tableOffset) ||
        !record.ReadU32(16, kinds) || !record.ReadU16(20, parameterCount) ||
        !record.ReadI16(22, function.optionalCount) || !ReadType(returnType, function.returnType)) {
        return false;
    }
    const DWORD funcKind = kinds & 0x7;
    const DWORD invokeKind = (kinds >> 3) & 0xF;
    const DWORD callConv = (kinds >> 8) & 0xF;
    if (funcKind > FUNC_DISPATCH || !IsValidInvokeKind(invokeKind) || callConv >= CC_MAX) return false;
    function.funcKind = static_cast<FUNCKIND>(funcKind);
    function.invokeKind = static_cast<INVOKEKIND>(invokeKind);
    function.callConv = static_cast<CALLCONV>(callConv);
    function.flags = LOWORD(flags);
    function.slot = static_cast<WORD>(tableOffset / pointerSize_);

    // Parameter records end the record; default values, when present, come just before them;
    // the optional fields fill what is left after the fixed part.
    const std::int64_t size = static_cast<std::int64_t>(record.size());
    const std::int64_t parameters = size - kParameterSize * parameterCount;
    const bool hasDefaults = (kinds & kHasDefaultValues) != 0;
    const std::int64_t defaults = parameters - (hasDefaults ? 4 * parameterCount : 0);
    if (defaults < kFunctionFixedSize) return false;
    const std::int64_t optionalFields = (defaults - kFunctionFixedSize) / 4;
    auto optionalAt = [](OptionalField field) { return kFunctionFixedSize + 4 * static_cast<std::int64_t>(field); };
    std::int32_t helpString = -1;
    if ((optionalFields > kHelpContext && !record.ReadU32(optionalAt(kHelpContext), function.helpContext)) ||
        (optionalFields > kHelpString && !record.ReadI32(optionalAt(kHelpString), helpString)) ||
        !ReadString(helpString, function.docString)) {
        return false;
    }

    function.parameters.resize(parameterCount);
    for (WORD i = 0; i < parameterCount; ++i) {
        ParameterModel& parameter = function.parameters[i];
        const std::int64_t at = parameters + kParameterSize * i;
        std::int32_t type = 0, nameOffset = 0;
        DWORD parameterFlags = 0;
        if (!record.ReadI32(at, type) || !record.ReadI32(at + 4, nameOffset) ||
            !record.ReadU32(at + 8, parameterFlags) || !ReadType(type, parameter.type) ||
            !ReadName(nameOffset, parameter.name)) {
            return false;
        }
        parameter.flags = LOWORD(parameterFlags);
        std::int32_t defaultValue = -1;
        if (hasDefaults && !record.ReadI32(defaults + std::int64_t{4} * i, defaultValue)) return false;
        if (defaultValue != -1 && (parameter.flags & PARAMFLAG_FHASDEFAULT) != 0) {
            ValueModel value;
            if (!ReadValue(defaultValue, value)) return false;
            parameter.defaultValue = std::move(value);
        }
    }
    return true;
}

bool MsftParser::ReadVariable(const ByteWindow& record, VariableModel& variable)
{
    std::int32_t type = 0, valueOrOffset = 0, helpString = -1;
    DWORD flags = 0;
    WORD varKind = 0;
    if (record.size() < kVariableFixedSize || !record.ReadI32(4, type) || !record.ReadU32(8, flags) ||
        !record.ReadU16(12, varKind) || !record.ReadI32(16, valueOrOffset) || varKind > VAR_DISPATCH ||
        !ReadType(type, variable.type)) {
        return false;
    }
    variable.varKind = static_cast<VARKIND>(varKind);
    variable.flags = LOWORD(flags);
    // Longer records carry the help attributes in the order the functions' optional fields do.
    const std::int64_t size = static_cast<std::int64_t>(record.size());
    if ((size >= 24 && !record.ReadU32(20, variable.helpContext)) || (size >= 28 && !record.ReadI32(24, helpString)) ||
        !ReadString(helpString, variable.docString)) {
        return false;
    }
    if (variable.varKind == VAR_CONST) {
        ValueModel value;
        if (!ReadValue(valueOrOffset, value)) return false;
        variable.value = std::move(value);
    } else if (variable.varKind == VAR_PERINSTANCE) {
        variable.instanceOffset = static_cast<ULONG>(valueOrOffset);
    }
    return true;
}

bool MsftParser::ReadType(std::int32_t encoded, std::size_t& node, int depth)
{
    if (depth > kMaxTypeDepth) return false;
    if (const auto known = typeNodes_.find(encoded); known != typeNodes_.end()) {
        node = known->second;
        return true;
    }
    TypeNode type;
    if (encoded < 0) {
        // A base type inline: its variant type in the low bits. Anything that needs a target
        // cannot be inline.
        type.vt = static_cast<VARTYPE>(encoded & VT_TYPEMASK);
        if (type.vt == VT_PTR || type.vt == VT_SAFEARRAY || type.vt == VT_CARRAY || type.vt == VT_USERDEFINED) {
            return false;
        }
    } else {
        const ByteWindow& records = segments_[kTypeDescTab];
        WORD vt = 0;
        std::int32_t target = 0;
        const std::int64_t at = encoded;
        if (!records.Contains(at, kTypeDescRecordSize) || !records.ReadU16(at, vt) ||
            !records.ReadI32(at + 4, target)) {
            return false;
        }
        type.vt = static_cast<VARTYPE>(vt & VT_TYPEMASK);
        switch (type.vt) {
        case VT_PTR:
        case VT_SAFEARRAY:
            if (!ReadType(target, type.element, depth + 1)) return false;
            break;
        case VT_USERDEFINED:
            if (!IsKnownHreftype(target)) return false;
            type.hreftype = static_cast<HREFTYPE>(target);
            break;
        case VT_CARRAY:
            if (!ReadArrayType(target, type, depth)) return false;
            break;
        default: return false;
        }
    }
    node = library_.types.size();
    library_.types.push_back(std::move(type));
    typeNodes_.emplace(encoded, node);
    return true;
}

bool MsftParser::ReadArrayType(std::int64_t offset, TypeNode& node, int depth)
{
    const ByteWindow& arrays = segments_[kArrayDescTab];
    std::int32_t element = 0;
    WORD dimensions = 0;
    if (!arrays.ReadI32(offset, element) || !arrays.ReadU16(offset + 4, dimensions) || dimensions == 0 ||
        !arrays.Contains(offset + 8, 8 * static_cast<std::int64_t>(dimensions)) ||
        !Spend(8 * static_cast<std::int64_t>(dimensions)) || !ReadType(element, node.element, depth + 1)) {
        return false;
    }
    node.bounds.resize(dimensions);
    for (WORD i = 0; i < dimensions; ++i) {
        const std::int64_t at = offset + 8 + 8 * static_cast<std::int64_t>(i);
        if (!arrays.ReadU32(at, node.bounds[i].cElements) || !arrays.ReadI32(at + 4, node.bounds[i].lLbound)) {
            return false;
        }
    }
    return true;
}

bool MsftParser::ReadValue(std::int64_t encoded, ValueModel& value) const
{
    if (encoded < 0) {
        // Inline: a small variant type in bits 26-30, an unsigned value in bits 0-25.
        const auto bits = static_cast<DWORD>(encoded);
        value.vt = static_cast<VARTYPE>((bits >> 26) & 0x1F);
        value.bits = bits & 0x03FFFFFF;
        return IsIntegerType(value.vt);
    }
    const ByteWindow& data = segments_[kCustData];
    if (!data.ReadU16(encoded, value.vt)) return false;
    if (value.vt == VT_BSTR) {
        if (const auto known = values_.find(encoded); known != values_.end()) {
            value.text = known->second;
            return true;
        }
        std::int32_t length = 0;
        std::string_view text;
        if (!data.ReadI32(encoded + 2, length)) return false;
        if (length != kNullString && (!data.ReadText(encoded + 6, length, text) || !DecodeText(text, value.text))) {
            return false;
        }
        values_.emplace(encoded, value.text);
        return true;
    }
    const int size = ScalarSize(value.vt);
    std::string_view bytes;
    if (size == 0 || !data.ReadText(encoded + 2, size, bytes)) return false;
    std::memcpy(&value.bits, bytes.data(), bytes.size());
    return true;
}

}  // namespace quenvar::platform
