#pragma once
// Reconciles the two ways sequences are heard. The frame path (tracker and assembler) follows
// clear tones of any length, pauses and detuning closely; the chain path (chain search and
// selector) integrates whole tones and hears codes far down in noise. Where both heard the
// same stretch, the frame path's sequence stands if it holds the chain's digits; a certain
// chain that it does not hold replaces it (the frame path's fragments of a weak code). A frame
// path sequence whose tones carry harmonics or ring on into the next is music, not a call.
// Every sequence leaves with a confidence: the frame path's from how each of its tones stands
// in the line bank (certain only within an encoder's tolerance), the chain's from its selector. A
// sequence leaves once neither path can still report anything overlapping it.
//
// Plain object; one thread at a time.

#include "app/tones/ChainSearch.h"
#include "app/tones/ChainSelector.h"
#include "app/tones/HeardSignal.h"
#include "app/tones/ToneMeasurer.h"
#include "app/tones/ToneStandard.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

class TSequenceArbiter {
public:
    // Sample n (from 0) of the analysis lies at n / sampleRate + offsetSeconds; measurer holds
    // the same samples and must outlive this.
    TSequenceArbiter(TToneStandard standard, double sampleRate, double offsetSeconds,
                     const TToneMeasurer& measurer);

    void Add(float sample);

    // A sequence the frame path completed.
    void TakeFramed(THeardSignal sequence);

    // Passes on what is settled. framedSince: the earliest start the frame path may still
    // report a sequence from (nothing while it follows nothing).
    void Release(std::optional<double> framedSince, std::vector<THeardSignal>& heard);

    // End of input: the frame path has reported all it will.
    void Finish(std::vector<THeardSignal>& heard);

private:
    struct TPendingSequence {
        THeardSignal Signal;
        std::string Symbols;    // as sent: the repeat tone stays E
        std::uint64_t From = 0; // grid points
        std::uint64_t To = 0;
    };
    struct TDecided {
        std::uint64_t From = 0;
        std::uint64_t To = 0;
        std::string Symbols;
        bool Certain = false;
        bool Framed = false;
        bool Passed = false;
    };
    double Seconds(std::uint64_t point) const;
    std::uint64_t Point(double seconds) const;
    THeardSignal Measured(const TFoundChain& chain) const;
    void JudgeFramed(THeardSignal& sequence) const;
    bool SoundsLikeACall(const THeardSignal& sequence) const;
    bool ClearlyNamed(const THeardSignal& sequence) const;
    bool AdjoinsATone(const TPendingSequence& framed) const;
    bool FramedReady(const TPendingSequence& framed) const;
    bool ChainReady(const TPendingSequence& chain, double framedSince) const;
    void Pass(TPendingSequence& framed, std::vector<THeardSignal>& heard);
    void PassChain(TPendingSequence& chain, std::vector<THeardSignal>& heard);
    void Record(const TPendingSequence& sequence, bool framed, bool passed);
    static TPendingSequence Pending(THeardSignal sequence, std::uint64_t from, std::uint64_t to);

    const TToneTable& Table_;
    TChainSearch Search_;
    TChainSelector Selector_;
    const TToneMeasurer& Measurer_;
    double SampleRate_;
    double OffsetSeconds_;
    std::vector<TFoundChain> Found_;
    std::deque<TPendingSequence> Framed_;
    std::deque<TPendingSequence> Chains_;
    std::deque<TDecided> Decided_;
};
