// The backlog's one lock: the reveal's appends (through its hook), SetBacklog
// texts, the grid drawing under the SceneLock (as the composer draws) and
// clearing and restoring all run at once; afterwards the stream is whole.
// Under ./test --tsan this is where a missing lock shows.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/engine.h"
#include "core/registry.h"
#include "render/dirty_rect.h"
#include "scene/object_tree.h"
#include "scene/scene_fixture.h"
#include "shell/wiring.h"
#include "text/backlog.h"
#include "text/backlog_object.h"
#include "text/font.h"
#include "text/state.h"

namespace text_test {
namespace {

using scene_test::kKey;

class BacklogThreadsTest : public scene_test::SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        shell::WireEngine();
        text::BacklogReadSettings();
        text::ClearBacklogAll();
    }
    void TearDown() override {
        scene::DeleteObjects(kKey, "log");
        text::ClearBacklogAll();
        SceneFixture::TearDown();
    }
};

TEST_F(BacklogThreadsTest, RevealSetBacklogDrawingAndClearingMeetOnOneLock) {
    scene::CreateContext context;
    context.ownerKey = kKey;
    const char* args[] = {"log", "10"};
    text::BacklogAppendText("first");  // the record exists before the object
    ASSERT_EQ(text::CreateBacklogObject(context, scene::CreateArgs{args, 2}), 1);
    scene::SceneObject* log = nullptr;
    {
        core::SceneLockGuard hold;
        log = scene::FindObject(kKey, "log");
        if (log) log->drawEnabled = 1;  // as the start signal does
    }
    ASSERT_NE(log, nullptr);
    text::TextHooks& hooks = text::State().hooks;
    ASSERT_NE(hooks.backlogAppend, nullptr);
    ASSERT_NE(hooks.backlogVoice, nullptr);

    std::atomic<int> writersLeft{2};
    std::thread reveal([&] {
        for (int i = 0; i < 20000; ++i) {
            if (i % 100 == 0) hooks.backlogVoice("hero", "voice/v01");
            hooks.backlogAppend(i % 37 == 0 ? 10 : 0x82A0 + static_cast<uint32_t>(i % 80));
        }
        --writersLeft;
    });
    std::thread setBacklog([&] {
        for (int i = 0; i < 2000; ++i) text::BacklogAppendText("\x82\xA0\x81\x41 line");  // "あ、 line"
        --writersLeft;
    });
    std::thread composer([&] {
        while (writersLeft.load() > 0) {
            core::SceneLockGuard hold;
            render::AddDirtyRect(0, 0, 1024, 768);
            text::DrawBacklog(log);
            text::StepBacklog(log);
        }
    });
    std::thread clearAndLoad([&] {
        while (writersLeft.load() > 0) {
            std::vector<uint8_t> saved = text::BacklogSerialize(core::Current());
            text::ClearBacklogAll();
            EXPECT_TRUE(text::BacklogRestore(core::Current(), saved.data(), saved.size()));
            text::BacklogScroll(1);
        }
    });
    reveal.join();
    setBacklog.join();
    composer.join();
    clearAndLoad.join();

    text::Backlog& b = text::State().backlog;
    std::lock_guard<std::mutex> hold(b.lock);
    int32_t rows = 0, column = 0;
    ASSERT_TRUE(text::BacklogCheckUnits(b.stream.get(), b.end, &rows, &column));
    EXPECT_EQ(rows, b.rows);
    EXPECT_EQ(column, b.column);
    EXPECT_GT(b.end, 0u);
}

// A 64-pixel glyph is far larger than a fixed 1024-byte cell: the grid keeps
// it whole (sized to the glyph), and nothing is read or written past it.
TEST_F(BacklogThreadsTest, LargeFontGlyphsAreKeptWhole) {
    {
        core::LockGuard hold(core::kLockText);
        text::DefaultFont font;
        font.size = 64;
        text::SetDefaultFont(font);
    }
    text::BacklogAppendText("\x88\x9F");  // "亜"
    scene::CreateContext context;
    context.ownerKey = kKey;
    const char* args[] = {"log", "10"};
    ASSERT_EQ(text::CreateBacklogObject(context, scene::CreateArgs{args, 2}), 1);
    {
        core::SceneLockGuard hold;
        render::AddDirtyRect(0, 0, 1024, 768);
        scene::SceneObject* log = scene::FindObject(kKey, "log");
        ASSERT_NE(log, nullptr);
        log->drawEnabled = 1;  // as the start signal does
        text::DrawBacklog(log);
    }
    core::LockGuard hold(core::kLockText);
    text::BacklogGlyphCache& cache = text::State().backlog.glyphs;
    auto found = cache.byCode.find(0x889F);
    ASSERT_NE(found, cache.byCode.end());
    const text::BacklogGlyph& g = found->second;
    ASSERT_TRUE(g.ok);
    EXPECT_GT(g.glyph.blackBoxY, 32);
    EXPECT_EQ(g.coverage.size(), static_cast<size_t>((g.glyph.blackBoxX + 3) & ~3) * g.glyph.blackBoxY);
    EXPECT_GT(g.coverage.size(), 1024u);
    text::ResetDefaultFont();
}

}  // namespace
}  // namespace text_test
