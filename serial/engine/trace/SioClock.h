#pragma once
// Clocks and the system description of the dispatch log.
//
// SioMilliseconds reads a monotonic clock in milliseconds and keeps the low 32 bits, so it wraps
// after about 49 days; differences taken with unsigned arithmetic stay right across the wrap.
// SioLocalTime is the current local date and time. The dispatch log takes both as plain function
// pointers, so a test can hand it a fixed clock. Both are thread-safe, take no lock and never
// fail.
//
// SioOsDescription names the running system for the log's header: distribution, kernel name,
// release and build text, cut to SioOsDescriptionLimit characters. Parts that cannot be read are
// left out; it never fails.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

using TSioMillisecondClock = std::uint32_t (*)();
using TSioLocalTimeClock = std::tm (*)();

std::uint32_t SioMilliseconds();
std::tm SioLocalTime();

inline constexpr std::size_t SioOsDescriptionLimit = 80;

std::string SioOsDescription();

// The description from its parts, e.g. "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64
// #1 SMP ...", cut to the limit. The distribution comes first because the cut takes the end.
std::string ComposeOsDescription(std::string_view prettyName, std::string_view systemName,
                                 std::string_view release, std::string_view build);

// The PRETTY_NAME value of an os-release text, without its quotes; empty when it has none.
std::string OsReleasePrettyName(std::string_view osReleaseText);
