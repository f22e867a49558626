#include "tools/encoder-sim/program/EventFormat.h"

#include "tools/encoder-sim/protocol/EncoderProtocol.h"

namespace EncoderSim {

namespace {

// Builds one JSON object, members in the order they are added.
class TJsonObject {
public:
    TJsonObject& Text(std::string_view key, std::string_view value) {
        return Raw(key, JsonString(value));
    }
    TJsonObject& Number(std::string_view key, long long value) {
        return Raw(key, std::to_string(value));
    }
    TJsonObject& Flag(std::string_view key, bool value) {
        return Raw(key, value ? "true" : "false");
    }
    TJsonObject& Texts(std::string_view key, const std::vector<std::string>& values) {
        std::string array = "[";
        for (const auto& value : values)
            array += (array.size() > 1 ? "," : "") + JsonString(value);
        return Raw(key, array + "]");
    }
    std::string Done() const { return Body_ + "}"; }

private:
    TJsonObject& Raw(std::string_view key, std::string_view value) {
        Body_ += Body_.size() > 1 ? "," : "";
        Body_ += JsonString(key);
        Body_ += ":";
        Body_ += value;
        return *this;
    }

    std::string Body_ = "{";
};

// Printable ASCII stays, anything else shows as \xNN.
std::string Printable(std::string_view bytes) {
    std::string text;
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F)
            text += c;
        else
            text += "\\x" + HexDigits(byte);
    }
    return text;
}

std::vector<std::string> TypeNames(const TDecodedFrame& frame) {
    std::vector<std::string> names;
    for (int type : frame.EncoderTypes)
        names.emplace_back(EncoderTypeNames[static_cast<std::size_t>(type)]);
    return names;
}

std::string_view OutcomeName(TAlarmOutcome outcome) {
    switch (outcome) {
    case TAlarmOutcome::Transmitting:
        return "transmitting";
    case TAlarmOutcome::Buffered:
        return "buffered";
    case TAlarmOutcome::Dropped:
        break;
    }
    return "dropped";
}

std::string_view ChecksumFormName(TChecksumForm form) {
    return form == TChecksumForm::Hex ? "hex" : "raw";
}

std::string FaultSummary(const TFaultModes& faults) {
    std::string summary;
    auto add = [&](const std::string& mode) { summary += (summary.empty() ? "" : ", ") + mode; };
    if (faults.Silent)
        add("silent");
    if (faults.Nak)
        add("nak");
    if (faults.SilentAfter)
        add("silent after " + std::to_string(faults.SilentAfter->count()) + " ms");
    if (faults.Garbage)
        add("garbage");
    return summary.empty() ? "none" : summary;
}

void AddOptionJson(TJsonObject& json, std::string_view name,
                   const std::optional<TOptionByte>& option) {
    if (!option)
        return;
    json.Text(name, std::string(1, static_cast<char>(option->Byte)));
    json.Number(std::string(name) + "Item", option->Item);
}

std::string OptionText(std::string_view name, const std::optional<TOptionByte>& option) {
    if (!option)
        return {};
    std::string text = ", " + std::string(name) + " '" +
                       Printable(std::string(1, static_cast<char>(option->Byte))) + "' ";
    return text + (option->Item >= 0 ? "item " + std::to_string(option->Item) : "not in table");
}

std::string AcceptedJson(const TReceivedFrame& received) {
    const TDecodedFrame& frame = received.Decoded();
    TJsonObject json;
    json.Text("event", "frame").Flag("accepted", true).Text("family", FamilyName(frame.Family));
    json.Texts("types", TypeNames(frame));
    if (frame.Family != TFrameFamily::TenCharacter)
        json.Text("text", frame.Text);
    if (frame.Family != TFrameFamily::FixedCode)
        json.Text("code", frame.Code);
    AddOptionJson(json, "preTone", frame.PreTone);
    AddOptionJson(json, "alarmType", frame.AlarmType);
    AddOptionJson(json, "tape", frame.Tape);
    if (frame.ChecksumForm != TChecksumForm::None) {
        json.Text("checksum", HexDigits(frame.Checksum));
        json.Text("checksumForm", ChecksumFormName(frame.ChecksumForm));
    }
    json.Text("outcome", OutcomeName(received.Outcome));
    json.Number("waiting", static_cast<long long>(received.Waiting));
    return json.Text("bytes", HexBytes(frame.Bytes)).Done();
}

