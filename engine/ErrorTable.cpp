#include "engine/ErrorTable.h"

#include <algorithm>
#include <iterator>

namespace zalvert::engine {
namespace {

struct TErrorText {
    int Number;
    const char* Text;
};

// Sorted by number.
constexpr TErrorText kErrors[] = {
    {429, "Cannot create the object '%s': its class is not registered."},
    {3000, "Engine error: %s"},
    {3001, "Invalid argument."},
    {3008, "The table '%s' is already opened exclusively by another user."},
    {3010, "Table '%s' already exists."},
    {3012, "Object '%s' already exists."},
    {3019, "Operation invalid without a current index."},
    {3020, "Update or CancelUpdate without AddNew or Edit."},
    {3021, "No current record."},
    {3022, "The change would create a duplicate value in a unique index or primary key."},
    {3024, "Could not find file '%s'."},
    {3027, "Cannot update. Database or object is read-only."},
    {3029, "Not a valid account name or password."},
    {3034, "Commit or rollback without a transaction begun."},
    {3051, "Could not open the file '%s': it is already in use."},
    {3061, "Too few parameters. Expected %s."},
    {3065, "Cannot execute a select query."},
    {3073, "Operation must use an updatable query."},
    {3075, "Syntax error in query expression '%s'."},
    {3078, "The input table or query '%s' cannot be found."},
    {3129, "Invalid SQL statement; expected DELETE, INSERT, PROCEDURE, SELECT or UPDATE."},
    {3146, "ODBC call failed: %s"},
    {3159, "Not a valid bookmark."},
    {3163, "The field is too small to accept the amount of data you tried to add."},
    {3164, "Field cannot be updated."},
    {3167, "Record is deleted."},
    {3170, "Could not find an installable driver for '%s'."},
    {3191, "Cannot define field '%s' more than once."},
    {3197, "Another user changed the data you are trying to change at the same time."},
    {3204, "Database '%s' already exists."},
    {3219, "Invalid operation."},
    {3251, "Operation is not supported for this type of object."},
    {3260, "Could not update; currently locked: '%s'."},
    {3265, "Item not found in this collection."},
    {3270, "Property not found."},
    {3284, "Index already exists."},
    {3290, "Syntax error in CREATE TABLE statement."},
    {3314, "The field '%s' cannot contain a Null value because its Required property is True."},
    {3326, "This recordset is not updatable."},
    {3343, "Unrecognized database format '%s'."},
    {3367, "Cannot append. An object with that name already exists in the collection."},
    {3420, "Object invalid or no longer set."},
    {3421, "Data type conversion error."},
    {3464, "Data type mismatch in criteria expression."},
    {3800, "'%s' is not an index in this table."},
};

}  // namespace

std::string ErrorDescription(int number, const std::string& detail) {
    const auto it = std::lower_bound(std::begin(kErrors), std::end(kErrors), number,
                                     [](const TErrorText& e, int n) { return e.Number < n; });
    if (it == std::end(kErrors) || it->Number != number)
        return "Engine error " + std::to_string(number) + (detail.empty() ? "" : ": " + detail);
    std::string text = it->Text;
    const size_t placeholder = text.find("%s");
    if (placeholder != std::string::npos) text.replace(placeholder, 2, detail);
    return text;
}

void RaiseDao(TErrorLog& log, int number, const std::string& source, const std::string& detail) {
    EDaoError error(number, source, ErrorDescription(number, detail), {}, 5000000 + number);
    log.Errors.assign(1, error);
    throw error;
}

}  // namespace zalvert::engine
