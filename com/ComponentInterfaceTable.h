// The interfaces a Palvex object answers: IPalvex and IDispatch, both at the object's start
// because IPalvex derives from IDispatch. Nothing else, ISupportErrorInfo included.
#pragma once

#include "com/InterfaceTable.h"
#include "component/IPalvex.h"

namespace quenvar {

inline constexpr InterfaceEntry kComponentInterfaces[] = {
    MarkerRow(IID_IPalvex, 0),
    MarkerRow(IID_IDispatch, 0),
    kEndOfTable,
};

}  // namespace quenvar
