#include "road_fixture.h"

namespace road {

void RoadTest::expectArrivedWhole(size_t upload, const std::string& document) {
    lab::JsonValue uploads = provider->uploads();
    ASSERT_LT(upload, uploads.size());
    const lab::JsonValue& file = uploads.at(upload)["files"].at(0);
    EXPECT_EQ((double)document.size(), file["stored_size"].number());
    std::string stored = provider->uploadedFile(upload);
    EXPECT_TRUE(stored == document) << "the stored file differs from the printed document";
}

}  // namespace road
