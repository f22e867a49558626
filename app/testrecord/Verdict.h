#pragma once
// The verdict on one alarm: does the sequence heard equal the code that was sent?
//
// Pure functions; any thread. The texts are the window's German ones.

#include <string>
#include <string_view>

enum class TVerdictKind {
    Open,         // still listening, or nothing to judge (tone input off)
    Matches,      // "stimmt"
    Differs,      // "weicht ab", with what differs
    NothingHeard, // "nichts gehört": no sequence within the hearing window
    NotSent,      // "nicht gesendet": the telegram never reached the encoder
    NoCode,       // "kein Code": the alarm carries no code an encoder sounds
};

struct TVerdict {
    TVerdictKind Kind = TVerdictKind::Open;
    std::string Text; // as the record shows it; empty while open

    bool operator==(const TVerdict&) const = default;
};

// Compares symbol by symbol; a difference names the places (counted from 1) and the symbols
// heard instead of those sent, and a length that differs.
TVerdict CompareHeard(std::string_view sent, std::string_view heard);

TVerdict NothingHeardVerdict();
TVerdict NotSentVerdict();
TVerdict NoCodeVerdict();
