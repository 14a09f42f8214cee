#pragma once
// The framework's German messages, in one place. "%s" takes a name.

#include <string>

namespace zalvert::dbconsts {

inline constexpr const char* SDataSetReadOnly =
    "Eine Datenmenge, die nur zum Lesen ist, kann nicht geändert werden";
inline constexpr const char* SFieldValueError = "Ungültiger Wert für Feld '%s'";
inline constexpr const char* SFieldNotFound = "Feld '%s' nicht gefunden";
inline constexpr const char* SDataSetClosed =
    "Operation bei geschlossener Datenmenge nicht ausführbar";
inline constexpr const char* SDataSetOpen = "Operation bei geöffneter Datenmenge nicht ausführbar";
inline constexpr const char* SNotEditing = "Datenmenge nicht im Bearbeitungs- oder Einfügemodus";
inline constexpr const char* SDataSetEmpty = "Operation bei leerer Datenmenge nicht ausführbar";
inline constexpr const char* SFieldRequired = "Feld '%s' muss einen Wert haben";
inline constexpr const char* SInvalidIntegerValue =
    "'%s' ist kein gültiger Integerwert für Feld '%s'";
inline constexpr const char* SInvalidFloatValue =
    "'%s' ist kein gültiger Gleitkommawert für Feld '%s'";
inline constexpr const char* SInvalidBoolValue =
    "'%s' ist kein gültiger boolescher Wert für Feld '%s'";
inline constexpr const char* SFieldRangeError =
    "%s ist kein gültiger Wert für Feld '%s'. Der erlaubte Bereich ist %s bis %s";
inline constexpr const char* SFieldTypeMismatch = "Feld '%s' hat nicht den erwarteten Typ";
inline constexpr const char* SFieldAccessError =
    "Auf Feld '%s' kann nicht als Typ %s zugegriffen werden";
inline constexpr const char* SInvalidCharacter = "'%s' ist kein gültiges Zeichen für Feld '%s'";
inline constexpr const char* SCircularDataLink = "Zirkuläre Datenverknüpfungen sind nicht erlaubt";
inline constexpr const char* SDuplicateFieldName = "Doppelter Feldname '%s'";
inline constexpr const char* SFieldIndexError = "Feldindex außerhalb des gültigen Bereichs";
inline constexpr const char* SParameterNotFound = "Parameter '%s' nicht gefunden";
inline constexpr const char* SIndexNotFound = "Index '%s' nicht gefunden";
inline constexpr const char* SDuplicateItem = "Liste erlaubt keine Duplikate";
inline constexpr const char* SListIndexError = "Listenindex überschreitet das Maximum (%s)";
inline constexpr const char* SNoDataSet = "Keine Datenmenge zugeordnet";
inline constexpr const char* SCalculatedField =
    "Berechnetes Feld '%s' kann nicht gespeichert werden";
inline constexpr const char* SBookmarkNotFound = "Lesezeichen nicht gefunden";
inline constexpr const char* SNotIndexField =
    "Feld '%s' ist nicht indiziert und kann nicht verändert werden";

// The message with each "%s" replaced by the next argument.
std::string Format(const char* message, std::initializer_list<std::string> args);

}  // namespace zalvert::dbconsts
