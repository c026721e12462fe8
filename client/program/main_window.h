#pragma once
// frmPrinterClientMain: the client's main window. It stays hidden; the notification
// area icon shows it on a double click. It starts the manager, owns the tray icon,
// opens the settings and ends the program on Unload. Closing it only hides it.
#include <memory>

#include "dialog.h"
#include "localization.h"
#include "manager.h"
#include "tray_handle.h"

class MainWindow : public Dialog {
public:
    MainWindow(C_localization& localization, C_manager::DriverManagerFactory engine);
    ~MainWindow() override;

    // The start-up: manager, tray icon, translation; the window stays hidden.
    bool load();
    // Runs until the program is unloaded; returns the exit code.
    int run();

    C_manager* manager() const { return m_manager.get(); }

protected:
    BOOL onInit() override;
    BOOL onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void showFromTray();
    void showSettings();
    void showEngineProblem();
    void unload();

    C_localization& m_localization;
    C_manager::DriverManagerFactory m_engine;
    std::unique_ptr<C_manager> m_manager;
    std::unique_ptr<frmTrayHandle> m_tray;
    FormGdiObjects m_objects;
    bool m_unloaded = false;
};

// The address the link of the main window opens.
extern const wchar_t kMakerSite[];
