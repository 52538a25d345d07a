// SDL events reach the shared window rule as the Windows messages they stand for.
#include <gtest/gtest.h>

#include "app/window_proc.h"
#include "core/scene_state.h"
#include "platform/sdl/sdl_event_translation.h"
#include "tests/support/scoped_scene_state.h"

namespace {

SDL_Event KeyEvent(Uint32 type, SDL_Keycode key) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = key;
    return event;
}

SDL_Event WindowEvent(Uint8 what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    return event;
}

MessageOutcome Deliver(const SDL_Event& event) {
    WindowMessage message = TranslateEvent(event);
    return DecideWindowMessage(message.message, message.wParam);
}

TEST(SdlEventTranslation, KeyPressesBecomeKeyDownWithTheVirtualKey) {
    WindowMessage space = TranslateEvent(KeyEvent(SDL_KEYDOWN, SDLK_SPACE));
    EXPECT_EQ(space.message, MessageKeyDown);
    EXPECT_EQ(space.wParam, KeySpace);
    WindowMessage escape = TranslateEvent(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
    EXPECT_EQ(escape.message, MessageKeyDown);
    EXPECT_EQ(escape.wParam, KeyEscape);
    for (SDL_Keycode other : {SDLK_a, SDLK_RETURN, SDLK_F4, SDLK_KP_SPACE, SDLK_LALT}) {
        WindowMessage message = TranslateEvent(KeyEvent(SDL_KEYDOWN, other));
        EXPECT_EQ(message.message, MessageKeyDown) << other;
        EXPECT_EQ(message.wParam, KeyOther) << other;
    }
}

TEST(SdlEventTranslation, ClosingTheWindowOrTheSessionDestroysIt) {
    EXPECT_EQ(TranslateEvent(WindowEvent(SDL_WINDOWEVENT_CLOSE)).message, MessageDestroy);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    EXPECT_EQ(TranslateEvent(quit).message, MessageDestroy);
}

TEST(SdlEventTranslation, OnlySpaceDownTogglesAndOnlyEscapeOrCloseQuits) {
    ScopedSceneState scene;
    EXPECT_EQ(Deliver(KeyEvent(SDL_KEYUP, SDLK_SPACE)), MessageOutcome::NotMine);
    EXPECT_EQ(Deliver(KeyEvent(SDL_KEYUP, SDLK_ESCAPE)), MessageOutcome::NotMine);
    EXPECT_EQ(Scene.fullSpeed, 1);
    EXPECT_EQ(Deliver(KeyEvent(SDL_KEYDOWN, SDLK_SPACE)), MessageOutcome::Handled);
    EXPECT_EQ(Scene.fullSpeed, 0);
    for (Uint8 what : {SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_RESIZED, SDL_WINDOWEVENT_MINIMIZED,
                       SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_EXPOSED}) {
        EXPECT_EQ(Deliver(WindowEvent(what)), MessageOutcome::NotMine) << int{what};
    }
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    EXPECT_EQ(Deliver(motion), MessageOutcome::NotMine);
    EXPECT_EQ(Deliver(KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE)), MessageOutcome::QuitRequested);
    EXPECT_EQ(Deliver(WindowEvent(SDL_WINDOWEVENT_CLOSE)), MessageOutcome::QuitRequested);
    EXPECT_EQ(Scene.fullSpeed, 0);
}

}  // namespace
