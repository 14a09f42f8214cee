// The program: reads its INI file beside the executable, shows the main window and
// imports the first file waiting in the import folder.
//
// With ZALVERT_UNATTENDED_LOG set, messages go into that file instead of message
// boxes, so that a run nobody watches never waits for a click.

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "app/Application.h"
#include "app/GermanTexts.h"
#include "app/QtInteraction.h"
#include "app/UnattendedInteraction.h"
#include "config/Settings.h"
#include "rtl/Paths.h"

int main(int argc, char* argv[]) {
    QApplication qtApplication(argc, argv);
    zalvert::InstallGermanTranslations();
    std::unique_ptr<zalvert::IUserInteraction> ui;
    if (const char* log = std::getenv("ZALVERT_UNATTENDED_LOG"); log && *log)
        ui = std::make_unique<zalvert::TUnattendedInteraction>(log);
    else
        ui = std::make_unique<zalvert::TQtInteraction>();
    zalvert::TZalvertApplication application(
        *ui, zalvert::IniPathForExecutable(zalvert::ExecutablePath()));
    return application.Run();
}
