#pragma once
// A window of one of the client's own classes that is never shown, with its messages
// handed to a function. Message-only windows receive posted messages and timers only;
// the others can also be found by other programs (the notification area posts to them).
#include <windows.h>

#include <functional>

class HiddenWindow {
public:
    using Handler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    HiddenWindow(const wchar_t* className, const wchar_t* title, bool messageOnly, Handler handler);
    ~HiddenWindow();
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    HWND hwnd() const { return m_window; }
    // Destroys the window now (owners do so first thing in their destructors, while
    // the handler can still use them).
    void destroy();

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    Handler m_handler;
    HWND m_window = nullptr;
};