std::string AcceptedText(const TReceivedFrame& received) {
    const TDecodedFrame& frame = received.Decoded();
    std::string line = "accepted " + std::string(FamilyName(frame.Family));
    auto types = TypeNames(frame);
    for (std::size_t i = 0; i < types.size(); ++i)
        line += (i == 0 ? " (" : " | ") + types[i] + (i + 1 == types.size() ? ")" : "");
    if (frame.Family == TFrameFamily::FixedCode)
        line += ": text \"" + Printable(frame.Text) + "\"";
    else
        line += ": code " + Printable(frame.Code);
    line += OptionText("pre-tone", frame.PreTone);
    line += OptionText("alarm type", frame.AlarmType);
    line += OptionText("tape", frame.Tape);
    if (frame.ChecksumForm != TChecksumForm::None)
        line += ", checksum " + HexDigits(frame.Checksum) +
                (frame.ChecksumForm == TChecksumForm::Hex ? " as hex digits" : " as raw byte");
    line += " -> " + std::string(OutcomeName(received.Outcome));
    if (received.Outcome != TAlarmOutcome::Dropped)
        line += ", " + std::to_string(received.Waiting) + " waiting";
    return line;
}

std::string FrameLine(const TReceivedFrame& received, bool json) {
    if (received.Accepted())
        return json ? AcceptedJson(received) : AcceptedText(received);
    const TRejectedFrame& rejected = received.Rejected();
    if (!json)
        return "rejected " + std::string(RejectReasonName(rejected.Reason)) + ": " +
               HexBytes(rejected.Bytes);
    return TJsonObject()
        .Text("event", "frame")
        .Flag("accepted", false)
        .Text("reason", RejectReasonName(rejected.Reason))
        .Text("bytes", HexBytes(rejected.Bytes))
        .Done();
}

std::string NoticeLine(const TEncoderNotice& notice, bool json) {
    switch (notice.Kind) {
    case TEncoderNotice::TKind::CarrierOn:
        return json ? TJsonObject().Text("event", "carrier-on").Text("alarm", notice.Alarm).Done()
                    : "carrier on: " + Printable(notice.Alarm);
    case TEncoderNotice::TKind::CarrierOff:
        return json ? TJsonObject().Text("event", "carrier-off").Done() : "carrier off";
    case TEncoderNotice::TKind::FellSilent:
        break;
    }
    return json ? TJsonObject().Text("event", "silent").Done() : "silent from now on";
}

} // namespace

std::string HexBytes(std::string_view bytes) {
    std::string hex;
    for (char c : bytes) {
        if (!hex.empty())
            hex += ' ';
        hex += HexDigits(static_cast<unsigned char>(c));
    }
    return hex;
}

std::string JsonString(std::string_view bytes) {
    std::string json = "\"";
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\')
            json += {'\\', c};
        else if (byte >= 0x20 && byte < 0x7F)
            json += c;
        else
            json += "\\u00" + HexDigits(byte);
    }
    return json + "\"";
}

std::vector<std::string> FormatStart(const TStartInfo& info, bool json) {
    if (json)
        return {TJsonObject()
                    .Text("event", "ready")
                    .Text("dir", info.Dir)
                    .Text("link", info.Link)
                    .Text("terminal", info.Terminal)
                    .Number("buffer", static_cast<long long>(info.Settings.BufferSize))
                    .Number("txMs", info.Settings.TxTime.count())
                    .Text("faults", FaultSummary(info.Settings.Faults))
                    .Done()};
    return {"folder: " + info.Dir, "link: " + info.Link + " -> " + info.Terminal,
            "encoder: buffer " + std::to_string(info.Settings.BufferSize) + ", transmit " +
                std::to_string(info.Settings.TxTime.count()) + " ms, faults " +
                FaultSummary(info.Settings.Faults) + "; stop with Ctrl+C"};
}

std::string FormatEvent(const TSimEvent& event, bool json) {
    if (const auto* frame = std::get_if<TReceivedFrame>(&event))
        return FrameLine(*frame, json);
    return NoticeLine(std::get<TEncoderNotice>(event), json);
}

} // namespace EncoderSim
