#include "serial/engine/trace/SioLogNames.h"

#include "serial/engine/errors/SioErrorText.h"
#include "serial/engine/errors/SioMessageTable.h"

#include <array>
#include <string_view>

std::string LogTypeName(std::uint8_t type) {
    return ErrorText(mtTypeNameBase + type);
}

std::string LogSubtypeName(std::uint8_t subtype) {
    return subtype == 0 ? std::string() : ErrorText(mtSubTypeNameBase + subtype);
}

std::string LogModemBitNames(std::int32_t value) {
    std::string names;
    for (int bit = 0; bit < 8; ++bit) {
        if ((value >> bit) & 1) {
            names += ErrorText(mtModemBitNameBase + bit);
        }
    }
    if (!names.empty() && names.back() == ' ') {
        names.pop_back();
    }
    return names;
}

std::string LogTelnetOptionName(std::int32_t option) {
    constexpr std::int32_t LastOption = 42;
    return option >= 0 && option <= LastOption ? ErrorText(mtTelnetOptionBase + option)
                                               : std::string();
}

std::string LogTriggerKindName(std::uint8_t kind) {
    static constexpr std::array<std::string_view, 6> Names = {
        "(Not active)",         "(Modem status)",       "(Line status)",
        "(Output buffer free)", "(Output buffer used)", "(Output sent)"};
    return kind < Names.size() ? std::string(Names[kind]) : std::string();
}
