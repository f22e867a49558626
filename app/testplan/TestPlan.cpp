#include "app/testplan/TestPlan.h"

#include "app/options/OptionGroupItems.h"
#include "app/telegram/EncoderTypes.h"

namespace {

// One step per item of a group, the other options as in current.
TTestPlan StepPerItem(const char* name, const TPlanStep& current,
                      const std::vector<std::string>* group, int TPlanStep::*item) {
    TTestPlan plan{name, {}};
    const std::size_t items = group != nullptr ? group->size() : 0;
    for (std::size_t index = 0; index < items; ++index) {
        TPlanStep step = current;
        step.*item = static_cast<int>(index);
        step.Count = 1;
        plan.Steps.push_back(step);
    }
    return plan;
}

} // namespace

TTypeOptionGroups TypeOptionGroups(int encoderType) {
    const TEncoderType* type = FindEncoderType(encoderType);
    if (type == nullptr)
        return {nullptr, nullptr, nullptr};
    const bool five = type->Family == efFiveCharacter;
    return {five ? &FiveCharPreToneItems() : &TenCharPreToneItems(),
            five ? &AlarmTypeItems() : &TwoToneAlarmItems(),
            type->HasTape ? &TapeItems() : nullptr};
}

TTestPlan AllAlarmTypesPlan(const TPlanStep& current) {
    return StepPerItem(AllAlarmTypesPlanName, current,
                       TypeOptionGroups(current.EncoderType).AlarmType, &TPlanStep::AlarmTypeItem);
}

TTestPlan AllPreTonesPlan(const TPlanStep& current) {
    return StepPerItem(AllPreTonesPlanName, current, TypeOptionGroups(current.EncoderType).PreTone,
                       &TPlanStep::PreToneItem);
}

TTestPlan EndurancePlan(const TPlanStep& current, int count) {
    TPlanStep step = current;
    step.Count = count;
    return {EndurancePlanName, {step}};
}

TTestPlan FixedCodesPlan(const std::vector<std::string>& entries) {
    TTestPlan plan{FixedCodesPlanName, {}};
    for (const std::string& entry : entries) {
        TPlanStep step;
        step.Code = entry;
        step.FixedCode = true;
        plan.Steps.push_back(step);
    }
    return plan;
}
