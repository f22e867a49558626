#include "serial/engine/errors/SioMessageTable.h"

#include <cstddef>

namespace {

constexpr int Magnitude(TSioResult code) {
    return code < 0 ? -code : code;
}

constexpr TSioMessageRow Rows[] = {
    {0, "OK"},

    // File and device errors.
    {-2, "File not found"},
    {-3, "Path not found"},
    {-4, "Too many open files"},
    {-5, "File access denied"},
    {-6, "Invalid file handle"},
    {-8, "Insufficient memory"},
    {-15, "Invalid drive"},
    {-18, "No more files"},
    {-100, "Attempt to read beyond end of file"},
    {-101, "Disk is full"},
    {-102, "File/device not assigned"},
    {-103, "File/device not open"},
    {-104, "File/device not open for input"},
    {-105, "File/device not open for output"},
    {-150, "Disk is write-protected"},
    {-151, "Unknown disk unit"},
    {-152, "Drive is not ready"},
    {-153, "Unknown command"},
    {-154, "Data error"},
    {-155, "Bad request structure length"},
    {-156, "Seek error"},
    {-157, "Unknown media type"},
    {-158, "Disk sector not found"},
    {-159, "Printer is out of paper"},
    {-160, "Device write error"},
    {-161, "Device read error"},
    {-162, "General failure"},

    // General.
    {ecBadHandle, "Bad handle passed to com function"},
    {ecBadArgument, "Bad argument passed to function"},
    {ecGotQuitMsg, "Got quit message"},
    {ecBufferTooBig, "Terminal buffer greater than 65521"},
    {ecPortNotAssigned, "ComPort component not assigned"},
    {ecInternal, "Internal error creating window class"},
    {ecModemNotAssigned, "Modem component not assigned"},
    {ecPhonebookNotAssigned, "Phonebook component not assigned"},
    {ecCannotUseWithWinSock, "Component not compatible with WinSock"},

    // Opening a port.
    {ecBadId, "ie_BadId - Specified comport doesn't exist"},
    {ecBaudRate, "ie_Baudrate - unsupported baud rate"},
    {ecByteSize, "ie_Bytesize - invalid byte size"},
    {ecDefault, "ie_Default - error in default parameters"},
    {ecHardware, "ie_Hardware - Specified comport in use"},
    {ecMemory, "ie_Memory - unable to allocate queues"},
    {ecCommNotOpen, "ie_NOpen - device not open"},
    {ecAlreadyOpen, "ie_Open - device already open"},
    {ecNoHandles, "No more handles, can't open port"},
    {ecNoTimers, "No timers available"},
    {ecNoPortSelected, "The ComNumber property of the TSioComPort has not been set"},
    {ecNotOpenedByTapi, "Comport was not opened by Tapi"},

    // Serial I/O, trace and log.
    {ecNullApi, "No device layer specified"},
    {ecNotSupported, "Function not supported by driver"},
    {ecRegisterHandlerFailed, "EnableCommNotification failed"},
    {ecPutBlockFail, "Failed to put entire block"},
    {ecGetBlockFail, "Failed to get entire block"},
    {ecOutputBufferTooSmall, "Output buffer too small for block"},
    {ecBufferIsEmpty, "Buffer is empty"},
    {ecTracingNotEnabled, "Tracing not enabled"},
    {ecLoggingNotEnabled, "Logging not enabled"},
    {ecBaseAddressNotSet, "Base address not set"},

    // Triggers.
    {ecNoMoreTriggers, "No more trigger slots"},
    {ecTriggerTooLong, "Data trigger too long"},
    {ecBadTriggerHandle, "Bad trigger handle"},

    // Dispatch-log entry types.
    {15001, "No event"},
    {15002, "Dispatch"},
    {15003, "Trigger"},
    {15004, "Error"},
    {15005, "Thread"},
    {15006, "TrigAllc"},
    {15007, "TrigDisp"},
    {15008, "TrgHdAlc"},
    {15009, "TrgHdDsp"},
    {15010, "TrDatChg"},
    {15011, "Telnet"},
    {15012, "Fax"},
    {15013, "XModem"},
    {15014, "YModem"},
    {15015, "ZModem"},
    {15016, "Kermit"},
    {15017, "Ascii"},
    {15018, "BPlus"},
    {15019, "Packet"},
    {15020, "User"},
    {15021, "Script"},

    // Dispatch-log entry subtypes.
    {15101, "ReadCom"},
    {15102, "WriteCom"},
    {15103, "Line status"},
    {15104, "Modem status"},
    {15105, "Avail"},
    {15106, "Timer"},
    {15107, "Data"},
    {15108, "Status"},
    {15109, "Start"},
    {15110, "Exit"},
    {15111, "Sleep"},
    {15112, "Wake"},
    {15113, "Data"},
    {15114, "Timer"},
    {15115, "Status"},
    {15116, "Avail"},
    {15117, "Window"},
    {15118, "Procedure"},
    {15119, "Method"},

    // Dispatch-log column headings.
    {mtLogHeading, "Time      Type      SubType       Data      OtherData"},
    {mtLogHeadingRule, "--------  --------  ------------  --------  ---------"},

    // Modem-status bits; the log joins them, so each keeps its trailing space.
    {15601, "DCTS "},
    {15602, "DDSR "},
    {15603, "TERI "},
    {15604, "DDCD "},
    {15605, "CTS "},
    {15606, "DSR "},
    {15607, "RI "},
    {15608, "DCD "},

    // Telnet options 0 ... 42.
    {15700, "Binary"},
    {15701, "Echo"},
    {15702, "Reconnection"},
    {15703, "Suppress Go Ahead"},
    {15704, "Message Size"},
    {15705, "Status"},
    {15706, "Timing Mark"},
    {15707, "Remote Echo"},
    {15708, "Line Width"},
    {15709, "Page Size"},
    {15710, "CR Disposition"},
    {15711, "Tab Stops"},
    {15712, "Tab Disposition"},
    {15713, "Formfeed Disposition"},
    {15714, "Vertical Tab Stops"},
    {15715, "Vertical Tab Disposition"},
    {15716, "Linefeed Disposition"},
    {15717, "Extended ASCII"},
    {15718, "Logout"},
    {15719, "Byte Macro"},
    {15720, "Data Entry Terminal"},
    {15721, "SUPDUP"},
    {15722, "SUPDUP Output"},
    {15723, "Send Location"},
    {15724, "Terminal Type"},
    {15725, "End of Record"},
    {15726, "TACACS User ID"},
    {15727, "Output Marking"},
    {15728, "Terminal Location"},
    {15729, "3270 Regime"},
    {15730, "X.3 PAD"},
    {15731, "Window Size"},
    {15732, "Terminal Speed"},
    {15733, "Remote Flow Control"},
    {15734, "Linemode"},
    {15735, "X Display Location"},
    {15736, "Environment"},
    {15737, "Authentication"},
    {15738, "Encryption"},
    {15739, "New Environment"},
    {15740, "TN3270E"},
    {15741, "XAUTH"},
    {15742, "Character Set"},
};

constexpr bool StrictlyAscendingByMagnitude() {
    for (std::size_t i = 1; i < std::size(Rows); ++i) {
        if (Magnitude(Rows[i - 1].Code) >= Magnitude(Rows[i].Code)) {
            return false;
        }
    }
    return true;
}

// The binary search below is only correct on a strictly ascending table.
static_assert(StrictlyAscendingByMagnitude(),
              "message rows must be strictly ascending by magnitude");

constexpr std::size_t MaxTextLength = 255;

} // namespace

std::span<const TSioMessageRow> MessageTable() {
    return Rows;
}

std::string_view MessageTableText(int magnitude) {
    int lo = 0;
    int hi = static_cast<int>(std::size(Rows)) - 1;
    while (lo <= hi) {
        const int sum = lo + hi;
        int mid = sum / 2;
        if (sum % 2 != 0 && mid % 2 != 0) {
            ++mid;
        }
        const int rowMagnitude = Magnitude(Rows[mid].Code);
        if (rowMagnitude == magnitude) {
            return Rows[mid].Text.substr(0, MaxTextLength);
        }
        if (magnitude < rowMagnitude) {
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    return {};
}
