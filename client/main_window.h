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

    C_manager* manager() const { return manager_.get(); }

protected:
    BOOL onInit() override;
    BOOL onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void showFromTray();
    void showSettings();
    void showEngineProblem();
    void unload();

    C_localization& localization_;
    C_manager::DriverManagerFactory engine_;
    std::unique_ptr<C_manager> manager_;
    std::unique_ptr<TrayHandle> m_tray;
    FormGdiObjects objects_;
    bool unloaded_ = false;
};

// The address the link of the main window opens.
extern const wchar_t kMakerSite[];
