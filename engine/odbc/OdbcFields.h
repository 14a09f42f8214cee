#pragma once
// The fields of a server recordset's current record.

#include <memory>

#include "engine/Dao.h"
#include "engine/core/EngineState.h"

namespace zalvert::engine::odbc {

class TOdbcRecordset;

std::unique_ptr<FieldCollection> MakeRecordFields(std::weak_ptr<TOdbcRecordset> owner,
                                                  TEngineRef engine, size_t count);

}  // namespace zalvert::engine::odbc
