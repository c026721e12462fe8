#include "notifier.h"

#include "message_pump.h"
#include "windows_util.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

frmNotifier::frmNotifier(std::function<void(Variant& ctx)> onNotify)
    : m_onNotify(std::move(onNotify)),
      m_window(L"KeloNotifier", L"", true, [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
          return handle(message, wParam, lParam, result);
      }) {}

frmNotifier::~frmNotifier() {
    stop();
    m_window.destroy();
    m_context.clear();
}

void frmNotifier::issueCall(const VARIANT* ctx, short count) {
    m_context = ctx ? Variant(*ctx) : Variant();
    if (count <= 0) {
        m_counter = 0;
        stop();
        return;
    }
    m_counter = count + 1;
    m_running = SetTimer(m_window.hwnd(), kTimerId, kIntervalMs, nullptr) != 0;
}

void frmNotifier::stop() {
    if (m_running && m_window.hwnd()) KillTimer(m_window.hwnd(), kTimerId);
    m_running = false;
}

bool frmNotifier::handle(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_TIMER || wParam != kTimerId) return false;
    tick();
    result = 0;
    return true;
}

void frmNotifier::tick() {
    // A tick that comes while the previous one still lets messages run waits for the next.
    if (m_inTick) return;
    m_inTick = true;
    --m_counter;
    if (m_counter <= 1) stop();
    if (m_counter > 0 && m_onNotify) m_onNotify(m_context);
    pumpWaitingMessages();
    m_inTick = false;
}
