#include "app/GermanTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <clocale>
#include <cstdlib>

namespace zalvert {

bool InstallGermanTranslations() {
    const QLocale german(QLocale::German, QLocale::Germany);
    QLocale::setDefault(german);
    // Owned by the application object, so that it lives as long as the texts are used.
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(german, "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void PrepareGermanLocale() {
    setenv("LC_ALL", "de_DE.UTF-8", 1);
}

void KeepNeutralCLocale() {
    if (!std::setlocale(LC_ALL, "C.UTF-8")) std::setlocale(LC_ALL, "C");
}

}  // namespace zalvert
