#include "rtl/ComInit.h"

namespace zalvert {
namespace {

thread_local int initCount = 0;
thread_local bool failing = false;

}  // namespace

TComInitResult ComInitialize() {
    if (failing) return TComInitResult::Failed;
    return ++initCount == 1 ? TComInitResult::Ok : TComInitResult::AlreadyInitialized;
}

void ComUninitialize() {
    if (initCount > 0) --initCount;
}

int ComInitCount() {
    return initCount;
}

void SetComFailureForTesting(bool fail) {
    failing = fail;
}

}  // namespace zalvert
