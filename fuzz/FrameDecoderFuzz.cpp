// The simulated encoder's frame decoder over any byte stream, in any chunking.
//
// Input: a byte that seeds the chunking and one that caps the chunk size, then the stream. The
// stream is fed once whole and once in chunks. Both must give the same events (stray bytes are
// reported per Feed, so adjacent stray reports are joined before comparing), every byte must come
// out in exactly one event or stay pending, the pending frame stays bounded, and every accepted
// frame has its family's frame bytes and length.

#include "fuzz/FuzzCheck.h"
#include "tools/encoder-sim/protocol/EncoderProtocol.h"
#include "tools/encoder-sim/protocol/FrameDecoder.h"

#include <random>
#include <string>
#include <vector>

using namespace EncoderSim;

namespace {

// The decoder reports stray bytes in pieces of at most this size.
constexpr std::size_t MaxStrayReport = 256;

// A 0x02 frame is given up at any of these bytes, so none is ever inside an accepted one.
constexpr std::string_view CutsStxFrame{"\x02\x0A\x0D", 3};

// An event as the comparison sees it.
struct TSeenEvent {
    std::string Kind; // "poll", a family name or a reject reason name
    std::string Bytes;
    std::vector<int> EncoderTypes;

    bool operator==(const TSeenEvent&) const = default;
};

void CheckDecodedFrame(const TDecodedFrame& frame) {
    const std::string& bytes = frame.Bytes;
    FUZZ_CHECK(bytes.size() >= 2);
    if (frame.Family == TFrameFamily::TenCharacter) {
        FUZZ_CHECK(bytes.front() == LineFeed && bytes.back() == CarriageReturn);
        FUZZ_CHECK(bytes.size() >= TenCharMinLength && bytes.size() <= TenCharMaxLength);
        FUZZ_CHECK(!frame.EncoderTypes.empty());
        return;
    }
    FUZZ_CHECK(bytes.front() == Stx && bytes.back() == Etx);
    FUZZ_CHECK(bytes.size() <= MaxFixedCodeLength + 2);
    FUZZ_CHECK(frame.Text == bytes.substr(1, bytes.size() - 2));
    FUZZ_CHECK(frame.Text.find_first_of(CutsStxFrame) == std::string::npos);
    FUZZ_CHECK(frame.EncoderTypes.empty() == (frame.Family == TFrameFamily::FixedCode));
}

TSeenEvent See(const TDecoderEvent& event) {
    if (std::holds_alternative<TPollRequest>(event)) {
        return {"poll", {PollFirst, PollSecond}, {}};
    }
    if (const auto* frame = std::get_if<TDecodedFrame>(&event)) {
        CheckDecodedFrame(*frame);
        return {std::string(FamilyName(frame->Family)), frame->Bytes, frame->EncoderTypes};
    }
    const auto& rejected = std::get<TRejectedFrame>(event);
    FUZZ_CHECK(!rejected.Bytes.empty());
    if (rejected.Reason == TRejectReason::StrayBytes) {
        FUZZ_CHECK(rejected.Bytes.size() <= MaxStrayReport);
    }
    return {std::string(RejectReasonName(rejected.Reason)), rejected.Bytes, {}};
}

// Appends a Feed's events, joining a stray report to a stray report before it.
void Collect(std::vector<TSeenEvent>& seen, const std::vector<TDecoderEvent>& events) {
    for (const TDecoderEvent& event : events) {
        TSeenEvent next = See(event);
        const std::string_view stray = RejectReasonName(TRejectReason::StrayBytes);
        if (!seen.empty() && seen.back().Kind == stray && next.Kind == stray) {
            seen.back().Bytes += next.Bytes;
        } else {
            seen.push_back(std::move(next));
        }
    }
}

// Every byte fed is in one event, in order, or still pending.
void CheckAccounted(const std::vector<TSeenEvent>& seen, std::string_view stream,
                    std::size_t pending) {
    std::string out;
    for (const TSeenEvent& event : seen) {
        out += event.Bytes;
    }
    FUZZ_CHECK(pending <= MaxFixedCodeLength + 1);
    FUZZ_CHECK(out.size() + pending == stream.size());
    FUZZ_CHECK(stream.starts_with(out));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    std::minstd_rand chunker(input.Byte() + 1u);
    const unsigned maxChunk = input.Byte() + 1u;
    const std::string_view stream = input.Rest();

    TFrameDecoder whole;
    std::vector<TSeenEvent> wholeEvents;
    Collect(wholeEvents, whole.Feed(stream));
    CheckAccounted(wholeEvents, stream, whole.PendingBytes());

    TFrameDecoder chunked;
    std::vector<TSeenEvent> chunkedEvents;
    for (std::string_view rest = stream; !rest.empty();) {
        const std::string_view chunk = rest.substr(0, 1 + chunker() % maxChunk);
        rest.remove_prefix(chunk.size());
        Collect(chunkedEvents, chunked.Feed(chunk));
        FUZZ_CHECK(chunked.PendingBytes() <= MaxFixedCodeLength + 1);
    }
    FUZZ_CHECK(chunkedEvents == wholeEvents);
    FUZZ_CHECK(chunked.PendingBytes() == whole.PendingBytes());
    return 0;
}
