#include "serial/component/SioOpenResult.h"

#include "serial/engine/ports/SioOpenFailure.h"

TSioResult RemapOpenResult(TSioResult result) {
    switch (ClassifyOpenResult(result)) {
    case TSioOpenFailure::Busy:
        return ecAlreadyOpen;
    case TSioOpenFailure::Missing:
        return ecBadId;
    case TSioOpenFailure::None:
    case TSioOpenFailure::NoPermission:
    case TSioOpenFailure::Other:
        break;
    }
    return result;
}
