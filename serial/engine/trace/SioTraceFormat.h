#pragma once
// The trace's text: a heading line for every run of entries of one kind ("Receive: ",
// "Transmit: ", "Special-" + kind + ": "), an empty line between runs, the bytes as items
// wrapped at column 78, CR LF line ends and no line end after the last item.
//
// Feed the entries oldest first; the formatter only writes to its sink. Not thread-safe.

#include "serial/engine/trace/SioTextFile.h"

#include <cstdint>

class TSioTraceFormatter {
public:
    TSioTraceFormatter(ISioTextSink& sink, bool hex, bool allHex)
        : Sink_(sink), Hex_(hex), AllHex_(allHex) {}

    void Add(char kind, std::uint8_t byte);

private:
    void WriteHeading(char kind);

    ISioTextSink& Sink_;
    bool Hex_;
    bool AllHex_;
    bool First_ = true;
    char LastKind_ = 0;
    unsigned Column_ = 0;
};
