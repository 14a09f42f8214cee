#pragma once
// Points between the steps of a run and of archiving where a test can stop the
// program (as a crash would) or make the next file write fail (as a full disk
// would). Without a probe set, every step just goes on.

#include <functional>
#include <string_view>

namespace zalvert {

enum class TImportStep {
    BeforeCommit,  // the run's records written, not yet committed
    BeforeRename,  // committed; the file still has its old name
    BeforeCopy,    // renamed in the import folder
    Copying,       // after each chunk written to the archive's temporary file
    BeforeLink,    // the temporary copy complete and flushed
    BeforeDelete,  // the archive copy in place; the renamed file not yet deleted
};

// "before-commit", "before-rename", "before-copy", "copying", "before-link",
// "before-delete".
std::string_view StepName(TImportStep step);

// Returns 0 to go on, or a system error number that the step's next write then
// fails with.
using TStepProbe = std::function<int(TImportStep)>;
void SetStepProbe(TStepProbe probe);
int ProbeStep(TImportStep step);

}  // namespace zalvert
