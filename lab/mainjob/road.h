#pragma once
// The main job: the Kelo Print Driver installed from its Windows Installer package,
// the client running, one document printed, and its road followed to the provider's
// order page, each step shown as it happens.
#include <string>

namespace mainjob {

struct RoadOptions {
    std::wstring package;       // KeloPrintDriver.msi
    std::wstring document;      // the PostScript file to print
    std::wstring documentName;  // the name the application gives the document
    std::wstring outFolder;     // screenshots, the installer's log, the file as it arrived
    // The provider's address ("host:port"); empty: the lab's provider stand-in.
    std::wstring provider;
    std::wstring user = L"alice";
    std::wstring password = L"secret";
    std::wstring site = L"Kelo Print Site";
    // With the stand-in: it reads the upload at most this many bytes a second, so that
    // the upload window can be seen (0: as fast as it can).
    long slowUpload = 65536;
};

// Runs the road; 0 when the document arrived whole and the order page was opened.
int runRoad(const RoadOptions& options);

}  // namespace mainjob
