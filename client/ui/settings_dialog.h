#pragma once
// frmSettings: the language of the client, and per printer of this system its server
// address and the client version (shown only).
#include <string>
#include <vector>

#include "dialog.h"
#include "localization.h"
#include "printer_catalog.h"

class SettingsDialog : public Dialog {
public:
    // Without a catalog (no engine) doDlg fails with an error the caller shows.
    SettingsDialog(C_localization& localization, PrinterCatalog* printers);

    // Shows the dialog modally. Errors while asking the engine for its printers are
    // thrown to the caller; errors while filling the boxes are passed over.
    void doDlg(HWND owner = nullptr);

protected:
    BOOL onInit() override;
    BOOL onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void fillPrinters();
    void fillLanguages();
    void loadPrinterValues();
    void onOk();
    // False when the language was refused (or could not be written); the dialog stays.
    bool saveLanguage(long language);
    std::wstring title() const;

    C_localization& localization_;
    PrinterCatalog* printers_;
    FormGdiObjects objects_;
    std::vector<std::wstring> printerNames_;
    std::wstring selectedPrinter_;
    long storedLanguage_ = 0;
};
