// lab-printers: adds, removes and lists printers of this system in the lab's spooler.
#include "error_msg.h"
#include "lab_printers.h"
#include "lab_text.h"

#include <cstdio>

namespace {

const char kUsage[] =
    "usage: lab-printers driver\n"
    "       lab-printers add <name> [--port <port>] [--ip <address>] [--mfg <maker>]\n"
    "                              [--driver-id <kind>] [--comment <text>] [--foreign]\n"
    "       lab-printers remove <name>\n"
    "       lab-printers list\n"
    "add writes keloServerIp, Mfg (Vorlane) and KeloDriverID (stdPrinterDriver) unless\n"
    "--foreign is given; the port defaults to ZOLT0 and the address to 127.0.0.1.\n";

void printLine(const std::wstring& line) {
    std::string text = lab::toUtf8(line) + "\n";
    fwrite(text.data(), 1, text.size(), stdout);
}

int usage() {
    fputs(kUsage, stderr);
    return 2;
}

int add(const std::vector<std::wstring>& args) {
    if (args.size() < 2) return usage();
    lab::PrinterSpec spec = lab::keloPrinter(args[1], lab::kZoltPort, L"127.0.0.1");
    bool foreign = false;
    for (size_t i = 2; i < args.size(); i++) {
        const std::wstring& option = args[i];
        if (option == L"--foreign") {
            foreign = true;
            continue;
        }
        if (i + 1 >= args.size()) return usage();
        const std::wstring& value = args[++i];
        if (option == L"--port")
            spec.port = value;
        else if (option == L"--ip")
            spec.serverIp = value;
        else if (option == L"--mfg")
            spec.mfg = value;
        else if (option == L"--driver-id")
            spec.driverId = value;
        else if (option == L"--comment")
            spec.comment = value;
        else
            return usage();
    }
    if (foreign) {
        spec.serverIp.reset();
        spec.mfg.reset();
        spec.driverId.reset();
        if (spec.comment.empty()) spec.comment = lab::foreignPrinter(spec.name, spec.port).comment;
    }
    lab::addPrinter(spec);
    printLine(L"added\t" + spec.name);
    return 0;
}

int list() {
    auto show = [](const std::optional<std::wstring>& value) { return value ? *value : std::wstring(L"-"); };
    for (const lab::PrinterEntry& printer : lab::listPrinters())
        printLine(printer.name + L"\t" + printer.port + L"\t" + printer.driver + L"\t" + show(printer.mfg) + L"\t" +
                  show(printer.serverIp) + L"\t" + show(printer.driverId));
    return 0;
}

}  // namespace

int main() {
    lab::useBinaryOutput();
    std::vector<std::wstring> args = lab::commandLineArguments();
    if (args.empty()) return usage();
    try {
        if (args[0] == L"driver" && args.size() == 1) {
            lab::ensureDriver();
            printLine(std::wstring(L"driver\t") + lab::kZoltDriverName);
            return 0;
        }
        if (args[0] == L"add") return add(args);
        if (args[0] == L"remove" && args.size() == 2) {
            bool removed = lab::removePrinter(args[1]);
            printLine((removed ? L"removed\t" : L"absent\t") + args[1]);
            return 0;
        }
        if (args[0] == L"list" && args.size() == 1) return list();
    } catch (const cERROR_MSG& error) {
        fprintf(stderr, "lab-printers: %s\n", error.message);
        return 1;
    }
    return usage();
}
