#include "engine/core/ErrorTable.h"

#include <algorithm>
#include <iterator>

namespace zalvert::engine {
namespace {

struct TErrorText {
    TDaoErr Number;
    const char* Text;
};

// Sorted by number.
constexpr TErrorText kErrors[] = {
    {TDaoErr::ClassNotRegistered, "Cannot create the object '%s': its class is not registered."},
    {TDaoErr::EngineError, "Engine error: %s"},
    {TDaoErr::InvalidArgument, "Invalid argument."},
    {TDaoErr::TableOpenedExclusively,
     "The table '%s' is already opened exclusively by another user."},
    {TDaoErr::TableExists, "Table '%s' already exists."},
    {TDaoErr::ObjectExists, "Object '%s' already exists."},
    {TDaoErr::NoCurrentIndex, "Operation invalid without a current index."},
    {TDaoErr::UpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit."},
    {TDaoErr::NoCurrentRecord, "No current record."},
    {TDaoErr::DuplicateKey,
     "The change would create a duplicate value in a unique index or primary key."},
    {TDaoErr::FileNotFound, "Could not find file '%s'."},
    {TDaoErr::ReadOnly, "Cannot update. Database or object is read-only."},
    {TDaoErr::InvalidAccount, "Not a valid account name or password."},
    {TDaoErr::NoTransaction, "Commit or rollback without a transaction begun."},
    {TDaoErr::FileInUse, "Could not open the file '%s': it is already in use."},
    {TDaoErr::TooFewParameters, "Too few parameters. Expected %s."},
    {TDaoErr::CannotExecuteSelect, "Cannot execute a select query."},
    {TDaoErr::QueryNotUpdatable, "Operation must use an updatable query."},
    {TDaoErr::SyntaxError, "Syntax error in query expression '%s'."},
    {TDaoErr::TableNotFound, "The input table or query '%s' cannot be found."},
    {TDaoErr::InvalidStatement,
     "Invalid SQL statement; expected DELETE, INSERT, PROCEDURE, SELECT or UPDATE."},
    {TDaoErr::OdbcCallFailed, "ODBC call failed: %s"},
    {TDaoErr::InvalidBookmark, "Not a valid bookmark."},
    {TDaoErr::FieldTooSmall,
     "The field is too small to accept the amount of data you tried to add."},
    {TDaoErr::FieldNotUpdatable, "Field cannot be updated."},
    {TDaoErr::RecordDeleted, "Record is deleted."},
    {TDaoErr::NoDriver, "Could not find an installable driver for '%s'."},
    {TDaoErr::FieldDefinedTwice, "Cannot define field '%s' more than once."},
    {TDaoErr::WriteConflict,
     "Another user changed the data you are trying to change at the same time."},
    {TDaoErr::DatabaseExists, "Database '%s' already exists."},
    {TDaoErr::InvalidOperation, "Invalid operation."},
    {TDaoErr::NotSupported, "Operation is not supported for this type of object."},
    {TDaoErr::Locked, "Could not update; currently locked: '%s'."},
    {TDaoErr::ItemNotFound, "Item not found in this collection."},
    {TDaoErr::PropertyNotFound, "Property not found."},
    {TDaoErr::IndexExists, "Index already exists."},
    {TDaoErr::CreateTableSyntax, "Syntax error in CREATE TABLE statement."},
    {TDaoErr::NullNotAllowed,
     "The field '%s' cannot contain a Null value because its Required property is True."},
    {TDaoErr::RecordsetNotUpdatable, "This recordset is not updatable."},
    {TDaoErr::UnrecognizedFormat, "Unrecognized database format '%s'."},
    {TDaoErr::NameTaken,
     "Cannot append. An object with that name already exists in the collection."},
    {TDaoErr::ObjectClosed, "Object invalid or no longer set."},
    {TDaoErr::ConversionError, "Data type conversion error."},
    {TDaoErr::CriteriaTypeMismatch, "Data type mismatch in criteria expression."},
    {TDaoErr::NotAnIndex, "'%s' is not an index in this table."},
};

static_assert(std::is_sorted(std::begin(kErrors), std::end(kErrors),
                             [](const TErrorText& a, const TErrorText& b) {
                                 return a.Number < b.Number;
                             }),
              "the error table is searched by halves");

}  // namespace

std::string ErrorDescription(TDaoErr number, const std::string& detail) {
    const auto it = std::lower_bound(std::begin(kErrors), std::end(kErrors), number,
                                     [](const TErrorText& e, TDaoErr n) { return e.Number < n; });
    if (it == std::end(kErrors) || it->Number != number)
        return "Engine error " + std::to_string(static_cast<int>(number)) +
               (detail.empty() ? "" : ": " + detail);
    std::string text = it->Text;
    const size_t placeholder = text.find("%s");
    if (placeholder != std::string::npos) text.replace(placeholder, 2, detail);
    return text;
}

void RaiseDao(TErrorLog& log, TDaoErr number, const std::string& source,
              const std::string& detail) {
    EDaoError error(number, source, ErrorDescription(number, detail), {},
                    5000000 + static_cast<int>(number));
    log.Errors.assign(1, error);
    throw error;
}

}  // namespace zalvert::engine
