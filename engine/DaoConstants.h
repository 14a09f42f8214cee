#pragma once
// The engine's numeric constants, with the values callers and stored files know.

namespace zalvert::engine {

// Recordset types.
constexpr int dbOpenTable = 1;
constexpr int dbOpenDynaset = 2;
constexpr int dbOpenSnapshot = 4;
constexpr int dbOpenForwardOnly = 8;
constexpr int dbOpenDynamic = 16;

// Recordset options and lock types.
constexpr int dbDenyWrite = 1;
constexpr int dbDenyRead = 2;
constexpr int dbReadOnly = 4;
constexpr int dbAppendOnly = 8;
constexpr int dbInconsistent = 16;
constexpr int dbConsistent = 32;
constexpr int dbSQLPassThrough = 64;
constexpr int dbFailOnError = 128;
constexpr int dbSeeChanges = 512;
constexpr int dbPessimistic = 2;
constexpr int dbOptimistic = 3;

// Edit modes.
constexpr int dbEditNone = 0;
constexpr int dbEditInProgress = 1;
constexpr int dbEditAdd = 2;

// Field types.
constexpr int dbBoolean = 1;
constexpr int dbByte = 2;
constexpr int dbInteger = 3;
constexpr int dbLong = 4;
constexpr int dbCurrency = 5;
constexpr int dbSingle = 6;
constexpr int dbDouble = 7;
constexpr int dbDate = 8;
constexpr int dbBinary = 9;
constexpr int dbText = 10;
constexpr int dbLongBinary = 11;
constexpr int dbMemo = 12;
constexpr int dbGUID = 15;
constexpr int dbBigInt = 16;
constexpr int dbVarBinary = 17;
constexpr int dbChar = 18;
constexpr int dbNumeric = 19;
constexpr int dbDecimal = 20;
constexpr int dbFloat = 21;
constexpr int dbTime = 22;
constexpr int dbTimeStamp = 23;

// Field, index field and table attributes.
constexpr int dbDescending = 1;
constexpr int dbFixedField = 1;
constexpr int dbVariableField = 2;
constexpr int dbAutoIncrField = 16;
constexpr int dbUpdatableField = 32;
constexpr int dbSystemField = 8192;
constexpr long dbSystemObject = static_cast<long>(0x80000002u);

// Workspace types and idle actions.
constexpr int dbUseODBC = 1;
constexpr int dbUseJet = 2;
constexpr int dbFreeLocks = 1;
constexpr int dbRefreshCache = 8;

// Query definition types.
constexpr int dbQSelect = 0;
constexpr int dbQAction = 240;
constexpr int dbQCrosstab = 16;
constexpr int dbQDelete = 32;
constexpr int dbQUpdate = 48;
constexpr int dbQAppend = 64;
constexpr int dbQMakeTable = 80;
constexpr int dbQDDL = 96;
constexpr int dbQSQLPassThrough = 112;
constexpr int dbQSetOperation = 128;

// Parameter directions.
constexpr int dbParamInput = 1;
constexpr int dbParamOutput = 2;
constexpr int dbParamInputOutput = 3;
constexpr int dbParamReturnValue = 4;

}  // namespace zalvert::engine
