// The rules every window shell shares: the keys of the window procedure and
// the window size derived from the screen size.
#include <gtest/gtest.h>

#include "app/scene_setup.h"
#include "app/window_proc.h"
#include "core/scene_state.h"
#include "tests/support/scoped_scene_state.h"

namespace {

constexpr uint32_t MessageClose = 0x0010;  // WM_CLOSE: left to the default handling
constexpr uint32_t MessageKeyUp = 0x0101;  // WM_KEYUP
constexpr uint32_t MessagePaint = 0x000F;  // WM_PAINT

class WindowRule : public ::testing::Test {
protected:
    ScopedSceneState scene;
};

TEST_F(WindowRule, StartsAtFullSpeedAndSpaceTogglesBackAndForth) {
    ASSERT_EQ(Scene.fullSpeed, 1);
    EXPECT_EQ(DecideWindowMessage(MessageKeyDown, KeySpace), MessageOutcome::Handled);
    EXPECT_EQ(Scene.fullSpeed, 0);
    EXPECT_EQ(DecideWindowMessage(MessageKeyDown, KeySpace), MessageOutcome::Handled);
    EXPECT_EQ(Scene.fullSpeed, 1);
}

TEST_F(WindowRule, ToggleIsNotOfTheFlagKeepingOnlyBitZero) {
    Scene.fullSpeed = 2;  // not a value the program sets, but the rule is (~flag) & 1
    DecideWindowMessage(MessageKeyDown, KeySpace);
    EXPECT_EQ(Scene.fullSpeed, 1);
    Scene.fullSpeed = 3;
    DecideWindowMessage(MessageKeyDown, KeySpace);
    EXPECT_EQ(Scene.fullSpeed, 0);
}

TEST_F(WindowRule, EscapeAndDestroyAskToQuitWithoutTouchingTheSpeed) {
    EXPECT_EQ(DecideWindowMessage(MessageKeyDown, KeyEscape), MessageOutcome::QuitRequested);
    EXPECT_EQ(DecideWindowMessage(MessageDestroy, 0), MessageOutcome::QuitRequested);
    EXPECT_EQ(Scene.fullSpeed, 1);
}

TEST_F(WindowRule, OtherKeysAreSwallowedAndChangeNothing) {
    for (uintptr_t key : {uintptr_t{KeyOther}, uintptr_t{0x41}, uintptr_t{0x0D}, uintptr_t{0x73},
                          uintptr_t{0x21}, uintptr_t{0x1C}, uintptr_t{0x120}}) {
        EXPECT_EQ(DecideWindowMessage(MessageKeyDown, key), MessageOutcome::Handled) << key;
    }
    EXPECT_EQ(Scene.fullSpeed, 1);
}

TEST_F(WindowRule, OtherMessagesGoToTheDefaultHandlingEvenWithTheKeysInWParam) {
    EXPECT_EQ(DecideWindowMessage(MessageClose, 0), MessageOutcome::NotMine);
    EXPECT_EQ(DecideWindowMessage(MessagePaint, 0), MessageOutcome::NotMine);
    EXPECT_EQ(DecideWindowMessage(MessageKeyUp, KeySpace), MessageOutcome::NotMine);
    EXPECT_EQ(DecideWindowMessage(MessageKeyUp, KeyEscape), MessageOutcome::NotMine);
    EXPECT_EQ(Scene.fullSpeed, 1);
}

struct SizeCase {
    int screenWidth, screenHeight;
    uint16_t width, height, halfWidth, halfHeight;
};

TEST(WindowSize, TenPixelsLessThanTheScreenRoundedDownToEven) {
    const SizeCase cases[] = {
        {1920, 1080, 1910, 1070, 955, 535},  // the common screen
        {1365, 768, 1354, 758, 677, 379},    // odd width: 1355 loses bit 0
        {1366, 769, 1356, 758, 678, 379},    // odd height
        {1280, 1024, 1270, 1014, 635, 507},  // odd half sizes stay whole
        {3840, 2160, 3830, 2150, 1915, 1075},
    };
    for (const SizeCase& c : cases) {
        ScopedSceneState scene;
        SetSceneSize(c.screenWidth, c.screenHeight);
        EXPECT_EQ(Scene.width, c.width) << c.screenWidth;
        EXPECT_EQ(Scene.height, c.height) << c.screenHeight;
        EXPECT_EQ(Scene.halfWidth, c.halfWidth) << c.screenWidth;
        EXPECT_EQ(Scene.halfHeight, c.halfHeight) << c.screenHeight;
        EXPECT_EQ(Scene.width % 2, 0);
        EXPECT_EQ(Scene.height % 2, 0);
    }
}

}  // namespace
