#include "notifier.h"

#include "message_pump.h"
#include "windows_util.h"

namespace {
constexpr UINT_PTR kTimerId = 1;
}

Notifier::Notifier(std::function<void(Variant& ctx)> onNotify)
    : onNotify_(std::move(onNotify)),
      window_(L"KeloNotifier", L"", true, [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
          return handle(message, wParam, lParam, result);
      }) {}

Notifier::~Notifier() {
    stop();
    window_.destroy();
    context_.clear();
}

void Notifier::issueCall(const VARIANT* ctx, short count) {
    context_ = ctx ? Variant(*ctx) : Variant();
    if (count <= 0) {
        counter_ = 0;
        stop();
        return;
    }
    counter_ = count + 1;
    running_ = SetTimer(window_.hwnd(), kTimerId, kIntervalMs, nullptr) != 0;
}

void Notifier::stop() {
    if (running_ && window_.hwnd()) KillTimer(window_.hwnd(), kTimerId);
    running_ = false;
}

bool Notifier::handle(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message != WM_TIMER || wParam != kTimerId) return false;
    tick();
    result = 0;
    return true;
}

void Notifier::tick() {
    // A tick that comes while the previous one still lets messages run waits for the next.
    if (inTick_) return;
    inTick_ = true;
    --counter_;
    if (counter_ <= 1) stop();
    if (counter_ > 0 && onNotify_) onNotify_(context_);
    pumpWaitingMessages();
    inTick_ = false;
}
