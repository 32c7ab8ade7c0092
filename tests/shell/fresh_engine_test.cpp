// Every engine keeps its own text, sound and shell state: what one engine
// changed is not seen by the next one built.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "core/engine.h"
#include "core/registry.h"
#include "platform/clock.h"
#include "platform/sync.h"

#include "shell/engine_build.h"
#include "shell/input.h"
#include "shell/input_internal.h"
#include "shell/loading_screen.h"
#include "shell/settings_apply.h"
#include "shell/state.h"
#include "shell/subsystems.h"
#include "sound/sound_object.h"
#include "sound/state.h"
#include "text/font.h"
#include "text/state.h"
#include "text/text_layout.h"
#include "text/text_object.h"

namespace {

int FocusMoved(int) { return 1; }
// Not the engine's own backlog hook: a hook another engine installed.
void AppendedElsewhere(uint32_t) {}
bool LoadedAnyway() { return true; }
bool MenuImagesLoaded() { return true; }

struct Case {
    const char* what;
    void (*change)();
    bool (*changed)();  // whether the current engine shows the change
};

const Case kCases[] = {
    {"default font",
     [] {
         text::DefaultFont font;
         font.face = "Face";
         font.size = 40;
         text::SetDefaultFont(font);
     },
     [] { return text::Default().face == "Face" || text::Default().size == 40; }},
    {"text hooks", [] { text::State().hooks.backlogAppend = AppendedElsewhere; },
     [] { return text::State().hooks.backlogAppend == AppendedElsewhere; }},
    {"live glyph count", [] { text::State().liveGlyphs += 3; },
     [] { return text::LiveTextGlyphs() != 0; }},
    {"skip quietens sounds", [] { sound::State().quiet = 1; },
     [] { return sound::CategoryFactor(sound::kCategoryBgm) != 1.0f; }},
    {"window phase", [] { shell::SetWindowPhase(shell::kPhaseMovie); },
     [] { return shell::CurrentWindowPhase() != shell::kPhaseStartup; }},
    {"letter shortcut", [] { shell::SetShortcut("Q", "quit.txt"); },
     [] {
         char script[shell::kShortcutNameSize];
         return shell::ShortcutScript('Q', script);
     }},
    {"input hooks", [] { shell::GetInputHooks().moveFocus = FocusMoved; },
     [] { return shell::GetInputHooks().moveFocus == FocusMoved; }},
    {"input record", [] { shell::input::State().ctrlPresses = 4; },
     [] { return shell::input::State().ctrlPresses != 0; }},
    {"loading hooks", [] { shell::GetLoadingHooks().loadSlot = LoadedAnyway; },
     [] { return shell::GetLoadingHooks().loadSlot == LoadedAnyway; }},
    {"subsystem table", [] { shell::GetSubsystems().loadMenuImages = MenuImagesLoaded; },
     [] { return shell::GetSubsystems().loadMenuImages == MenuImagesLoaded; }},
    {"thread registry",
     [] {
         core::InitRegistry();
         core::CreateEngineThread(false, [](void*) {}, nullptr);
     },
     [] { return core::RegistryInitialised() || core::RegisteredThreadCount() != 0; }},
    {"save folder", [] { shell::State().saveFolder = "/elsewhere"; },
     [] { return !shell::SaveFolder().empty(); }},
};

TEST(FreshEngine, StartsWithNoneOfThePreviousEnginesChanges) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        {
            shell::EngineScope first;
            ASSERT_FALSE(c.changed()) << "a fresh engine starts clean";
            c.change();
            ASSERT_TRUE(c.changed());
        }
        shell::EngineScope second;
        EXPECT_FALSE(c.changed());
    }
}

// An engine ended while one of its threads still runs tells the thread to
// quit and waits for it, so the thread never works on freed records.
TEST(FreshEngine, EndingAnEngineEndsItsThreadsFirst) {
    static std::atomic<int> started{0};
    static std::atomic<int> finished{0};
    started = finished = 0;
    core::Engine* engine = shell::BuildEngine();
    core::Engine* previous = core::g_current;
    core::SetCurrentEngine(engine);
    ASSERT_EQ(core::InitRegistry(), 1);
    engine->quitEvent = platform::CreateEvent(true, false);
    ASSERT_GT(core::CreateEngineThread(true,
                                       [](void* quit) {
                                           core::LockGuard hold(core::kLockText);
                                           started = 1;
                                           platform::WaitEvent(static_cast<platform::Event*>(quit), 30000);
                                           finished = 1;
                                       },
                                       engine->quitEvent),
              0);
    // The thread touches its engine only before it waits and after it wakes.
    for (int i = 0; i < 3000 && !started.load(); ++i) platform::SleepMs(10);
    ASSERT_EQ(started.load(), 1);
    core::SetCurrentEngine(previous);
    shell::DestroyEngine(engine);
    EXPECT_EQ(finished.load(), 1) << "the thread ended before its engine was freed";
}

}  // namespace
