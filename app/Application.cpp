#include "app/Application.h"

#include <QApplication>

#include "app/Main.h"
#include "data/Daten.h"

namespace zalvert {

TZalvertApplication::TZalvertApplication(IUserInteraction& ui, const std::string& iniPath) {
    QGuiApplication::setApplicationDisplayName(kTitle);
    SetApplicationInteraction(&ui);
    data_ = std::make_unique<TData>(ui, iniPath);
    fmain_ = std::make_unique<Tfmain>(*data_, ui, &TZalvertApplication::Terminate);
    fmain_->showMaximized();
    fmain_->CreateImportWindow();
}

// The windows go before the data module they use.
TZalvertApplication::~TZalvertApplication() {
    fmain_.reset();
}

int TZalvertApplication::Run() {
    return QApplication::exec();
}

void TZalvertApplication::Terminate() {
    QCoreApplication::exit(0);
}

Tfimport* TZalvertApplication::fimport() const {
    return fmain_->fimport();
}

}  // namespace zalvert
