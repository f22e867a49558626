#include "app/testrecord/Verdict.h"

#include <algorithm>

TVerdict CompareHeard(std::string_view sent, std::string_view heard) {
    if (sent == heard)
        return {TVerdictKind::Matches, "stimmt"};
    std::string differences;
    const auto note = [&differences](const std::string& difference) {
        differences += differences.empty() ? " (" : ", ";
        differences += difference;
    };
    if (sent.size() != heard.size())
        note(std::to_string(heard.size()) + " statt " + std::to_string(sent.size()) + " Stellen");
    for (std::size_t i = 0; i < std::min(sent.size(), heard.size()); ++i)
        if (sent[i] != heard[i])
            note("Stelle " + std::to_string(i + 1) + ": " + heard[i] + " statt " + sent[i]);
    return {TVerdictKind::Differs, "weicht ab" + differences + ")"};
}

TVerdict NothingHeardVerdict() {
    return {TVerdictKind::NothingHeard, "nichts gehört"};
}

TVerdict NotSentVerdict() {
    return {TVerdictKind::NotSent, "nicht gesendet"};
}

TVerdict NoCodeVerdict() {
    return {TVerdictKind::NoCode, "kein Code"};
}
