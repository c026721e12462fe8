#pragma once
// frmNotifier: calls its owner back a moment later, outside the code that asked for it
// (an engine event handler returns at once and the work runs from a 10 ms timer).
#include <windows.h>

#include <functional>

#include "hidden_window.h"
#include "variant.h"

class Notifier {
public:
    static constexpr UINT kIntervalMs = 10;

    explicit Notifier(std::function<void(Variant& ctx)> onNotify);
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // Raises onNotify `count` times on consecutive ticks, with ctx (empty when none).
    // A count of 0 or less stops a countdown that runs and raises nothing.
    void issueCall(const VARIANT* ctx = nullptr, short count = 1);
    bool timerRunning() const { return running_; }

private:
    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void tick();
    void stop();

    std::function<void(Variant&)> onNotify_;
    HiddenWindow window_;
    int counter_ = 0;
    Variant context_;
    bool running_ = false;
    bool inTick_ = false;
};
