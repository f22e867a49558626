#pragma once
// Turns the short tones of one standard into selective-call sequences. Tones that follow each
// other without a pause form a run; where two tones meet, the boundary lies midway between
// them. Each tone of the run that matches a table frequency within 2 % and lasts its nominal
// length within 25 % is a symbol; at least three such symbols in a row make a sequence, and
// anything else in the run (a pre-tone, a tone of the wrong length) separates sequences.
//
// Plain object; one thread at a time.

#include "app/tones/HeardSignal.h"
#include "app/tones/ToneStandard.h"
#include "app/tones/ToneTracker.h"

#include <optional>
#include <vector>

class SequenceAssembler {
public:
    explicit SequenceAssembler(ToneStandard standard);

    // A segment the short-frame tracker closed, in time order.
    void Take(const ToneSegment& segment, std::vector<HeardSignal>& heard);

    // Ends the run once no tone can join it any more: at time now, with the tracker's open
    // segment (if any) having started at openSince.
    void Tick(double nowSeconds, std::optional<double> openSince, std::vector<HeardSignal>& heard);

    // End of input.
    void Finish(std::vector<HeardSignal>& heard);

private:
    void EndRun(std::optional<double> nextStart, std::vector<HeardSignal>& heard);
    std::optional<char> SymbolOf(const ToneSegment& segment) const;

    const ToneTable& table_;
    double gapSeconds_;
    std::vector<ToneSegment> run_;
};
