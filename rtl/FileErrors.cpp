#include "rtl/FileErrors.h"

#include <cerrno>

namespace zalvert {

std::string FileErrorText(int errorCode) {
    switch (errorCode) {
        case ENOENT:
            return "Datei nicht gefunden";
        case EACCES:
        case EPERM:
            return "Dateizugriff verweigert";
        case EISDIR:
            return "Das ist ein Ordner, keine Datei";
        case ENOTDIR:
            return "Ein Teil des Pfades ist kein Ordner";
        case ENOSPC:
        case EDQUOT:
            return "Der Datenträger ist voll";
        case EROFS:
            return "Der Datenträger ist schreibgeschützt";
        case EEXIST:
            return "Eine Datei dieses Namens gibt es schon";
        case ENAMETOOLONG:
            return "Der Dateiname ist zu lang";
        case EIO:
            return "Lese- oder Schreibfehler des Datenträgers";
        case EBUSY:
        case ETXTBSY:
            return "Die Datei wird gerade benutzt";
        case EMFILE:
        case ENFILE:
            return "Zu viele geöffnete Dateien";
        case ELOOP:
            return "Zu viele symbolische Verknüpfungen im Pfad";
        case EXDEV:
            return "Quelle und Ziel liegen auf verschiedenen Datenträgern";
        default:
            return "E/A-Fehler " + std::to_string(errorCode);
    }
}

EInOutError FileReadError(int errorCode, const std::string& path) {
    return EInOutError(
        "Die Datei \"" + path + "\" kann nicht gelesen werden: " + FileErrorText(errorCode) + ".",
        errorCode);
}

EInOutError FileWriteError(int errorCode, const std::string& path) {
    return EInOutError("Die Datei \"" + path +
                           "\" kann nicht geschrieben werden: " + FileErrorText(errorCode) + ".",
                       errorCode);
}

}  // namespace zalvert
