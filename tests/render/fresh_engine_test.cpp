// Each engine has its own frame state (redraw rectangle, modes, screen
// surface, frame access) and its own rasterizer table: what one engine
// changes, a fresh engine does not see, and the first engine keeps it while
// the other is current.
#include <gtest/gtest.h>

#include <cstdint>

#include "render/compose.h"
#include "render/dirty_rect.h"
#include "render/drawable.h"
#include "render/image_load.h"
#include "render/raster.h"
#include "render/surface.h"
#include "shell/engine_build.h"

namespace {

uint32_t g_testFrame[4];

struct StateCase {
    const char* what;
    void (*change)();
    bool (*changed)();
};

const StateCase kCases[] = {
    {"redraw rectangle", [] { render::AddDirtyRect(10, 10, 5, 5); },
     [] { return !render::IsEmpty(render::CurrentDirty()); }},
    {"skip mode", [] { render::SetSkipMode(true); },
     [] { return render::Modes().skip != 0 || render::DirtySkipMode(); }},
    {"play speed", [] { render::Modes().playSpeed = 3.0; },
     [] { return render::Modes().playSpeed != 1.0; }},
    {"screen surface", [] { render::SetSurfaceRect(render::ScreenSurface(), 0, 0, 10, 10); },
     [] { return render::ScreenSurface()->boundsRight == 10; }},
    {"frame access", [] { render::SetPlainFrame(g_testFrame); },
     [] { return render::LockFrame() == g_testFrame; }},
    {"rasterizer", [] { render::SetRasterOps(render::RasterOps{}); },
     [] { return render::Raster().draw != render::DrawSpans; }},
};

TEST(RenderEngineState, AFreshEngineStartsClean) {
    for (const StateCase& c : kCases) {
        SCOPED_TRACE(c.what);
        shell::EngineScope first;
        EXPECT_FALSE(c.changed()) << "a fresh engine starts changed";
        c.change();
        ASSERT_TRUE(c.changed());
        {
            shell::EngineScope second;
            EXPECT_FALSE(c.changed()) << "seen by the next engine";
        }
        EXPECT_TRUE(c.changed()) << "lost by the first engine";
    }
}

}  // namespace
