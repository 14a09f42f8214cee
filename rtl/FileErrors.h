#pragma once
// Maps system error numbers to German file error texts, and builds the file errors
// the program raises: each names the file it is about.

#include <string>

#include "rtl/Exceptions.h"

namespace zalvert {

// "Datei nicht gefunden", "Dateizugriff verweigert", "Der Datenträger ist voll"...;
// numbers without a text of their own give "E/A-Fehler <n>".
std::string FileErrorText(int errorCode);
// `Die Datei "<path>" kann nicht gelesen werden: <text>.`
EInOutError FileReadError(int errorCode, const std::string& path);
// `Die Datei "<path>" kann nicht geschrieben werden: <text>.`
EInOutError FileWriteError(int errorCode, const std::string& path);

}  // namespace zalvert
