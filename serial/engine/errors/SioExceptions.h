#pragma once
// The ESioException family: the serial layer's exceptions.
//
// ESioException carries ErrorCode: the negative code it was raised for, or 0 when it was raised
// with a plain text. Ten group classes derive from it and 160 leaves from the groups; a leaf adds
// nothing but its name and place in the tree, so a caller can catch one condition, a group or the
// whole family. RaiseSioException maps a code to its class. Only a dozen of the classes are ever
// raised by this layer (opening, output, trace and log); the others are kept because callers may
// name any class of the family in their handlers. Value types without shared state: any thread
// may create and throw them.

#include "runtime/RunTimeErrors.h"
#include "serial/engine/errors/SioResultCodes.h"

#include <string>

class ESioException : public ERunTimeError {
public:
    // ErrorCode := code; the message is ErrorText(code).
    explicit ESioException(TSioResult code);
    // ErrorCode := 0.
    explicit ESioException(const std::string& text);

    TSioResult ErrorCode;
};

#define QUORVANE_SIO_EXCEPTION(Name, Parent)                                                       \
    class Name : public Parent {                                                                   \
    public:                                                                                        \
        using Parent::Parent;                                                                      \
    }

// Groups.
QUORVANE_SIO_EXCEPTION(EGeneral, ESioException);
QUORVANE_SIO_EXCEPTION(EOpenComm, ESioException);
QUORVANE_SIO_EXCEPTION(ESerialIO, ESioException);
QUORVANE_SIO_EXCEPTION(EModem, ESioException);
QUORVANE_SIO_EXCEPTION(ETrigger, ESioException);
QUORVANE_SIO_EXCEPTION(EProtocol, ESioException);
QUORVANE_SIO_EXCEPTION(EINI, ESioException);
QUORVANE_SIO_EXCEPTION(EFax, ESioException);
QUORVANE_SIO_EXCEPTION(ETapi, ESioException);
QUORVANE_SIO_EXCEPTION(ERas, ESioException);

// General.
QUORVANE_SIO_EXCEPTION(EBadArgument, EGeneral);
QUORVANE_SIO_EXCEPTION(EGotQuitMsg, EGeneral);
QUORVANE_SIO_EXCEPTION(EBufferTooBig, EGeneral);
QUORVANE_SIO_EXCEPTION(EPortNotAssigned, EGeneral);
QUORVANE_SIO_EXCEPTION(EInternal, EGeneral);
QUORVANE_SIO_EXCEPTION(EModemNotAssigned, EGeneral);
QUORVANE_SIO_EXCEPTION(EPhonebookNotAssigned, EGeneral);
QUORVANE_SIO_EXCEPTION(ECannotUseWithWinSock, EGeneral);

// Opening a port.
QUORVANE_SIO_EXCEPTION(EBadId, EOpenComm);
QUORVANE_SIO_EXCEPTION(EBaudRate, EOpenComm);
QUORVANE_SIO_EXCEPTION(EByteSize, EOpenComm);
QUORVANE_SIO_EXCEPTION(EDefault, EOpenComm);
QUORVANE_SIO_EXCEPTION(EHardware, EOpenComm);
QUORVANE_SIO_EXCEPTION(EMemory, EOpenComm);
QUORVANE_SIO_EXCEPTION(ECommNotOpen, EOpenComm);
QUORVANE_SIO_EXCEPTION(EAlreadyOpen, EOpenComm);
QUORVANE_SIO_EXCEPTION(ENoHandles, EOpenComm);
QUORVANE_SIO_EXCEPTION(ENoTimers, EOpenComm);
QUORVANE_SIO_EXCEPTION(ENoPortSelected, EOpenComm);
QUORVANE_SIO_EXCEPTION(ENotOpenedByTapi, EOpenComm);

// Serial I/O, trace and log.
QUORVANE_SIO_EXCEPTION(ENullApi, ESerialIO);
QUORVANE_SIO_EXCEPTION(ERegisterHandlerFailed, ESerialIO);
QUORVANE_SIO_EXCEPTION(EPutBlockFail, ESerialIO);
QUORVANE_SIO_EXCEPTION(EGetBlockFail, ESerialIO);
QUORVANE_SIO_EXCEPTION(EOutputBufferTooSmall, ESerialIO);
QUORVANE_SIO_EXCEPTION(EBufferIsEmpty, ESerialIO);
QUORVANE_SIO_EXCEPTION(ETracingNotEnabled, ESerialIO);
QUORVANE_SIO_EXCEPTION(ELoggingNotEnabled, ESerialIO);
QUORVANE_SIO_EXCEPTION(EBaseAddressNotSet, ESerialIO);

// Modem and dialer.
QUORVANE_SIO_EXCEPTION(EModemNotStarted, EModem);
QUORVANE_SIO_EXCEPTION(EModemBusy, EModem);
QUORVANE_SIO_EXCEPTION(EModemNotDialing, EModem);
QUORVANE_SIO_EXCEPTION(ENotDialing, EModem);
QUORVANE_SIO_EXCEPTION(EAlreadyDialing, EModem);
QUORVANE_SIO_EXCEPTION(EModemNotResponding, EModem);
QUORVANE_SIO_EXCEPTION(EModemRejectedCommand, EModem);
QUORVANE_SIO_EXCEPTION(EModemStatusMismatch, EModem);

