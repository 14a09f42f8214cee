#pragma once
// Start-up in its fixed order: title, data module, main window, import window.
// The application object owns them all until the process ends.

#include <memory>
#include <string>

#include "rtl/Interaction.h"

namespace zalvert {

class TData;
class Tfmain;
class Tfimport;

class TZalvertApplication {
  public:
    static constexpr const char* kTitle = "Zalvert Importer";

    // Needs a QApplication. `iniPath` is normally the executable's INI file.
    TZalvertApplication(IUserInteraction& ui, const std::string& iniPath);
    ~TZalvertApplication();

    // The message loop, until the main window closes.
    int Run();
    // Ends the program at once, without closing the windows one by one.
    static void Terminate();

    TData& Data() const { return *data_; }
    Tfmain& fmain() const { return *fmain_; }
    Tfimport* fimport() const;

  private:
    std::unique_ptr<TData> data_;
    std::unique_ptr<Tfmain> fmain_;
};

}  // namespace zalvert
