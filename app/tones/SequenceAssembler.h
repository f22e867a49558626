#pragma once
// Turns the short tones of one standard into selective-call sequences. Pieces of one frequency
// with little between them are one tone that noise broke up. Tones that follow each other with
// at most a short pause form a run; where two tones meet without a pause, their boundary is
// measured on the samples, and where a pause lies between them, each edge is measured. Each
// tone of the run is named by the table's nearest symbol while it lies closer to it than to any
// other and sounds between half and one and a half times the nominal length, so a detuned or
// stretched tone is still heard and measured; at least three symbols in a row make a sequence,
// and anything else in the run (a pre-tone, a tone far too long or short) separates sequences.
//
// Plain object; one thread at a time.

#include "app/tones/HeardSignal.h"
#include "app/tones/ToneMeasurer.h"
#include "app/tones/ToneStandard.h"
#include "app/tones/ToneTracker.h"

#include <optional>
#include <vector>

class TSequenceAssembler {
public:
    // measurer: the analysis samples the segments were found in; it must outlive this.
    TSequenceAssembler(TToneStandard standard, const TToneMeasurer& measurer);

    // A segment the short-frame tracker closed, in time order.
    void Take(const TToneSegment& segment, std::vector<THeardSignal>& heard);

    // Ends the run once no tone can join it any more: at time now, with the tracker's open
    // segment (if any) having started at openSince.
    void Tick(double nowSeconds, std::optional<double> openSince, std::vector<THeardSignal>& heard);

    // End of input.
    void Finish(std::vector<THeardSignal>& heard);

    // Where the run still open begins (or a piece that may yet open one): no sequence still to
    // come starts before it.
    std::optional<double> OpenSince() const;

private:
    struct TRunTone {
        TToneSegment Raw;     // as the tracker found it, pieces of one tone joined
        TToneSegment Segment; // its frequency and start measured
        double Amplitude;     // its level, for the edges
        double MeasuredEnd;   // the end as measured, for a tone a pause follows
        bool JoinsPrevious;   // no pause before it
    };
    void EndRun(std::optional<double> nextStart, std::vector<THeardSignal>& heard);
    // Measures the run's last tone, while its samples are still kept.
    void MeasureLast();
    bool SameTone(const TToneSegment& earlier, const TToneSegment& later) const;
    std::optional<char> SymbolOf(const TToneSegment& segment) const;

    const TToneTable& Table_;
    const TToneMeasurer& Measurer_;
    double GapSeconds_;
    std::vector<TRunTone> Run_;
    std::optional<TToneSegment> Piece_; // too short a piece, kept in case the tone goes on
};
