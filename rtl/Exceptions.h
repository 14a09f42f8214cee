#pragma once
// The exception family of the program: every failure carries a message text
// that the application exception handler shows as it stands.

#include <exception>
#include <string>

namespace zalvert {

class Exception : public std::exception {
  public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }
    // A handler may restate the failure before it passes on.
    void SetMessage(std::string message) { message_ = std::move(message); }
    int HelpContext = 0;

  private:
    std::string message_;
};

// A text that does not convert to the requested type (dates, numbers).
class EConvertError : public Exception {
  public:
    using Exception::Exception;
};

// A variant that does not convert to the requested type.
class EVariantError : public Exception {
  public:
    using Exception::Exception;
};

// A value of one class used as another.
class EInvalidCast : public Exception {
  public:
    EInvalidCast() : Exception("Ungültige Typumwandlung") {}
};

// Ends an operation silently: the exception handler shows nothing.
class EAbort : public Exception {
  public:
    EAbort() : Exception("Operation abgebrochen") {}
};

// A file operation failed; ErrorCode is the system's error number.
class EInOutError : public Exception {
  public:
    EInOutError(const std::string& message, int errorCode)
        : Exception(message), errorCode_(errorCode) {}
    int ErrorCode() const { return errorCode_; }

  private:
    int errorCode_;
};

}  // namespace zalvert
