// Handle lookups in a read library.
#include "linux/typelib/LibraryModel.h"

namespace quenvar::platform {

const TypeInfoModel* LibraryModel::FindLocal(HREFTYPE hreftype, std::size_t* index) const
{
    for (std::size_t i = 0; i < typeInfos.size(); ++i) {
        if (typeInfos[i].hreftype == hreftype) {
            if (index != nullptr) *index = i;
            return &typeInfos[i];
        }
    }
    return nullptr;
}

const ImportedTypeModel* LibraryModel::FindImported(HREFTYPE hreftype) const
{
    for (const ImportedTypeModel& type : importedTypes) {
        if (type.hreftype == hreftype) return &type;
    }
    return nullptr;
}

}  // namespace quenvar::platform
