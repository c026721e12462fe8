#pragma once
// frmLoading: tells the user that the client is talking to the server. The caller
// shows it while it waits and closes it afterwards.
#include "dialog.h"
#include "localization.h"

class frmLoading : public Dialog {
public:
    explicit frmLoading(const C_localization& localization) : m_localization(localization) {}

    // Translated, shown and brought to the foreground.
    void show(HWND owner = nullptr);
    void close() { destroy(); }

protected:
    BOOL onInit() override;

private:
    const C_localization& m_localization;
    FormGdiObjects m_objects;
};
