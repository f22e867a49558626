// ErrorText and CheckResult over any 32-bit code, CleanSystemText over any text.
//
// Input: the code in four bytes (least significant first), a byte whose low bit makes the owner
// loading, then a system text to clean. Before the first input every 16-bit code is checked
// once: only those bits choose a text, and the fuzzed codes check that projection.

#include "fuzz/FuzzCheck.h"
#include "runtime/RunTimeErrors.h"
#include "serial/engine/errors/SioCheckResult.h"
#include "serial/engine/errors/SioErrorText.h"
#include "serial/engine/errors/SioExceptions.h"

#include <cstdint>
#include <string>

namespace {

constexpr std::size_t MaxTextLength = 255;

class TOwner final : public ISioOwner {
public:
    explicit TOwner(bool loading) : Loading_(loading) {}
    bool Loading() const override { return Loading_; }

private:
    bool Loading_;
};

bool HasControlCharacter(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            return true;
        }
    }
    return false;
}

void CheckText(const std::string& text) {
    FUZZ_CHECK(text.size() <= MaxTextLength);
    FUZZ_CHECK(!HasControlCharacter(text));
}

void CheckErrorText(TSioResult code) {
    const std::string text = ErrorText(code);
    CheckText(text);
    const int shortCode = static_cast<std::int16_t>(code);
    FUZZ_CHECK(text == ErrorText(shortCode));
    FUZZ_CHECK(text == ErrorText(-shortCode));
}

bool IsSystemError(TSioResult code) {
    return code <= ecFirstSystemError && code >= ecLastSystemError;
}

// A code >= 0 comes back unchanged; a negative one raises exactly the exception CheckResult's
// contract names for it.
void CheckUnowned(TSioResult code) {
    try {
        FUZZ_CHECK(CheckResult(nullptr, code) == code);
        FUZZ_CHECK(code >= 0);
    } catch (const EOutOfMemory&) {
        FUZZ_CHECK(code == ecOutOfMemory);
    } catch (const EInOutError& error) {
        FUZZ_CHECK(IsSystemError(code) && code != ecOutOfMemory);
        FUZZ_CHECK(error.ErrorCode == -code);
        FUZZ_CHECK(error.Message() == ErrorText(code));
    } catch (const ESioException& error) {
        FUZZ_CHECK(code < 0 && !IsSystemError(code));
        if (error.ErrorCode == 0) {
            FUZZ_CHECK(error.Message() == "Sio exception");
        } else {
            FUZZ_CHECK(error.ErrorCode == code);
            FUZZ_CHECK(error.Message() == ErrorText(code));
        }
    }
}

// A loading owner gets every code back unchanged.
void CheckOwned(TSioResult code, bool loading) {
    if (code >= 0 || loading) {
        const TOwner owner(loading);
        FUZZ_CHECK(CheckResult(&owner, code) == code);
    }
}

void CheckCleanSystemText(std::string_view raw) {
    const std::string cleaned = CleanSystemText(raw);
    CheckText(cleaned);
    FUZZ_CHECK(cleaned.find("  ") == std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    for (int code = INT16_MIN; code <= INT16_MAX; ++code) {
        CheckErrorText(code);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const auto code = static_cast<TSioResult>(input.Word());
    const bool loading = input.Bool();
    CheckErrorText(code);
    CheckText(SystemErrorText(code));
    CheckUnowned(code);
    CheckOwned(code, loading);
    CheckCleanSystemText(input.Rest());
    return 0;
}
