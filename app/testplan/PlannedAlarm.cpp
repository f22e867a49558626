#include "app/testplan/PlannedAlarm.h"

#include "app/options/OptionGroupItems.h"
#include "app/telegram/EncoderTypes.h"
#include "app/telegram/TelegramBuilder.h"
#include "app/telegram/TelegramReading.h"

#include <optional>

namespace {

std::string ItemText(const std::vector<std::string>* items, std::optional<int> item) {
    const bool inList =
        items != nullptr && item && *item >= 0 && *item < static_cast<int>(items->size());
    return inList ? (*items)[static_cast<std::size_t>(*item)] : std::string();
}

} // namespace

TPlannedAlarm PlannedAlarm(const TPlanStep& step) {
    TPlannedAlarm planned;
    TAlarmSent& alarm = planned.Alarm;
    const TEncoderType* type = FindEncoderType(step.EncoderType);
    alarm.EncoderType = type != nullptr ? std::string(type->ItemText) : std::string();
    alarm.Code = step.Code;
    if (step.FixedCode) {
        const TFixedEntryView view = ViewFixedEntry(step.Code);
        planned.Telegram = BuildFixedTelegram(step.Code);
        alarm.PreTone = ItemText(&FiveCharPreToneItems(), view.PreToneItem);
        alarm.AlarmType = ItemText(&AlarmTypeItems(), view.AlarmTypeItem);
        alarm.Expected = view.Symbols;
    } else {
        const bool five = type != nullptr && type->Family == efFiveCharacter;
        const TTypeOptionGroups groups = TypeOptionGroups(step.EncoderType);
        planned.Telegram = BuildTelegram(step.EncoderType, step.Code, five ? step.PreToneItem : 0,
                                         five ? step.AlarmTypeItem : HiddenAlarmTypeItem,
                                         step.TapeItem != NoItem ? step.TapeItem : UnshownTapeItem,
                                         five ? 0 : step.PreToneItem);
        if (type != nullptr && type->HasPreTone)
            alarm.PreTone = ItemText(groups.PreTone, step.PreToneItem);
        alarm.AlarmType = ItemText(groups.AlarmType, step.AlarmTypeItem);
        alarm.Expected = ExpectedSymbols(step.Code);
    }
    alarm.TelegramHex = TelegramHex(planned.Telegram);
    return planned;
}
