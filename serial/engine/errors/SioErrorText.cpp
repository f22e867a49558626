#include "serial/engine/errors/SioErrorText.h"

#include "serial/engine/errors/SioMessageTable.h"

#include <cstdint>
#include <cstring>
#include <locale.h>

namespace {

constexpr std::size_t MaxTextLength = 255;

// The layer's messages are English whatever locale the program runs in (a Qt program adopts the
// user's), so system texts are asked for in the C locale.
class TCLocale {
public:
    TCLocale() : Locale_(newlocale(LC_ALL_MASK, "C", locale_t{})) {}
    ~TCLocale() {
        if (Locale_ != locale_t{}) {
            freelocale(Locale_);
        }
    }
    TCLocale(const TCLocale&) = delete;
    TCLocale& operator=(const TCLocale&) = delete;

    locale_t Get() const { return Locale_; }

private:
    locale_t Locale_;
};

// strerror_r comes in two flavours: GNU returns the text, XSI fills the buffer and returns 0.
[[maybe_unused]] const char* StrerrorResult(const char* text, const char*) {
    return text;
}
[[maybe_unused]] const char* StrerrorResult(int status, const char* buffer) {
    return status == 0 ? buffer : nullptr;
}

bool IsSystemErrorMagnitude(int magnitude) {
    return magnitude >= -ecFirstSystemError && magnitude <= -ecLastSystemError &&
           magnitude != -ecOutOfMemory;
}

} // namespace

std::string CleanSystemText(std::string_view text) {
    std::string cleaned;
    for (const char raw : text.substr(0, MaxTextLength)) {
        const char c = static_cast<unsigned char>(raw) < 0x20 ? ' ' : raw;
        if (c == ' ' && !cleaned.empty() && cleaned.back() == ' ') {
            continue;
        }
        cleaned.push_back(c);
    }
    return cleaned;
}

std::string SystemErrorText(int errorNumber) {
    static const TCLocale CLocale;
    char buffer[256] = {};
    const char* text = CLocale.Get() != locale_t{}
                           ? strerror_l(errorNumber, CLocale.Get())
                           : StrerrorResult(strerror_r(errorNumber, buffer, sizeof buffer), buffer);
    if (text == nullptr) {
        return {};
    }
    const std::string_view view(text);
    if (view.starts_with("Unknown error")) {
        return {};
    }
    return CleanSystemText(view);
}

std::string ErrorText(TSioResult code) {
    const int shortCode = static_cast<std::int16_t>(code);
    const int magnitude = shortCode < 0 ? -shortCode : shortCode;
    // Linux has no text for the upper numbers of the range: there the table's row speaks.
    if (IsSystemErrorMagnitude(magnitude)) {
        if (std::string text = SystemErrorText(magnitude); !text.empty()) {
            return text;
        }
    }
    const std::string_view row = MessageTableText(magnitude);
    if (!row.empty()) {
        return std::string(row);
    }
    return SystemErrorText(magnitude);
}
