// The platform's descriptions of a library's types and members (TYPEATTR, FUNCDESC, VARDESC),
// built from the read library into storage the caller hands out. Offsets in a table of functions
// (cbSizeVft, oVft) are given for this process: slot × sizeof(void*), whatever pointer size the
// library was described for, so slot = oVft / sizeof(void*) holds everywhere.
#pragma once

#include "linux/typelib/DescriptionStorage.h"
#include "linux/typelib/LibraryModel.h"

namespace quenvar::platform {

constexpr WORD kDispatchTableSlots = 7;  // IUnknown's three and IDispatch's four

// The type as stored: its own kind, flags and member counts. E_OUTOFMEMORY.
[[nodiscard]] HRESULT BuildTypeAttr(const LibraryModel& library, const TypeInfoModel& type,
                                    DescriptionBuilder<TYPEATTR>& builder) noexcept;
[[nodiscard]] HRESULT BuildFuncDesc(const LibraryModel& library, const FunctionModel& function,
                                    DescriptionBuilder<FUNCDESC>& builder) noexcept;
[[nodiscard]] HRESULT BuildVarDesc(const LibraryModel& library, const VariableModel& variable,
                                   DescriptionBuilder<VARDESC>& builder) noexcept;

// A function of a table of functions as a dispatch interface shows it: FUNC_DISPATCH, and when it
// returns HRESULT, returning what its last [retval] parameter points to (that parameter no longer
// counted), or nothing.
void ConvertToDispatchForm(FUNCDESC& function);

}  // namespace quenvar::platform
