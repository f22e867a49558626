#pragma once
// How a failed device open is to be understood.
//
// OpenPort and the device open return minus errno. The component maps Busy to -2008
// (EAlreadyOpen) and Missing to -2001 (EBadId); NoPermission and Other go to CheckResult with the
// code itself (the system's text, e.g. "Permission denied"). Pure functions, any thread.
//
//   Busy:         -EBUSY, -EWOULDBLOCK (the exclusive lock is held elsewhere)
//   Missing:      -ENOENT, -ENODEV, -ENXIO, -ENOTDIR, -EIO (a node without hardware)
//   NoPermission: -EACCES, -EPERM
//   Other:        any other negative code (-8 included)
//   None:         0 or positive

#include "serial/engine/errors/SioResultCodes.h"

enum class TSioOpenFailure { None, Busy, Missing, NoPermission, Other };

TSioOpenFailure ClassifyOpenResult(TSioResult result);
