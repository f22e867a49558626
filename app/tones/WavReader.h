#pragma once
// Reads 16-bit PCM audio from a WAV stream, a chunk at a time, so a long recording never has to
// fit in memory. Several channels are mixed to mono. Anything else (other sample formats,
// compressed audio, a damaged header) is refused with a sentence that says what was found.
//
// The reader borrows the stream; one thread at a time. Construction throws TWavError; Read
// never throws and returns 0 at the end of the data or of the stream; CutShort then tells
// whether the stream ended before the data size its header gives.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <stdexcept>
#include <vector>

class TWavError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TWavReader {
public:
    explicit TWavReader(std::istream& in); // reads the header up to the sample data

    int SampleRate() const { return SampleRate_; }

    // Up to `capacity` mono samples; 0 at the end. A last partial frame is dropped.
    std::size_t Read(std::int16_t* out, std::size_t capacity);
    bool CutShort() const { return CutShort_; }

private:
    std::istream& In_;
    int SampleRate_ = 0;
    int Channels_ = 0;
    std::uint64_t BytesLeft_ = 0;
    bool SizeGiven_ = false;
    bool CutShort_ = false;
    std::vector<char> Raw_;
};