// Triggers.
QUORVANE_SIO_EXCEPTION(ENoMoreTriggers, ETrigger);
QUORVANE_SIO_EXCEPTION(ETriggerTooLong, ETrigger);
QUORVANE_SIO_EXCEPTION(EBadTriggerHandle, ETrigger);

// INI database.
QUORVANE_SIO_EXCEPTION(EKeyTooLong, EINI);
QUORVANE_SIO_EXCEPTION(EDataTooLarge, EINI);
QUORVANE_SIO_EXCEPTION(EIniWrite, EINI);
QUORVANE_SIO_EXCEPTION(EIniRead, EINI);
QUORVANE_SIO_EXCEPTION(ERecordExists, EINI);
QUORVANE_SIO_EXCEPTION(ERecordNotFound, EINI);
QUORVANE_SIO_EXCEPTION(EDatabaseFull, EINI);
QUORVANE_SIO_EXCEPTION(EDatabaseEmpty, EINI);
QUORVANE_SIO_EXCEPTION(EBadFieldList, EINI);
QUORVANE_SIO_EXCEPTION(EBadFieldForIndex, EINI);

// Fax.
QUORVANE_SIO_EXCEPTION(EFaxBadFormat, EFax);
QUORVANE_SIO_EXCEPTION(EBadGraphicsFormat, EFax);
QUORVANE_SIO_EXCEPTION(EConvertAbort, EFax);
QUORVANE_SIO_EXCEPTION(EUnpackAbort, EFax);
QUORVANE_SIO_EXCEPTION(ECantMakeBitmap, EFax);
QUORVANE_SIO_EXCEPTION(EInvalidPageNumber, EFax);
QUORVANE_SIO_EXCEPTION(EFaxBadMachine, EFax);
QUORVANE_SIO_EXCEPTION(EFaxBadModemResult, EFax);
QUORVANE_SIO_EXCEPTION(EFaxTrainError, EFax);
QUORVANE_SIO_EXCEPTION(EFaxInitError, EFax);
QUORVANE_SIO_EXCEPTION(EFaxBusy, EFax);
QUORVANE_SIO_EXCEPTION(EFaxVoiceCall, EFax);
QUORVANE_SIO_EXCEPTION(EFaxDataCall, EFax);
QUORVANE_SIO_EXCEPTION(EFaxNoDialTone, EFax);
QUORVANE_SIO_EXCEPTION(EFaxNoCarrier, EFax);
QUORVANE_SIO_EXCEPTION(EFaxSessionError, EFax);
QUORVANE_SIO_EXCEPTION(EFaxPageError, EFax);

// Telephony.
QUORVANE_SIO_EXCEPTION(ETapiAllocated, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiBadDeviceID, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiBearerModeUnavail, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiCallUnavail, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiCompletionOverrun, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiConferenceFull, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiDialBilling, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiDialDialtone, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiDialPrompt, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiDialQuiet, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiIncompatibleApiVersion, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiIncompatibleExtVersion, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiIniFileCorrupt, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInUse, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalAddress, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalAddressID, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalAddressMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalAddressState, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalAppHandle, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalAppName, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalBearerMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCallComplMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCallHandle, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCallParams, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCallPrivilege, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCallSelect, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCallState, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCallStatelist, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCard, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCompletionID, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalConfCallHandle, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalConsultCallHandle, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalCountryCode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalDeviceClass, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalDeviceHandle, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalDialParams, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalDigitList, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalDigitMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalDigits, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalExtVersion, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalGroupID, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalLineHandle, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalLineState, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalLocation, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalMediaList, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalMediaMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalMessageID, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalParam, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalParkID, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalParkMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalPointer, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalPrivSelect, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalRate, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalRequestMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalTerminalID, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalTerminalMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalTimeout, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalTone, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalToneList, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalToneMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalTransferMode, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiLineMapperFailed, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNoConference, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNoDevice, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNoDriver, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNoMem, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNoRequest, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNotOwner, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNotRegistered, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiOperationFailed, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiOperationUnavail, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiRateUnavail, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiResourceUnavail, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiRequestOverrun, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiStructureTooSmall, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiTargetNotFound, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiTargetSelf, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiUninitialized, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiUserUserInfoTooBig, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiReinit, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiAddressBlocked, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiBillingRejected, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiInvalFeature, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNoMultipleInstance, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiBusy, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNotSet, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiNoSelect, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiLoadFail, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiGetAddrFail, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiVoiceNotSupported, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiWaveFail, ETapi);
QUORVANE_SIO_EXCEPTION(ETapiTranslateFail, ETapi);

// Remote access.
QUORVANE_SIO_EXCEPTION(ERasLoadFail, ERas);

#undef QUORVANE_SIO_EXCEPTION

// Raises the class mapped to this code, constructed from the code; a code without a class raises
// ESioException("Sio exception") with ErrorCode 0.
[[noreturn]] void RaiseSioException(TSioResult code);
