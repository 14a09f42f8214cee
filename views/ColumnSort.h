#pragma once
// Sorting a table's records by a click on a grid's column title.

#include <string>

namespace zalvert {

class IUserInteraction;
class TDBGrid;
class TZedaDaoTable;

// Sorts by the grid's column, the other way round when it is sorted by it
// already, and marks the title. The record shown stays current: it is found again
// by its key field. A failure goes to the user.
void SortByColumnTitle(TDBGrid& grid, TZedaDaoTable& table, int column, const std::string& keyField,
                       IUserInteraction& ui);

}  // namespace zalvert
