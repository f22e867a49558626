// The exception family: constructors, catching by leaf, group and family, and the complete
// code-to-class mapping.

#include "serial/engine/errors/SioExceptions.h"

#include "serial/engine/errors/SioErrorText.h"

#include <gtest/gtest.h>
#include <string>
#include <typeinfo>

namespace {

template <class Group> bool IsA(const ESioException& e) {
    return dynamic_cast<const Group*>(&e) != nullptr;
}

struct TMappedCode {
    TSioResult Code;
    const std::type_info& Class;
    bool (*InGroup)(const ESioException&);
};

const TMappedCode MappedCodes[] = {
    {-1002, typeid(EBadArgument), &IsA<EGeneral>},
    {-1003, typeid(EGotQuitMsg), &IsA<EGeneral>},
    {-1004, typeid(EBufferTooBig), &IsA<EGeneral>},
    {-1005, typeid(EPortNotAssigned), &IsA<EGeneral>},
    {-1006, typeid(EInternal), &IsA<EGeneral>},
    {-1007, typeid(EModemNotAssigned), &IsA<EGeneral>},
    {-1008, typeid(EPhonebookNotAssigned), &IsA<EGeneral>},
    {-1009, typeid(ECannotUseWithWinSock), &IsA<EGeneral>},
    {-2001, typeid(EBadId), &IsA<EOpenComm>},
    {-2002, typeid(EBaudRate), &IsA<EOpenComm>},
    {-2003, typeid(EByteSize), &IsA<EOpenComm>},
    {-2004, typeid(EDefault), &IsA<EOpenComm>},
    {-2005, typeid(EHardware), &IsA<EOpenComm>},
    {-2006, typeid(EMemory), &IsA<EOpenComm>},
    {-2007, typeid(ECommNotOpen), &IsA<EOpenComm>},
    {-2008, typeid(EAlreadyOpen), &IsA<EOpenComm>},
    {-2009, typeid(ENoHandles), &IsA<EOpenComm>},
    {-2010, typeid(ENoTimers), &IsA<EOpenComm>},
    {-2011, typeid(ENoPortSelected), &IsA<EOpenComm>},
    {-2012, typeid(ENotOpenedByTapi), &IsA<EOpenComm>},
    {-3001, typeid(ENullApi), &IsA<ESerialIO>},
    {-3003, typeid(ERegisterHandlerFailed), &IsA<ESerialIO>},
    {-3004, typeid(EPutBlockFail), &IsA<ESerialIO>},
    {-3005, typeid(EGetBlockFail), &IsA<ESerialIO>},
    {-3006, typeid(EOutputBufferTooSmall), &IsA<ESerialIO>},
    {-3007, typeid(EBufferIsEmpty), &IsA<ESerialIO>},
    {-3008, typeid(ETracingNotEnabled), &IsA<ESerialIO>},
    {-3009, typeid(ELoggingNotEnabled), &IsA<ESerialIO>},
    {-3010, typeid(EBaseAddressNotSet), &IsA<ESerialIO>},
    {-5001, typeid(ENoMoreTriggers), &IsA<ETrigger>},
    {-5002, typeid(ETriggerTooLong), &IsA<ETrigger>},
    {-5003, typeid(EBadTriggerHandle), &IsA<ETrigger>},
    {-6006, typeid(EProtocol), &IsA<EProtocol>},
    {-6008, typeid(EProtocol), &IsA<EProtocol>},
    {-6009, typeid(EProtocol), &IsA<EProtocol>},
    {-7003, typeid(EInternal), &IsA<EGeneral>},
    {-7006, typeid(EInternal), &IsA<EGeneral>},
    {-7012, typeid(EInternal), &IsA<EGeneral>},
    {-4001, typeid(EModemNotStarted), &IsA<EModem>},
    {-4002, typeid(EModemBusy), &IsA<EModem>},
    {-4003, typeid(EModemNotDialing), &IsA<EModem>},
    {-4004, typeid(ENotDialing), &IsA<EModem>},
    {-4005, typeid(EAlreadyDialing), &IsA<EModem>},
    {-4006, typeid(EModemNotResponding), &IsA<EModem>},
    {-4007, typeid(EModemRejectedCommand), &IsA<EModem>},
    {-4008, typeid(EModemStatusMismatch), &IsA<EModem>},
    {-7001, typeid(EKeyTooLong), &IsA<EINI>},
    {-7002, typeid(EDataTooLarge), &IsA<EINI>},
    {-7004, typeid(EIniWrite), &IsA<EINI>},
    {-7005, typeid(EIniRead), &IsA<EINI>},
    {-7007, typeid(ERecordExists), &IsA<EINI>},
    {-7008, typeid(ERecordNotFound), &IsA<EINI>},
    {-7010, typeid(EDatabaseFull), &IsA<EINI>},
    {-7011, typeid(EDatabaseEmpty), &IsA<EINI>},
    {-7013, typeid(EBadFieldList), &IsA<EINI>},
    {-7014, typeid(EBadFieldForIndex), &IsA<EINI>},
    {-8001, typeid(EFaxBadFormat), &IsA<EFax>},
    {-8002, typeid(EBadGraphicsFormat), &IsA<EFax>},
    {-8003, typeid(EConvertAbort), &IsA<EFax>},
    {-8004, typeid(EUnpackAbort), &IsA<EFax>},
    {-8005, typeid(ECantMakeBitmap), &IsA<EFax>},
    {-8053, typeid(EInvalidPageNumber), &IsA<EFax>},
    {-8060, typeid(EFaxBadMachine), &IsA<EFax>},
    {-8061, typeid(EFaxBadModemResult), &IsA<EFax>},
    {-8062, typeid(EFaxTrainError), &IsA<EFax>},
    {-8063, typeid(EFaxInitError), &IsA<EFax>},
    {-8064, typeid(EFaxBusy), &IsA<EFax>},
    {-8065, typeid(EFaxVoiceCall), &IsA<EFax>},
    {-8066, typeid(EFaxDataCall), &IsA<EFax>},
    {-8067, typeid(EFaxNoDialTone), &IsA<EFax>},
    {-8068, typeid(EFaxNoCarrier), &IsA<EFax>},
    {-8069, typeid(EFaxSessionError), &IsA<EFax>},
    {-8070, typeid(EFaxPageError), &IsA<EFax>},
    {-13801, typeid(ETapiAllocated), &IsA<ETapi>},
    {-13802, typeid(ETapiBadDeviceID), &IsA<ETapi>},
    {-13803, typeid(ETapiBearerModeUnavail), &IsA<ETapi>},
    {-13805, typeid(ETapiCallUnavail), &IsA<ETapi>},
    {-13806, typeid(ETapiCompletionOverrun), &IsA<ETapi>},
    {-13807, typeid(ETapiConferenceFull), &IsA<ETapi>},
    {-13808, typeid(ETapiDialBilling), &IsA<ETapi>},
    {-13809, typeid(ETapiDialDialtone), &IsA<ETapi>},
    {-13810, typeid(ETapiDialPrompt), &IsA<ETapi>},
    {-13811, typeid(ETapiDialQuiet), &IsA<ETapi>},
    {-13812, typeid(ETapiIncompatibleApiVersion), &IsA<ETapi>},
    {-13813, typeid(ETapiIncompatibleExtVersion), &IsA<ETapi>},
    {-13814, typeid(ETapiIniFileCorrupt), &IsA<ETapi>},
    {-13815, typeid(ETapiInUse), &IsA<ETapi>},
    {-13816, typeid(ETapiInvalAddress), &IsA<ETapi>},
    {-13817, typeid(ETapiInvalAddressID), &IsA<ETapi>},
    {-13818, typeid(ETapiInvalAddressMode), &IsA<ETapi>},
    {-13819, typeid(ETapiInvalAddressState), &IsA<ETapi>},
    {-13820, typeid(ETapiInvalAppHandle), &IsA<ETapi>},
    {-13821, typeid(ETapiInvalAppName), &IsA<ETapi>},
    {-13822, typeid(ETapiInvalBearerMode), &IsA<ETapi>},
    {-13823, typeid(ETapiInvalCallComplMode), &IsA<ETapi>},
    {-13824, typeid(ETapiInvalCallHandle), &IsA<ETapi>},
    {-13825, typeid(ETapiInvalCallParams), &IsA<ETapi>},
    {-13826, typeid(ETapiInvalCallPrivilege), &IsA<ETapi>},
    {-13827, typeid(ETapiInvalCallSelect), &IsA<ETapi>},
    {-13828, typeid(ETapiInvalCallState), &IsA<ETapi>},
    {-13829, typeid(ETapiInvalCallStatelist), &IsA<ETapi>},
    {-13830, typeid(ETapiInvalCard), &IsA<ETapi>},
    {-13831, typeid(ETapiInvalCompletionID), &IsA<ETapi>},
    {-13832, typeid(ETapiInvalConfCallHandle), &IsA<ETapi>},
    {-13833, typeid(ETapiInvalConsultCallHandle), &IsA<ETapi>},
    {-13834, typeid(ETapiInvalCountryCode), &IsA<ETapi>},
    {-13835, typeid(ETapiInvalDeviceClass), &IsA<ETapi>},
    {-13836, typeid(ETapiInvalDeviceHandle), &IsA<ETapi>},
    {-13837, typeid(ETapiInvalDialParams), &IsA<ETapi>},
    {-13838, typeid(ETapiInvalDigitList), &IsA<ETapi>},
    {-13839, typeid(ETapiInvalDigitMode), &IsA<ETapi>},
    {-13840, typeid(ETapiInvalDigits), &IsA<ETapi>},
    {-13841, typeid(ETapiInvalExtVersion), &IsA<ETapi>},
    {-13842, typeid(ETapiInvalGroupID), &IsA<ETapi>},
    {-13843, typeid(ETapiInvalLineHandle), &IsA<ETapi>},
    {-13844, typeid(ETapiInvalLineState), &IsA<ETapi>},
    {-13845, typeid(ETapiInvalLocation), &IsA<ETapi>},
    {-13846, typeid(ETapiInvalMediaList), &IsA<ETapi>},
    {-13847, typeid(ETapiInvalMediaMode), &IsA<ETapi>},
    {-13848, typeid(ETapiInvalMessageID), &IsA<ETapi>},
    {-13850, typeid(ETapiInvalParam), &IsA<ETapi>},
    {-13851, typeid(ETapiInvalParkID), &IsA<ETapi>},
    {-13852, typeid(ETapiInvalParkMode), &IsA<ETapi>},
    {-13853, typeid(ETapiInvalPointer), &IsA<ETapi>},
    {-13854, typeid(ETapiInvalPrivSelect), &IsA<ETapi>},
    {-13855, typeid(ETapiInvalRate), &IsA<ETapi>},
    {-13856, typeid(ETapiInvalRequestMode), &IsA<ETapi>},
    {-13857, typeid(ETapiInvalTerminalID), &IsA<ETapi>},
    {-13858, typeid(ETapiInvalTerminalMode), &IsA<ETapi>},
    {-13859, typeid(ETapiInvalTimeout), &IsA<ETapi>},
    {-13860, typeid(ETapiInvalTone), &IsA<ETapi>},
    {-13861, typeid(ETapiInvalToneList), &IsA<ETapi>},
    {-13862, typeid(ETapiInvalToneMode), &IsA<ETapi>},
    {-13863, typeid(ETapiInvalTransferMode), &IsA<ETapi>},
    {-13864, typeid(ETapiLineMapperFailed), &IsA<ETapi>},
    {-13865, typeid(ETapiNoConference), &IsA<ETapi>},
    {-13866, typeid(ETapiNoDevice), &IsA<ETapi>},
    {-13867, typeid(ETapiNoDriver), &IsA<ETapi>},
    {-13868, typeid(ETapiNoMem), &IsA<ETapi>},
    {-13869, typeid(ETapiNoRequest), &IsA<ETapi>},
    {-13870, typeid(ETapiNotOwner), &IsA<ETapi>},
    {-13871, typeid(ETapiNotRegistered), &IsA<ETapi>},
    {-13872, typeid(ETapiOperationFailed), &IsA<ETapi>},
    {-13873, typeid(ETapiOperationUnavail), &IsA<ETapi>},
    {-13874, typeid(ETapiRateUnavail), &IsA<ETapi>},
    {-13875, typeid(ETapiResourceUnavail), &IsA<ETapi>},
    {-13876, typeid(ETapiRequestOverrun), &IsA<ETapi>},
    {-13877, typeid(ETapiStructureTooSmall), &IsA<ETapi>},
    {-13878, typeid(ETapiTargetNotFound), &IsA<ETapi>},
    {-13879, typeid(ETapiTargetSelf), &IsA<ETapi>},
    {-13880, typeid(ETapiUninitialized), &IsA<ETapi>},
    {-13881, typeid(ETapiUserUserInfoTooBig), &IsA<ETapi>},
    {-13882, typeid(ETapiReinit), &IsA<ETapi>},
    {-13883, typeid(ETapiAddressBlocked), &IsA<ETapi>},
    {-13884, typeid(ETapiBillingRejected), &IsA<ETapi>},
    {-13885, typeid(ETapiInvalFeature), &IsA<ETapi>},
    {-13886, typeid(ETapiNoMultipleInstance), &IsA<ETapi>},
    {-13928, typeid(ETapiBusy), &IsA<ETapi>},
    {-13929, typeid(ETapiNotSet), &IsA<ETapi>},
    {-13930, typeid(ETapiNoSelect), &IsA<ETapi>},
    {-13931, typeid(ETapiLoadFail), &IsA<ETapi>},
    {-13932, typeid(ETapiGetAddrFail), &IsA<ETapi>},
    {-13935, typeid(ETapiVoiceNotSupported), &IsA<ETapi>},
    {-13936, typeid(ETapiWaveFail), &IsA<ETapi>},
    {-13942, typeid(ETapiTranslateFail), &IsA<ETapi>},
    {-13980, typeid(ERasLoadFail), &IsA<ERas>},
};

TEST(SioExceptionTest, FromCodeCarriesCodeAndTableText) {
    const ESioException e(ecNoPortSelected);
    EXPECT_EQ(e.ErrorCode, ecNoPortSelected);
    EXPECT_STREQ(e.what(), "The ComNumber property of the TSioComPort has not been set");
}

TEST(SioExceptionTest, FromTextHasCodeZero) {
    const ESioException e("Sio exception");
    EXPECT_EQ(e.ErrorCode, 0);
    EXPECT_EQ(e.Message(), "Sio exception");
    const ESioException fromString(std::string("other"));
    EXPECT_EQ(fromString.ErrorCode, 0);
    EXPECT_STREQ(fromString.what(), "other");
}

TEST(SioExceptionTest, LeafCanBeCaughtAsLeafGroupFamilyAndRoot) {
    EXPECT_THROW(RaiseSioException(ecBadId), EBadId);
    EXPECT_THROW(RaiseSioException(ecBadId), EOpenComm);
    EXPECT_THROW(RaiseSioException(ecBadId), ERunTimeError);
    try {
        RaiseSioException(ecBadId);
    } catch (const ESioException& e) {
        EXPECT_EQ(e.ErrorCode, ecBadId);
        EXPECT_STREQ(e.what(), "ie_BadId - Specified comport doesn't exist");
    }
}

TEST(SioExceptionTest, EveryMappedCodeRaisesItsClassInItsGroup) {
    EXPECT_EQ(std::size(MappedCodes), 166U);
    for (const TMappedCode& mapped : MappedCodes) {
        SCOPED_TRACE(mapped.Code);
        try {
            RaiseSioException(mapped.Code);
        } catch (const ESioException& e) {
            EXPECT_EQ(typeid(e), mapped.Class) << typeid(e).name();
            EXPECT_TRUE(mapped.InGroup(e));
            EXPECT_EQ(e.ErrorCode, mapped.Code);
            EXPECT_EQ(e.Message(), ErrorText(mapped.Code));
        }
    }
}

TEST(SioExceptionTest, CodesWithoutClassRaiseSioExceptionWithCodeZero) {
    for (const TSioResult code : {-1, -1001, -3002, -4009, -5501, -6001, -13804, -13849, -20000}) {
        SCOPED_TRACE(code);
        try {
            RaiseSioException(code);
        } catch (const ESioException& e) {
            EXPECT_EQ(typeid(e), typeid(ESioException));
            EXPECT_EQ(e.ErrorCode, 0);
            EXPECT_EQ(e.Message(), "Sio exception");
        }
    }
}

} // namespace
