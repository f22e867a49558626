// CheckResult: pass-through, the loading state, the run-time exceptions for system error numbers,
// mapped classes and the "Sio exception" default.

#include "serial/engine/errors/SioCheckResult.h"

#include "serial/engine/errors/SioErrorText.h"
#include "serial/engine/errors/SioExceptions.h"

#include <gtest/gtest.h>
#include <typeinfo>

namespace {

class TOwner : public ISioOwner {
public:
    explicit TOwner(bool loading) : FLoading(loading) {}
    bool Loading() const override { return FLoading; }

private:
    bool FLoading;
};

const TOwner Loaded(false);

TEST(SioCheckResultTest, SuccessIsReturned) {
    EXPECT_EQ(CheckResult(&Loaded, 0), 0);
    EXPECT_EQ(CheckResult(&Loaded, 7), 7);
    EXPECT_EQ(CheckResult(nullptr, 8192), 8192);
}

TEST(SioCheckResultTest, LoadingOwnerNeverRaises) {
    const TOwner loading(true);
    for (const TSioResult code : {ecBadId, ecOutOfMemory, -5, -1001, -99999}) {
        EXPECT_EQ(CheckResult(&loading, code), code);
    }
}

TEST(SioCheckResultTest, NullOwnerIsNotLoading) {
    EXPECT_THROW(CheckResult(nullptr, ecBadId), EBadId);
}

TEST(SioCheckResultTest, OutOfMemoryRaisesTheRunTimesOutOfMemory) {
    EXPECT_THROW(CheckResult(&Loaded, ecOutOfMemory), EOutOfMemory);
}

TEST(SioCheckResultTest, SystemErrorsRaiseInOutErrorWithTextAndNumber) {
    for (const TSioResult code : {-2, -5, -31, -100, -150, -162}) {
        SCOPED_TRACE(code);
        try {
            CheckResult(&Loaded, code);
            ADD_FAILURE() << "no exception";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, -code);
            EXPECT_EQ(e.Message(), ErrorText(code));
        }
    }
}

TEST(SioCheckResultTest, InputOutputErrorUsesTheSystemsText) {
    try {
        CheckResult(&Loaded, -5);
        ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Input/output error");
        EXPECT_EQ(e.ErrorCode, 5);
    }
}

TEST(SioCheckResultTest, BoundariesOfTheSystemRange) {
    EXPECT_THROW(CheckResult(&Loaded, -163), ESioException);
    try {
        CheckResult(&Loaded, -1);
        ADD_FAILURE() << "no exception";
    } catch (const ESioException& e) {
        EXPECT_EQ(e.ErrorCode, 0);
        EXPECT_EQ(e.Message(), "Sio exception");
    }
}

TEST(SioCheckResultTest, CodesWithTextButNoClassRaiseSioException) {
    for (const TSioResult code : {-1001, -3002, -4009, -5501, -13804, -13849}) {
        SCOPED_TRACE(code);
        try {
            CheckResult(&Loaded, code);
            ADD_FAILURE() << "no exception";
        } catch (const ESioException& e) {
            EXPECT_EQ(typeid(e), typeid(ESioException));
            EXPECT_EQ(e.ErrorCode, 0);
            EXPECT_STREQ(e.what(), "Sio exception");
        }
    }
}

TEST(SioCheckResultTest, MappedCodesRaiseTheirClass) {
    try {
        CheckResult(&Loaded, -6008);
        ADD_FAILURE() << "no exception";
    } catch (const ESioException& e) {
        EXPECT_EQ(typeid(e), typeid(EProtocol));
        EXPECT_EQ(e.ErrorCode, -6008);
    }
    try {
        CheckResult(&Loaded, -7006);
        ADD_FAILURE() << "no exception";
    } catch (const ESioException& e) {
        EXPECT_EQ(typeid(e), typeid(EInternal));
        EXPECT_EQ(e.ErrorCode, -7006);
    }
    EXPECT_THROW(CheckResult(&Loaded, ecOutputBufferTooSmall), EOutputBufferTooSmall);
}

TEST(SioCheckResultTest, BadIdIsCaughtAsLeafGroupAndFamily) {
    EXPECT_THROW(CheckResult(&Loaded, ecBadId), EBadId);
    EXPECT_THROW(CheckResult(&Loaded, ecBadId), EOpenComm);
    try {
        CheckResult(&Loaded, ecBadId);
        ADD_FAILURE() << "no exception";
    } catch (const ESioException& e) {
        EXPECT_EQ(e.ErrorCode, -2001);
        EXPECT_EQ(e.Message(), "ie_BadId - Specified comport doesn't exist");
    }
}

} // namespace
