#include "import/StepProbe.h"

namespace zalvert {
namespace {

TStepProbe& Probe() {
    static TStepProbe probe;
    return probe;
}

}  // namespace

std::string_view StepName(TImportStep step) {
    switch (step) {
        case TImportStep::BeforeCommit:
            return "before-commit";
        case TImportStep::BeforeRename:
            return "before-rename";
        case TImportStep::BeforeCopy:
            return "before-copy";
        case TImportStep::Copying:
            return "copying";
        case TImportStep::BeforeLink:
            return "before-link";
        case TImportStep::BeforeDelete:
            return "before-delete";
    }
    return {};
}

void SetStepProbe(TStepProbe probe) {
    Probe() = std::move(probe);
}

int ProbeStep(TImportStep step) {
    return Probe() ? Probe()(step) : 0;
}

}  // namespace zalvert
