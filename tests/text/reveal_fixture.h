// The fixture of the reveal tests: a fresh wired engine with hand-made
// glyphs (a..z), a hand-driven clock (g_now) and the reveal's system values
// set to known defaults; helpers make a CreateText object and step it.
#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/engine.h"
#include "core/input.h"
#include "fake_glyphs.h"
#include "render/drawable.h"
#include "render/image.h"
#include "scene/action.h"
#include "scene/object_tree.h"
#include "scene/request.h"
#include "scene/scene_fixture.h"
#include "script/system_variables.h"
#include "shell/wiring.h"
#include "support/support.h"
#include "text/reveal.h"
#include "text/text_object.h"

namespace text_test {

inline uint32_t g_now = 1000;
inline uint32_t TestClock() {
    return g_now;
}

class RevealTest : public scene_test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        g_fake = &fonts;
        platform::SetGlyphSource(&kFakeSource);
        text::ClearFonts();
        text::ResetDefaultFont();
        shell::WireEngine();
        context.ownerKey = scene_test::kKey;
        for (uint32_t c = 'a'; c <= 'z'; ++c) fonts.Solid(c, 6, 5, 64);
        g_now = 1000;
        core::SetClock(TestClock);
        saved = script::GetSystemValues();
        script::SystemValues& v = script::GetSystemValues();
        v.textSpeed = 1.0;
        v.textInterval = 30;
        v.playSpeedStep = 3;
        v.textWaitKey = 1;
        v.textAuto = 0;
        v.skip = 0;
        v.autoWaitPerCharacter = 100;
        core::ResetInputEvents(core::CurrentInputWorld());
    }
    void TearDown() override {
        core::ResetInputEvents(core::CurrentInputWorld());
        core::SetClock(nullptr);
        script::GetSystemValues() = saved;
        SceneFixture::TearDown();
        text::ClearFonts();
        text::ResetDefaultFont();
        platform::SetGlyphSource(nullptr);
        g_fake = nullptr;
    }
    scene::SceneObject* Make(const char* text) {
        std::vector<const char*> list = {"t", "0", "0", "0", "400", "200", text};
        EXPECT_EQ(text::CreateTextObject(context, scene::CreateArgs{list.data(), 7}), 1);
        core::SceneLockGuard hold;
        return scene::FindObject(scene_test::kKey, "t");
    }
    int Step(scene::SceneObject* o) {
        core::SceneLockGuard hold;
        return text::RevealStep(o);
    }
    // Steps at the given clock and returns the cursor.
    int CursorAt(scene::SceneObject* o, uint32_t ms) {
        g_now = ms;
        Step(o);
        return o->text->cursor;
    }
    static void Click() { platform::SetEvent(core::CurrentInputEvent(core::kInputLButton)); }

    script::SystemValues saved;
    scene::CreateContext context;
    FakeFonts fonts;
};

}  // namespace text_test
