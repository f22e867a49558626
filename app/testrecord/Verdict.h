#pragma once
// The verdict on one alarm as the record keeps it: its kind, its text for the "Ergebnis" column
// and the misses it names for the "Abweichungen" column.
//
// Pure functions; any thread. The texts are the window's German ones.

#include <string>

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
    std::string Text;   // as the record shows it; empty while open
    std::string Misses; // what differs, joined by ", "; empty unless it differs

    bool operator==(const TVerdict&) const = default;
};

TVerdict NotSentVerdict();
TVerdict NoCodeVerdict();
