#pragma once
// The dataset layer's failure, with its German message.

#include "rtl/Exceptions.h"

namespace zalvert {

class EDatabaseError : public Exception {
  public:
    using Exception::Exception;
};

// Raises EDatabaseError; when `component` has a name, the message is prefixed
// with it, as the framework does ("Zalvert: ...").
[[noreturn]] void DatabaseError(const std::string& message, const std::string& componentName = {});

}  // namespace zalvert
