#include "engine/core/Metadata.h"

#include "engine/DaoConstants.h"
#include "engine/core/EngineState.h"
#include "rtl/Utf8.h"

namespace zalvert::engine {

bool IsVariableLength(int type) {
    return type == dbText || type == dbMemo || type == dbLongBinary;
}

bool LongerThanTextSize(std::string_view text, int size) {
    const auto most = static_cast<size_t>(size);
    return size > 0 && text.size() > most && Utf8Length(text) > most;
}

const TColumnInfo* TTableInfo::Column(std::string_view name) const {
    for (const TColumnInfo& c : Columns)
        if (SameName(c.Name, name)) return &c;
    return nullptr;
}

const TIndexInfo* TTableInfo::Index(std::string_view name) const {
    for (const TIndexInfo& i : Indexes)
        if (SameName(i.Name, name)) return &i;
    return nullptr;
}

const TIndexInfo* TTableInfo::PrimaryIndex() const {
    for (const TIndexInfo& i : Indexes)
        if (i.Primary) return &i;
    return nullptr;
}

std::string TTableInfo::KeyColumn() const {
    const TIndexInfo* primary = PrimaryIndex();
    return primary && primary->Columns.size() == 1 ? primary->Columns.front().Name : std::string();
}

}  // namespace zalvert::engine
