#include "check/PlayabilityVerdict.h"

// Placeholder until the verdict extraction lands.
PlayabilityVerdict ReadPlayabilityVerdict(const QStringList &)
{
    return {};
}
