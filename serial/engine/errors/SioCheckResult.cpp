#include "serial/engine/errors/SioCheckResult.h"

#include "runtime/RunTimeErrors.h"
#include "serial/engine/errors/SioErrorText.h"
#include "serial/engine/errors/SioExceptions.h"

TSioResult CheckResult(const ISioOwner* owner, TSioResult code) {
    if (code >= 0) {
        return code;
    }
    if (owner != nullptr && owner->Loading()) {
        return code;
    }
    if (code <= ecFirstSystemError && code >= ecLastSystemError) {
        if (code == ecOutOfMemory) {
            throw EOutOfMemory();
        }
        throw EInOutError(ErrorText(code), -code);
    }
    RaiseSioException(code);
}
