#pragma once
// A 16-bit mono WAV file that grows alarm by alarm. The header is brought up to date after
// every append, so the file is complete whenever the simulator stops, however it stops.
//
// Not thread-safe: the owner serialises calls. The constructor and Append throw
// std::runtime_error naming the file and the system's reason.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace EncoderSim {

class TWavWriter {
public:
    TWavWriter(std::string path, int sampleRate); // creates or truncates the file
    ~TWavWriter();
    TWavWriter(const TWavWriter&) = delete;
    TWavWriter& operator=(const TWavWriter&) = delete;

    void Append(const std::vector<std::int16_t>& samples);

private:
    void WriteHeader();
    [[noreturn]] void Fail(const char* doing) const;

    std::string Path_;
    int SampleRate_;
    std::FILE* File_;
    std::uint32_t DataBytes_ = 0;
};

} // namespace EncoderSim
