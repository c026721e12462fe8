#pragma once
// The fixture of the client's end-to-end tests: the whole road of a print job with
// the client started for every test.
#include "road_test_base.h"

namespace clientroad {

inline constexpr wchar_t kPrinter[] = L"Kelo Road Site";
// How long the robot waits for anything: the machine may be busy with other work.
const DWORD kPatience = 90000;

class ClientRoadTest : public lab::RoadTestBase {
protected:
    ClientRoadTest() : RoadTestBase(L"kelo-road", true, {kPatience, kPatience, kPatience, kPatience, kPatience}) {}
    static void SetUpTestSuite() { installSystem(kPrinter); }
};

using lab::queryOf;
using lab::unpackableDocument;
using lab::utf8;

}  // namespace clientroad
