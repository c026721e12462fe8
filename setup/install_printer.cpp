// keloInstallPrinter: on Windows 2000 and later 5.x systems the driver, monitor, port and
// printer are put in place without questions; otherwise, or when that fails, the user
// picks a PostScript printer to convert.
#include "setup_actions.h"

#include <commctrl.h>
#include <comdef.h>

#include "automatic_printer.h"
#include "com/apartment.h"
#include "debug_log.h"
#include "driver_setup.h"
#include "error_msg.h"
#include "error_text.h"
#include "installer_property.h"
#include "platform.h"
#include "printer_dialog.h"
#include "text_convert.h"
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
    try {
        return installPrinterOrThrow(install);
    } catch (const cERROR_MSG& error) {
        DebugLine() << "keloInstallPrinter: " << error.message;
    } catch (const _com_error& error) {
        DebugLine() << "keloInstallPrinter: " << toAnsi(comErrorText(error));
    } catch (...) {
        DebugLine() << "keloInstallPrinter: Unknown error";
    }
    return kInstallFailure;
}
