#include "batch/Job.h"

namespace Calvorn {

StatusImage StatusForOutcome(int outcome)
{
    switch (outcome) {
        case kOutcomeConverted:
            return kStatusConverted;
        case kOutcomeEmpty:
            return kStatusEmpty;
        default:
            return kStatusFailed;
    }
}

}  // namespace Calvorn
