#pragma once
// An event filter made of a callable, so that one window can watch several objects with a
// separate rule for each. The callable returns true to stop the event. GUI thread; the hook
// removes itself from what it watches when it is destroyed (Qt does so for a deleted filter).

#include <QObject>
#include <functional>
#include <utility>

class TEventHook : public QObject {
public:
    using THandler = std::function<bool(QObject* watched, QEvent* event)>;

    TEventHook(QObject* watched, THandler handler, QObject* parent)
        : QObject(parent), Handler_(std::move(handler)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return Handler_(watched, event); }

private:
    THandler Handler_;
};
