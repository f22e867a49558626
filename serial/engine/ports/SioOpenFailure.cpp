#include "serial/engine/ports/SioOpenFailure.h"

#include <cerrno>

TSioOpenFailure ClassifyOpenResult(TSioResult result) {
    if (result >= 0)
        return TSioOpenFailure::None;
    switch (-result) {
    case EBUSY:
    case EWOULDBLOCK:
        return TSioOpenFailure::Busy;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
    case EIO:
        return TSioOpenFailure::Missing;
    case EACCES:
    case EPERM:
        return TSioOpenFailure::NoPermission;
    default:
        return TSioOpenFailure::Other;
    }
}
