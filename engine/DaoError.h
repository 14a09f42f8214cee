#pragma once
// The failure of an engine call: number, source and description as the engine
// reports them. The same error is also the engine's last error in Errors.

#include <string>

#include "rtl/Exceptions.h"

namespace zalvert::engine {

class EDaoError : public Exception {
  public:
    EDaoError(int number, std::string source, const std::string& description,
              std::string helpFile = {}, int helpContext = 0)
        : Exception(description),
          number_(number),
          source_(std::move(source)),
          helpFile_(std::move(helpFile)),
          helpContext_(helpContext) {}

    int Number() const { return number_; }
    const std::string& Source() const { return source_; }
    std::string Description() const { return what(); }
    const std::string& HelpFile() const { return helpFile_; }
    int HelpContext() const { return helpContext_; }

  private:
    int number_;
    std::string source_;
    std::string helpFile_;
    int helpContext_;
};

}  // namespace zalvert::engine
