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
        default:
            return "E/A-Fehler " + std::to_string(errorCode);
    }
}

EInOutError FileError(int errorCode) {
    return EInOutError(FileErrorText(errorCode), errorCode);
}

}  // namespace zalvert
