// Dialogue text: laying out a 400-character page of a text block with the
// real fonts, with its glyphs kept from the run before (warm) and with the
// glyph cache emptied first (cold: FreeType measures and draws each
// character), against the plain walk over fixed metrics as the floor; and
// the reveal step of a page when no character is due yet.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/registry.h"
#include "scene/scene_object.h"
#include "script/system_variables.h"
#include "text/font.h"
#include "text/glyph_cache.h"
#include "text/reveal.h"
#include "text/text_layout.h"
#include "text/text_object.h"

namespace {

// 400 characters: Shift-JIS kana and ASCII words in lines of 40, a click
// stop and a ruby group on the way.
std::string Page() {
    std::string page;
    const std::string kana = "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8";  // あいうえお
    for (int line = 0; line < 10; ++line) {
        for (int i = 0; i < 4; ++i) page += kana;
        page += "twenty ascii letters";
        if (line == 4) page += "<K>";
        page += "\r\n";
    }
    return page;
}

text::TextPayload* NewPayload() {
    auto* t = static_cast<text::TextPayload*>(std::calloc(1, sizeof(text::TextPayload)));
    text::InitTextPayload(t);
    return t;
}

void BM_LoadTextPageLayout(benchmark::State& state) {
    std::string page = Page();
    text::LayoutRules rules;
    rules.width = 900;
    rules.height = 600;
    for (auto _ : state) {
        text::TextPayload* t = NewPayload();
        {
            core::LockGuard hold(core::kLockText);
            text::BlockEnd end{};
            benchmark::DoNotOptimize(text::LayOutPayload(t, rules, page.data(),
                                                         page.data() + page.size(), true, &end));
        }
        text::DestroyTextPayload(t);
    }
    state.SetItemsProcessed(state.iterations() * 400);
}
BENCHMARK(BM_LoadTextPageLayout)->Unit(benchmark::kMicrosecond);

// The same page with the glyph cache emptied before each layout: every
// character measured and drawn by FreeType, as every page was laid out
// before glyphs were kept.
void BM_LoadTextPageLayoutColdGlyphs(benchmark::State& state) {
    std::string page = Page();
    text::LayoutRules rules;
    rules.width = 900;
    rules.height = 600;
    for (auto _ : state) {
        text::TextPayload* t = NewPayload();
        {
            core::LockGuard hold(core::kLockText);
            text::ClearGlyphCache();
            text::BlockEnd end{};
            benchmark::DoNotOptimize(text::LayOutPayload(t, rules, page.data(),
                                                         page.data() + page.size(), true, &end));
        }
        text::DestroyTextPayload(t);
    }
    state.SetItemsProcessed(state.iterations() * 400);
}
BENCHMARK(BM_LoadTextPageLayoutColdGlyphs)->Unit(benchmark::kMicrosecond);

int FixedMeasure(void*, text::CharRecord* r) {
    r->advance = r->code > 0xFF ? 20 : 10;
    r->boxWidth = r->advance;
    r->lineHeight = 20;
    return 1;
}

void BM_PageWalkFixedMetrics(benchmark::State& state) {
    std::string page = Page();
    text::LayoutRules rules;
    rules.width = 900;
    rules.height = 600;
    std::vector<text::PlacedChar> out(text::kTextCharacters);
    for (auto _ : state) {
        int count = 0;
        text::LayOutTextBlock(page.data(), page.data() + page.size(), rules, FixedMeasure, nullptr,
                              out.data(), text::kTextCharacters, &count, nullptr);
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * 400);
}
BENCHMARK(BM_PageWalkFixedMetrics)->Unit(benchmark::kMicrosecond);

void BM_RevealStepNothingDue(benchmark::State& state) {
    std::string page = Page();
    text::LayoutRules rules;
    rules.width = 900;
    rules.height = 600;
    text::TextPayload* t = NewPayload();
    {
        core::LockGuard hold(core::kLockText);
        text::LayOutPayload(t, rules, page.data(), page.data() + page.size(), true, nullptr);
    }
    auto* o = static_cast<scene::SceneObject*>(std::calloc(1, sizeof(scene::SceneObject)));
    o->text = t;
    script::GetSystemValues().textInterval = 30;
    script::GetSystemValues().textSpeed = 1.0;
    {
        core::SceneLockGuard hold;
        for (auto _ : state) {
            t->lastStep = core::NowMs();  // the next character is 30 ms away
            benchmark::DoNotOptimize(text::RevealStep(o));
        }
    }
    text::DestroyTextPayload(t);
    std::free(o);
}
BENCHMARK(BM_RevealStepNothingDue)->Unit(benchmark::kNanosecond);

}  // namespace
