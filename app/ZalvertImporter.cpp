// The program: reads its INI file beside the executable, shows the main window and
// imports the first file waiting in the import folder.

#include <QApplication>

#include "app/Application.h"
#include "app/QtInteraction.h"
#include "config/Settings.h"
#include "rtl/Paths.h"

int main(int argc, char* argv[]) {
    QApplication qtApplication(argc, argv);
    zalvert::TQtInteraction ui;
    zalvert::TZalvertApplication application(
        ui, zalvert::IniPathForExecutable(zalvert::ExecutablePath()));
    return application.Run();
}
