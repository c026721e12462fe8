#pragma once
// The choice between the wide-character and the ANSI system interfaces, made by the
// platform code of the running Windows.

namespace engine {

enum class PrintingApi { Wide, Ansi };

// Wide on the NT family, ANSI on Windows 95, 98 and Me. Any other platform logs
// "**** Unsupported Operating System !" and throws cERROR_MSG 1000
// "Unsupported Operating System".
PrintingApi printingApiFor(int platformCode);
PrintingApi printingApi();

[[noreturn]] void throwUnsupportedOperatingSystem();

}  // namespace engine
