#pragma once
// The fixture of the robustness tests: the whole road of a print job, with the client
// started by the test (some tests start it in an altered setting).
#include "road_test_base.h"

namespace road {

inline constexpr wchar_t kPrinter[] = L"Kelo Robust Site";  // on port "ZOLT0"

class RoadTest : public lab::RoadTestBase {
protected:
    RoadTest() : RoadTestBase(L"kelo-road", false, {30000, 10000, 60000, 60000, 30000}) {}
    static void SetUpTestSuite() { installSystem(kPrinter); }

    // The upload's file as the provider keeps it (unpacked) equals the document.
    void expectArrivedWhole(size_t upload, const std::string& document);
};

using lab::utf8;

}  // namespace road
