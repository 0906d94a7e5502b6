// Test programs start with the recording platform in place, so that no test
// can open a message box, and each test starts with no recorded messages.
#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

class ClearMessages : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        glowpond::testing::recordingPlatform().messages.clear();
        glowpond::testing::recordingPlatform().appPath.reset();
        glowpond::testing::recordingPlatform().failFileReplacement = false;
        glowpond::testing::recordingPlatform().resetEngineServices();
        glowpond::testing::recordingPlatform().resetSystemServices();
    }
};

}  // namespace

int main(int argc, char** argv) {
    glowpond::setPlatform(&glowpond::testing::recordingPlatform());
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ClearMessages);
    return RUN_ALL_TESTS();
}
