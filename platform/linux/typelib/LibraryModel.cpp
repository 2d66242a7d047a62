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
    const std::size_t index = (hreftype - 1) / kImportRecordSize;
    if ((hreftype - 1) % kImportRecordSize != 0 || index >= importedTypes.size()) return nullptr;
    return &importedTypes[index];
}

}  // namespace quenvar::platform
