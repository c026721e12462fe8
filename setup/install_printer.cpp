// keloInstallPrinter: on Windows 2000 and later 5.x systems the driver, monitor, port and
// printer are put in place without questions; otherwise, or when that fails, the user
// picks a PostScript printer to convert.
#include "setup_actions.h"

#include <commctrl.h>

#include "automatic_printer.h"
#include "com/apartment.h"
#include "driver_setup.h"
#include "installer_property.h"
#include "platform.h"
#include "printer_dialog.h"
#include "user_messages.h"

namespace {

void initCommonControls() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&controls);
}

bool installAutomatically(MSIHANDLE install, const std::wstring& installDir) {
    if (!installPrinterDriver(installDir)) {
        showError(install, nullptr, L"Cannot install printer driver");
        return false;
    }
    return createPrinterAutomatically(install);
}

UINT installPrinterOrThrow(MSIHANDLE install) {
    // Apartment-threaded, or multithreaded when the installer's thread already is.
    com::Apartment apartment(COINIT_APARTMENTTHREADED, com::Apartment::JoinOther);
    initCommonControls();
    std::wstring installDir = readInstallerProperty(install, L"INSTALLDIR");
    if (windowsVersionClass() >= kWindows2000 && installAutomatically(install, installDir)) return kInstallSuccess;
    return runPrinterDialog(install) == 1 ? kInstallSuccess : kInstallFailure;
}

}  // namespace

UINT installPrinter(MSIHANDLE install) {
    return com::runLogged("keloInstallPrinter", kActionTexts, kInstallFailure,
                          [&] { return installPrinterOrThrow(install); });
}
