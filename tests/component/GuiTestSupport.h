#pragma once
// Helpers for tests that run Qt's event loop: bounded waits and modal dialog drivers.
//
// WaitUntil handles events until the condition holds or the deadline passes; it never sleeps a
// fixed time when an event can be awaited. WhenModalShown runs an action on the first modal
// widget that appears (from inside its nested loop), so no modal box is ever left waiting.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>

inline constexpr std::chrono::milliseconds DefaultDeadline{10000};

// True when `condition` became true before the deadline.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = DefaultDeadline);

// Arms a watcher that runs `action` once on the first modal widget shown after this call. The
// watcher lives until the action ran or the object is destroyed.
class TModalDriver {
public:
    explicit TModalDriver(std::function<void(QWidget&)> action);
    ~TModalDriver();
    TModalDriver(const TModalDriver&) = delete;
    TModalDriver& operator=(const TModalDriver&) = delete;

    bool Ran() const { return FRan; }

private:
    QTimer FTimer;
    std::function<void(QWidget&)> FAction;
    bool FRan = false;
};
