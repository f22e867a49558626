#include "serial/engine/trace/SioLogFormat.h"

#include "serial/engine/errors/SioErrorText.h"
#include "serial/engine/errors/SioMessageTable.h"
#include "serial/engine/trace/SioByteItem.h"
#include "serial/engine/trace/SioLogNames.h"

#include <cstdio>

namespace {

constexpr std::size_t HeaderLineLimit = 80;

void WriteLine(ISioTextSink& sink, std::string_view text) {
    sink.Write(text);
    sink.Write(SioLineEnd);
}

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

std::string PadLeft(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.insert(0, width - text.size(), ' ');
    }
    return text;
}

std::string Prefix(const TSioLogHeader& header) {
    char value[9];
    std::snprintf(value, sizeof value, "%08X", static_cast<std::uint32_t>(header.Value));
    return PadLeft(LogTimeText(header.Time), 8) + "  " + PadRight(LogTypeName(header.Type), 8) +
           "  " + PadRight(LogSubtypeName(header.Subtype), 12) + "  " + value + "  ";
}

void AppendItems(std::string& line, const TSioLogHeader& header, std::span<const std::uint8_t> data,
                 bool hex, bool allHex) {
    const bool plain = allHex && header.Type == sltUser;
    unsigned column = SioLogPrefixWidth + 1;
    for (const std::uint8_t byte : data) {
        const TSioByteItem item =
            plain ? TSioByteItem::Plain(byte) : TSioByteItem::Render(byte, hex, allHex);
        column += item.Width();
        if (column > SioItemColumnLimit) {
            line += SioLineEnd;
            line.append(SioLogPrefixWidth, ' ');
            column = item.Width() + SioLogPrefixWidth + 1;
        }
        line += item.Text();
    }
}

} // namespace

std::string LogTimeText(std::uint32_t ms) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%07u", static_cast<unsigned>(ms));
    std::string text(digits);
    text.insert(text.size() - 3, 1, '.');
    return text;
}

void WriteLogHeader(ISioTextSink& sink, const std::string& osDescription,
                    const std::string& deviceName, const std::tm& localTime) {
    char dateTime[32];
    const std::size_t length =
        std::strftime(dateTime, sizeof dateTime, "%d/%m/%y, %H:%M:%S", &localTime);
    WriteLine(sink, "SIO v4.05");
    WriteLine(sink, "Compiler : Unknown");
    WriteLine(sink, "Operating System : " + osDescription.substr(0, HeaderLineLimit));
    WriteLine(sink, "Device: " + deviceName);
    WriteLine(sink, "Date/time: " + std::string(dateTime, length).substr(0, HeaderLineLimit));
    WriteLine(sink, ErrorText(mtLogHeading));
    WriteLine(sink, ErrorText(mtLogHeadingRule));
}

void WriteLogEntry(ISioTextSink& sink, const TSioLogHeader& header,
                   std::span<const std::uint8_t> data, bool hex, bool allHex) {
    std::string line = Prefix(header);
    if (data.empty()) {
        if (header.Type == sltTelnet) {
            line += "[" + LogTelnetOptionName(header.Value) + "]";
        }
    } else {
        if (header.Subtype == slsTriggerStatus &&
            (header.Type == sltTriggerAlloc || header.Type == sltTriggerDispose)) {
            line += LogTriggerKindName(data[0]);
        } else {
            AppendItems(line, header, data, hex, allHex);
        }
        if (header.Subtype == slsModemStatus) {
            line += "(" + LogModemBitNames(header.Value) + ")";
        }
    }
    WriteLine(sink, line);
}
