// Widget tests need one QApplication for the whole run.

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>

#include "app/GermanTexts.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // As the program starts.
    zalvert::PrepareGermanLocale();
    QApplication application(argc, argv);
    zalvert::KeepNeutralCLocale();
    // The program runs with the toolkit's German texts; so do its widget tests.
    if (!zalvert::InstallGermanTranslations()) {
        std::fprintf(stderr,
                     "The toolkit's German translations are missing (qt6-translations-l10n).\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
