#pragma once
// The watch on a port's descriptor that lets the window's thread read the line: made for the
// one window the thread reads for, switched on while it is to read, triggered for a pass.
//
// Any thread; its lock is held only while the watch is made, switched or triggered (the
// messenger never calls back under it).

#include "runtime/SioWindowMessenger.h"

#include <functional>
#include <memory>
#include <mutex>

class TSioLineWatch {
public:
    // Keeps the watch made for `window`, or makes a new one (none for window 0 or a closed
    // descriptor; `messenger` may be null only then). The messenger makes it only on the
    // window's own thread. True when watching.
    bool WatchFor(ISioWindowMessenger* messenger, TSioWindowHandle window, int fd,
                  std::function<void()> ready);
    // Switches the watch on or off as `wanted` says, asked under the lock so the latest answer
    // stays.
    void Update(const std::function<bool()>& wanted);
    // Asks the window's thread for a pass; false without a watch.
    bool Trigger();
    void End();

private:
    std::mutex Lock_;
    std::unique_ptr<ISioInputWatch> Watch_;
    TSioWindowHandle Window_ = 0;
};
