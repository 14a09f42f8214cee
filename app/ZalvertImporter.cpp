// The program: reads its INI file beside the executable, shows the main window and
// imports the first file waiting in the import folder.
//
// With ZALVERT_UNATTENDED_LOG set, messages go into that file instead of message
// boxes, so that a run nobody watches never waits for a click.
//
// ZALVERT_STOP_AT names a step of the import ("before-commit", "before-rename",
// "before-copy", "copying", "before-link", "before-delete") at which the process
// ends at once, as a crash or a power cut would; the whole-program tests use it to
// show that the next start neither loses the file nor stores it twice.
//
// ZALVERT_QUIT_WHEN_IDLE ends the program once its start (and so the import of the
// waiting files) is done and the first events are handled: the benchmarks time a
// start from outside until the process has ended.

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/Application.h"
#include "app/GermanTexts.h"
#include "app/QtInteraction.h"
#include "app/UnattendedInteraction.h"
#include "config/Settings.h"
#include "import/StepProbe.h"
#include "rtl/Paths.h"
#include "rtl/VectorState.h"

namespace {

constexpr int kStoppedExitCode = 86;

void StopAtStepFromEnvironment() {
    const char* step = std::getenv("ZALVERT_STOP_AT");
    if (!step || !*step) return;
    zalvert::SetStepProbe([name = std::string(step)](zalvert::TImportStep current) {
        if (zalvert::StepName(current) == name) std::_Exit(kStoppedExitCode);
        return 0;
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    StopAtStepFromEnvironment();
    zalvert::PrepareGermanLocale();
    QApplication qtApplication(argc, argv);
    zalvert::KeepNeutralCLocale();
    zalvert::ClearUpperVectorState();  // the toolkit's start leaves them in use
    zalvert::InstallGermanTranslations();
    // The program's own icon in every window, and the desktop entry it belongs to.
    QIcon icon;
    for (const char* size : {"16", "32", "48", "64", "128", "256"})
        icon.addFile(QString(":/icons/%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName("zalvert-importer");
    std::unique_ptr<zalvert::IUserInteraction> ui;
    if (const char* log = std::getenv("ZALVERT_UNATTENDED_LOG"); log && *log)
        ui = std::make_unique<zalvert::TUnattendedInteraction>(log);
    else
        ui = std::make_unique<zalvert::TQtInteraction>();
    zalvert::TZalvertApplication application(
        *ui, zalvert::IniPathForExecutable(zalvert::ExecutablePath()));
    if (const char* quit = std::getenv("ZALVERT_QUIT_WHEN_IDLE"); quit && *quit)
        QTimer::singleShot(0, &zalvert::TZalvertApplication::Terminate);
    return application.Run();
}
