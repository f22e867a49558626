#include "serial/engine/posix/SioLineWatch.h"

bool TSioLineWatch::WatchFor(ISioWindowMessenger* messenger, TSioWindowHandle window, int fd,
                             std::function<void()> ready) {
    std::lock_guard lock(Lock_);
    if (window != Window_ || !Watch_) {
        Watch_.reset();
        Window_ = 0;
        if (window != 0 && fd >= 0) {
            Watch_ = messenger->WatchInput(window, fd, std::move(ready));
            if (Watch_)
                Window_ = window;
        }
    }
    return Watch_ != nullptr;
}

void TSioLineWatch::Update(const std::function<bool()>& wanted) {
    std::lock_guard lock(Lock_);
    if (Watch_)
        Watch_->SetEnabled(wanted());
}

bool TSioLineWatch::Trigger() {
    std::lock_guard lock(Lock_);
    if (!Watch_)
        return false;
    Watch_->Trigger();
    return true;
}

void TSioLineWatch::End() {
    std::lock_guard lock(Lock_);
    Watch_.reset();
    Window_ = 0;
}
