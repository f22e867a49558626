#include "runtime/CommandLineItem.h"

TCommandLineItem NextCommandLineItem(const std::vector<std::string>& args, std::size_t& at,
                                     const std::function<bool(std::string_view)>& takesValue) {
    TCommandLineItem item{args.at(at++), std::nullopt, {}};
    if (const auto equals = item.Name.find('=');
        item.Name.starts_with("--") && equals != std::string::npos) {
        item.Value = item.Name.substr(equals + 1);
        item.Name.resize(equals);
    }
    const bool needsValue = takesValue(item.Name);
    if (item.Value && !needsValue)
        item.Error = "option " + item.Name + " takes no value";
    else if (needsValue && !item.Value && at == args.size())
        item.Error = "option " + item.Name + " needs a value";
    else if (needsValue && !item.Value)
        item.Value = args[at++];
    return item;
}
