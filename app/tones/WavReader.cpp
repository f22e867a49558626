#include "app/tones/WavReader.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

namespace {

constexpr std::uint16_t PcmFormat = 1;
constexpr std::uint16_t ExtensibleFormat = 0xFFFE;
// A header chunk larger than this is damage, not data worth skipping through.
constexpr std::uint32_t LargestHeaderChunk = 1u << 20;
// More is no recording of a radio channel, and would make a chunk of frames huge.
constexpr int MostChannels = 8;

std::uint32_t Little32(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t{bytes[3]} << 24);
}

std::uint16_t Little16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

void ReadExactly(std::istream& in, unsigned char* bytes, std::size_t count, const char* what) {
    in.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
    if (static_cast<std::size_t>(in.gcount()) != count)
        throw TWavError(std::string("the file ends inside the ") + what);
}

std::string FormatName(std::uint16_t tag) {
    switch (tag) {
    case 2:
        return "ADPCM";
    case 3:
        return "32-bit float";
    case 6:
        return "A-law";
    case 7:
        return "mu-law";
    case 0x55:
        return "MP3";
    default:
        return "code " + std::to_string(tag);
    }
}

} // namespace

TWavReader::TWavReader(std::istream& in) : In_(in) {
    std::array<unsigned char, 12> riff{};
    ReadExactly(In_, riff.data(), riff.size(), "WAV header");
    if (std::string(riff.begin(), riff.begin() + 4) != "RIFF" ||
        std::string(riff.begin() + 8, riff.end()) != "WAVE")
        throw TWavError("not a WAV file (no RIFF/WAVE header)");

    bool haveFormat = false;
    for (;;) {
        std::array<unsigned char, 8> header{};
        In_.read(reinterpret_cast<char*>(header.data()), header.size());
        if (In_.gcount() != static_cast<std::streamsize>(header.size()))
            throw TWavError(haveFormat ? "no sample data (no data chunk)"
                                       : "no format description (no fmt chunk)");
        const std::string id(header.begin(), header.begin() + 4);
        const std::uint32_t size = Little32(header.data() + 4);
        if (id == "data") {
            if (!haveFormat)
                throw TWavError("sample data before the format description");
            // Streams that cannot seek back write 0 or the largest size: read to their end.
            SizeGiven_ = size != 0 && size != std::numeric_limits<std::uint32_t>::max();
            BytesLeft_ = size == 0 ? std::numeric_limits<std::uint64_t>::max() : size;
            return;
        }
        if (size > LargestHeaderChunk)
            throw TWavError("damaged header (chunk '" + id + "' too large)");
        std::vector<unsigned char> body(size + (size & 1u)); // chunks are padded to even length
        ReadExactly(In_, body.data(), body.size(), "WAV header");
        if (id != "fmt ")
            continue;
        if (size < 16)
            throw TWavError("damaged format description");
        std::uint16_t tag = Little16(body.data());
        if (tag == ExtensibleFormat && size < 26)
            throw TWavError("damaged format description (extensible format cut short)");
        if (tag == ExtensibleFormat)
            tag = Little16(body.data() + 24);
        const std::uint16_t bits = Little16(body.data() + 14);
        Channels_ = Little16(body.data() + 2);
        SampleRate_ = static_cast<int>(Little32(body.data() + 4));
        if (tag != PcmFormat)
            throw TWavError("unsupported sample format " + FormatName(tag) +
                            "; only 16-bit PCM is read");
        if (bits != 16)
            throw TWavError("unsupported " + std::to_string(bits) +
                            "-bit PCM; only 16-bit PCM is read");
        if (Channels_ < 1)
            throw TWavError("damaged format description (no channels)");
        if (Channels_ > MostChannels)
            throw TWavError("unsupported " + std::to_string(Channels_) + " channels; at most " +
                            std::to_string(MostChannels) + " are mixed");
        haveFormat = true;
    }
}

std::size_t TWavReader::Read(std::int16_t* out, std::size_t capacity) {
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(Channels_);
    std::uint64_t wanted = std::min<std::uint64_t>(BytesLeft_, capacity * frameBytes);
    wanted -= wanted % frameBytes;
    if (wanted == 0)
        return 0;
    Raw_.resize(wanted);
    In_.read(Raw_.data(), static_cast<std::streamsize>(wanted));
    const auto got = static_cast<std::size_t>(In_.gcount());
    BytesLeft_ -= got;
    const std::size_t frames = got / frameBytes;
    const auto* bytes = reinterpret_cast<const unsigned char*>(Raw_.data());
    for (std::size_t f = 0; f < frames; ++f) {
        long sum = 0;
        for (int c = 0; c < Channels_; ++c) {
            const std::size_t at = f * frameBytes + 2 * static_cast<std::size_t>(c);
            sum += static_cast<std::int16_t>(Little16(bytes + at));
        }
        out[f] = static_cast<std::int16_t>(sum / Channels_);
    }
    if (got < wanted) {
        CutShort_ = SizeGiven_;
        BytesLeft_ = 0;
    }
    return frames;
}
