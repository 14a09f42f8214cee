#pragma once
// Maps system error numbers to the run-time's German file error texts.

#include "rtl/Exceptions.h"

namespace zalvert {

std::string FileErrorText(int errorCode);
EInOutError FileError(int errorCode);

}  // namespace zalvert
