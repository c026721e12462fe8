#pragma once
// frmSettings: the language of the client, and per printer of this system its server
// address and the client version (shown only).
#include <string>
#include <vector>

#include "dialog.h"
#include "localization.h"
#include "printer_catalog.h"

class frmSettings : public Dialog {
public:
    // Without a catalog (no engine) doDlg fails with an error the caller shows.
    frmSettings(C_localization& localization, PrinterCatalog* printers);

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

    C_localization& m_localization;
    PrinterCatalog* m_printers;
    FormGdiObjects m_objects;
    std::vector<std::wstring> m_printerNames;
    std::wstring m_selectedPrinter;
    long m_storedLanguage = 0;
};
