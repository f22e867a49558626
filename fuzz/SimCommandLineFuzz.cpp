// The simulated encoder's command line over any arguments.
//
// Input: the arguments, separated by NUL bytes (none for an empty input). Parsing never throws;
// it gives either options within their documented bounds or a reason, never both.

#include "fuzz/FuzzCheck.h"
#include "tools/encoder-sim/program/CommandLine.h"

#include <string>
#include <vector>

using namespace EncoderSim;

namespace {

void CheckOptions(const TSimOptions& options) {
    FUZZ_CHECK(options.ComNumber >= 1 && options.ComNumber <= MaxComNumber);
    FUZZ_CHECK(!options.Dir || !options.Dir->empty());
    FUZZ_CHECK(options.Settings.BufferSize >= 1 && options.Settings.BufferSize <= MaxBufferSize);
    FUZZ_CHECK(options.Settings.TxTime.count() >= 0 &&
               static_cast<unsigned long>(options.Settings.TxTime.count()) <= MaxTxMs);
    if (const auto& silentAfter = options.Settings.Faults.SilentAfter) {
        FUZZ_CHECK(silentAfter->count() >= 0 &&
                   silentAfter->count() <= MaxSilentAfterSeconds * 1000);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    for (std::size_t start = 0; !input.empty() && start <= input.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        args.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    const TParsedCommandLine parsed = ParseCommandLine(args);
    FUZZ_CHECK(parsed.Options.has_value() == parsed.Error.empty());
    if (parsed.Options) {
        CheckOptions(*parsed.Options);
    }
    return 0;
}
