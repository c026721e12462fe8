#pragma once
// The print engine as the client reaches it: its driver manager (a local server started
// by COM), the printers it serves and their driver objects. Failures throw _com_error.
#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "engine_h.h"
#include "printer_catalog.h"

using Microsoft::WRL::ComPtr;

ComPtr<IDriverManager> createDriverManager();
std::vector<std::wstring> enginePrinters(IDriverManager* manager);
ComPtr<IPrintDriver> engineDriver(IDriverManager* manager, const std::wstring& printer);
// Whether a call's result says that the engine's process is no longer there (ended,
// crashed or killed), as opposed to an error the engine itself reported.
bool isEngineGone(HRESULT hr);

// The settings dialog's view of the engine.
class EnginePrinterCatalog : public PrinterCatalog {
public:
    explicit EnginePrinterCatalog(ComPtr<IDriverManager> manager) : m_manager(std::move(manager)) {}
    std::vector<std::wstring> printerNames() override { return enginePrinters(m_manager.Get()); }
    std::wstring driverDataPath(const std::wstring& printer) override;

private:
    ComPtr<IDriverManager> m_manager;
};
