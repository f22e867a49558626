#include "serial/component/SioOpenResult.h"

#include "runtime/RunTimeErrors.h"
#include "serial/engine/errors/SioCheckResult.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

struct TRemapCase {
    TSioResult OpenResult;
    TSioResult Reported;
};

TEST(RemapOpenResult, BusyAndMissingBecomeOpenCodesOthersStay) {
    const TRemapCase cases[] = {
        {0, 0},
        {-EBUSY, ecAlreadyOpen},
        {-EWOULDBLOCK, ecAlreadyOpen},
        {-ENOENT, ecBadId},
        {-ENODEV, ecBadId},
        {-ENXIO, ecBadId},
        {-ENOTDIR, ecBadId},
        {-EIO, ecBadId},
        {-EACCES, -EACCES},
        {-EPERM, -EPERM},
        {-EINVAL, -EINVAL},
        {ecOutOfMemory, ecOutOfMemory},
        {ecNoHandles, ecNoHandles},
    };
    for (const TRemapCase& c : cases)
        EXPECT_EQ(RemapOpenResult(c.OpenResult), c.Reported) << c.OpenResult;
}

TEST(RemapOpenResult, RefusedPermissionShowsTheSystemsText) {
    try {
        CheckResult(nullptr, RemapOpenResult(-EACCES));
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.Message(), "Permission denied");
        EXPECT_EQ(error.ErrorCode, EACCES);
    }
}

} // namespace
