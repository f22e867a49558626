// The lines the simulated encoder prints for whatever it receives, as text and as JSON.
//
// Input: a byte choosing the outcome and waiting count, then the byte stream. Every frame and
// rejection the decoder makes of the stream, and a carrier notice for its first bytes, must print
// as one line of printable ASCII; a JSON line is one object, and every JSON string read back
// gives the bytes it was made from.

#include "fuzz/FuzzCheck.h"
#include "tools/encoder-sim/program/EventFormat.h"

#include <optional>
#include <string>

using namespace EncoderSim;

namespace {

void CheckPrintable(const std::string& line) {
    for (const char c : line) {
        FUZZ_CHECK(c >= 0x20 && c < 0x7F);
    }
}

std::optional<std::string> ReadJsonString(std::string_view json) {
    if (json.size() < 2 || json.front() != '"' || json.back() != '"') {
        return std::nullopt;
    }
    json = json.substr(1, json.size() - 2);
    std::string bytes;
    for (std::size_t i = 0; i < json.size(); ++i) {
        if (json[i] != '\\') {
            bytes += json[i];
        } else if (i + 1 < json.size() && (json[i + 1] == '"' || json[i + 1] == '\\')) {
            bytes += json[++i];
        } else if (json.substr(i + 1, 3) == "u00" && json.size() >= i + 6) {
            bytes += static_cast<char>(std::stoi(std::string(json.substr(i + 4, 2)), nullptr, 16));
            i += 5;
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

void CheckLines(const TSimEvent& event) {
    const std::string text = FormatEvent(event, false);
    CheckPrintable(text);
    const std::string json = FormatEvent(event, true);
    CheckPrintable(json);
    FUZZ_CHECK(json.starts_with('{') && json.ends_with('}'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const std::uint8_t settings = input.Byte();
    const auto outcome = static_cast<TAlarmOutcome>(settings % 3);
    const std::size_t waiting = settings / 3;
    const std::string_view stream = input.Rest();

    FUZZ_CHECK(ReadJsonString(JsonString(stream)) == std::string(stream));
    CheckLines(TEncoderNotice{TEncoderNotice::TKind::CarrierOn, std::string(stream.substr(0, 32))});

    TFrameDecoder decoder;
    for (TDecoderEvent& event : decoder.Feed(stream)) {
        TReceivedFrame received;
        if (auto* frame = std::get_if<TDecodedFrame>(&event)) {
            received.Content = std::move(*frame);
        } else if (auto* rejected = std::get_if<TRejectedFrame>(&event)) {
            received.Content = std::move(*rejected);
        } else {
            continue;
        }
        received.Outcome = outcome;
        received.Waiting = waiting;
        CheckLines(received);
    }
    return 0;
}
