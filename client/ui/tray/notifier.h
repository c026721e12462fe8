#pragma once
// frmNotifier: calls its owner back a moment later, outside the code that asked for it
// (an engine event handler returns at once and the work runs from a 10 ms timer).
#include <windows.h>

#include <functional>

#include "hidden_window.h"
#include "variant.h"

class frmNotifier {
public:
    static constexpr UINT kIntervalMs = 10;

    explicit frmNotifier(std::function<void(Variant& ctx)> onNotify);
    ~frmNotifier();
    frmNotifier(const frmNotifier&) = delete;
    frmNotifier& operator=(const frmNotifier&) = delete;

    // Raises onNotify `count` times on consecutive ticks, with ctx (empty when none).
    // A count of 0 or less stops a countdown that runs and raises nothing.
    void issueCall(const VARIANT* ctx = nullptr, short count = 1);
    bool timerRunning() const { return m_running; }

private:
    bool handle(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void tick();
    void stop();

    std::function<void(Variant&)> m_onNotify;
    HiddenWindow m_window;
    int m_counter = 0;
    Variant m_context;
    bool m_running = false;
    bool m_inTick = false;
};
