#include "tools/encoder-sim/audio/WavWriter.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace EncoderSim {

namespace {

constexpr std::uint32_t HeaderBytes = 44;

void PutLittle(unsigned char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

} // namespace

TWavWriter::TWavWriter(std::string path, int sampleRate)
    : Path_(std::move(path)), SampleRate_(sampleRate), File_(std::fopen(Path_.c_str(), "wb")) {
    if (!File_)
        Fail("create");
    try {
        WriteHeader();
    } catch (...) {
        std::fclose(File_);
        throw;
    }
}

TWavWriter::~TWavWriter() {
    std::fclose(File_);
}

void TWavWriter::Append(const std::vector<std::int16_t>& samples) {
    const auto bytes = 2 * samples.size();
    if (bytes > std::numeric_limits<std::uint32_t>::max() - HeaderBytes - DataBytes_)
        throw std::runtime_error("cannot write " + Path_ + ": a WAV file holds at most 4 GB");
    std::vector<unsigned char> raw(bytes);
    for (std::size_t i = 0; i < samples.size(); ++i)
        PutLittle(&raw[2 * i], static_cast<std::uint16_t>(samples[i]), 2);
    if (std::fseek(File_, 0, SEEK_END) != 0 || std::fwrite(raw.data(), 1, bytes, File_) != bytes)
        Fail("write");
    DataBytes_ += static_cast<std::uint32_t>(bytes);
    WriteHeader();
}

void TWavWriter::WriteHeader() {
    std::array<unsigned char, HeaderBytes> header{};
    std::memcpy(&header[0], "RIFF", 4);
    PutLittle(&header[4], HeaderBytes - 8 + DataBytes_, 4);
    std::memcpy(&header[8], "WAVEfmt ", 8);
    PutLittle(&header[16], 16, 4); // format chunk size
    PutLittle(&header[20], 1, 2);  // PCM
    PutLittle(&header[22], 1, 2);  // mono
    PutLittle(&header[24], static_cast<std::uint32_t>(SampleRate_), 4);
    PutLittle(&header[28], static_cast<std::uint32_t>(SampleRate_) * 2, 4); // bytes per second
    PutLittle(&header[32], 2, 2);                                           // bytes per frame
    PutLittle(&header[34], 16, 2);                                          // bits per sample
    std::memcpy(&header[36], "data", 4);
    PutLittle(&header[40], DataBytes_, 4);
    if (std::fseek(File_, 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, header.size(), File_) != header.size() ||
        std::fflush(File_) != 0)
        Fail("write");
}

void TWavWriter::Fail(const char* doing) const {
    throw std::runtime_error(std::string("cannot ") + doing + " " + Path_ + ": " +
                             std::strerror(errno));
}

} // namespace EncoderSim
