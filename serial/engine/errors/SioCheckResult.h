#pragma once
// CheckResult: turns a negative result code into the matching exception.
//
// A result >= 0 is returned unchanged. While the owner is being loaded from its stored form the
// code is returned without raising, so properties applied during loading never raise. Otherwise
// -162 ... -2 raise the run-time's exceptions (EOutOfMemory for -8, EInOutError with the system's
// text and error number for the rest), mapped codes raise their ESioException class, and any
// other code raises ESioException("Sio exception") with ErrorCode 0. Runs on the caller's thread;
// takes no lock.

#include "serial/engine/errors/SioResultCodes.h"

// Implemented by the component that checks results.
class ISioOwner {
public:
    virtual ~ISioOwner() = default;
    // True while the owner is being loaded from its stored form.
    virtual bool Loading() const = 0;
};

// owner may be nullptr: then it is not loading.
TSioResult CheckResult(const ISioOwner* owner, TSioResult code);
