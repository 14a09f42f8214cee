#pragma once
// The failure of an engine call: number, source and description as the engine
// reports them. The same error is also the engine's last error in Errors.

#include <string>

#include "rtl/Exceptions.h"

namespace zalvert::engine {

// The engine's error numbers, as its callers know them.
enum class TDaoErr : int {
    ClassNotRegistered = 429,
    EngineError = 3000,
    InvalidArgument = 3001,
    TableOpenedExclusively = 3008,
    TableExists = 3010,
    ObjectExists = 3012,
    NoCurrentIndex = 3019,
    UpdateWithoutEdit = 3020,
    NoCurrentRecord = 3021,
    DuplicateKey = 3022,
    FileNotFound = 3024,
    ReadOnly = 3027,
    InvalidAccount = 3029,
    NoTransaction = 3034,
    FileInUse = 3051,
    TooFewParameters = 3061,
    CannotExecuteSelect = 3065,
    QueryNotUpdatable = 3073,
    SyntaxError = 3075,
    TableNotFound = 3078,
    InvalidStatement = 3129,
    OdbcCallFailed = 3146,
    InvalidBookmark = 3159,
    FieldTooSmall = 3163,
    FieldNotUpdatable = 3164,
    RecordDeleted = 3167,
    NoDriver = 3170,
    FieldDefinedTwice = 3191,
    WriteConflict = 3197,
    DatabaseExists = 3204,
    InvalidOperation = 3219,
    NotSupported = 3251,
    Locked = 3260,
    ItemNotFound = 3265,
    PropertyNotFound = 3270,
    IndexExists = 3284,
    CreateTableSyntax = 3290,
    NullNotAllowed = 3314,
    RecordsetNotUpdatable = 3326,
    UnrecognizedFormat = 3343,
    NameTaken = 3367,
    ObjectClosed = 3420,
    ConversionError = 3421,
    CriteriaTypeMismatch = 3464,
    NotAnIndex = 3800,
};

class EDaoError : public Exception {
  public:
    EDaoError(TDaoErr number, std::string source, const std::string& description,
              std::string helpFile = {}, int helpContext = 0)
        : Exception(description),
          number_(static_cast<int>(number)),
          source_(std::move(source)),
          helpFile_(std::move(helpFile)),
          helpContext_(helpContext) {}

    int Number() const { return number_; }
    bool Is(TDaoErr number) const { return number_ == static_cast<int>(number); }
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
