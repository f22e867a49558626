#pragma once
// The programs' command lines read one item at a time: an option with its value ("--name=value",
// or "--name value" for an option that takes one), or a plain argument.
//
// Pure; any thread. A value where the option takes none, or none where it takes one, comes back
// as the error text to print.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TCommandLineItem {
    std::string Name;                 // the option ("--rate") or the plain argument
    std::optional<std::string> Value; // set for an option that takes a value
    std::string Error;                // not empty when the item cannot be used
};

// Reads the item at args[at] and advances `at` past it (and past its value).
TCommandLineItem NextCommandLineItem(const std::vector<std::string>& args, std::size_t& at,
                                     const std::function<bool(std::string_view)>& takesValue);
