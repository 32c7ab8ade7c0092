// LoadText over hand-made text entries: while a saved game is restored only
// the block being restored is made, and a line break that a <VOICE> tag
// takes is marked read (both bytes) when the reveal passes it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "reveal_fixture.h"
#include "script/process.h"
#include "script/read_marks.h"
#include "text/load_text.h"

namespace text_test {
namespace {

using scene_test::kKey;

// A block holding text entries of the box "box" over one script text, with
// the read marks a loaded script gets.
struct Script {
    explicit Script(const std::string& source) : text(source) {
        text.append(64, '\0');
        process = static_cast<script::ScriptProcess*>(std::calloc(1, sizeof(script::ScriptProcess)));
        block = static_cast<script::ScriptBlock*>(std::calloc(1, sizeof(script::ScriptBlock)));
        block->inUse = 1;
        block->process = process;
        block->scriptIndex = 0;
        script::ScriptFile& file = process->scripts[0];
        file.file.buffer = reinterpret_cast<uint8_t*>(text.data());
        file.file.size = static_cast<int32_t>(source.size());
        file.marks = script::RegisterReadMarks("load_text_test.txt", text.data(), source.size());
    }
    ~Script() {
        for (script::TextEntry* e : entries) delete e;
        std::free(block);
        std::free(process);
    }
    // An entry labelled `label` over the text between `from` and `to`.
    void Entry(const char* label, const char* from, const char* to) {
        auto* e = new script::TextEntry{};
        std::snprintf(e->textBlockName, sizeof(e->textBlockName), "box");
        std::snprintf(e->label, sizeof(e->label), "%s", label);
        e->textStart = text.data() + text.find(from);
        e->textEnd = text.data() + text.find(to);
        if (entries.empty()) block->textEntries = e;
        else entries.back()->next = e;
        entries.push_back(e);
    }
    std::string text;
    script::ScriptProcess* process;
    script::ScriptBlock* block;
    std::vector<script::TextEntry*> entries;
};

class LoadTextTest : public RevealTest {
protected:
    int Load(Script& s, const char* name) {
        context.process = s.process;
        context.block = s.block;
        const char* args[] = {"", "box", name, "400", "200"};
        return text::LoadTextObjects(context, args, 5);
    }
    scene::SceneObject* Find(const char* path) {
        core::SceneLockGuard hold;
        return scene::FindObject(kKey, path);
    }
    int Count(const char* path) {
        struct Counter {
            static int Visit(scene::SceneObject*, scene::ObjectQuery* q) {
                ++*static_cast<int*>(q->context);
                return 1;
            }
        };
        int n = 0;
        scene::ObjectQuery q{};
        q.ownerKey = kKey;
        std::snprintf(q.path, sizeof(q.path), "%s", path);
        q.visitor = Counter::Visit;
        q.context = &n;
        q.allMatches = 1;
        core::SceneLockGuard hold;
        scene::VisitObjects(&q);
        return n;
    }
};

TEST_F(LoadTextTest, RestoringMakesOnlyTheBlockBeingRestored) {
    Script s("[t1]\r\nabc\r\n[t2]\r\nxyz\r\n[end]");
    s.Entry("t1", "abc", "[t2]");
    s.Entry("t2", "xyz", "[end]");
    core::Current().state = core::StateLoading;
    const struct {
        const char* restored;
        int32_t firstCode;
    } cases[] = {{"t1", 'a'}, {"t2", 'x'}};
    for (const auto& c : cases) {
        scene::DeleteObjects(kKey, "box");
        text::SetRestoringTextName(c.restored);
        ASSERT_EQ(Load(s, "t*"), 1) << c.restored;
        EXPECT_EQ(Count("box"), 1) << c.restored;
        scene::SceneObject* o = Find("box");
        ASSERT_NE(o, nullptr) << c.restored;
        EXPECT_STREQ(o->text->textName, c.restored);
        EXPECT_EQ(o->text->characters[0].record.code, c.firstCode) << c.restored;
        EXPECT_EQ(Load(s, "t*"), 0) << c.restored << ": its object exists already";
    }
    text::SetRestoringTextName(nullptr);
    core::Current().state = core::StatePlay;
}

TEST_F(LoadTextTest, TheLineBreakAVoiceTagTakesIsMarkedRead) {
    Script s("[v]\r\n<VOICE NAME=a CLASS=a SRC=none>\r\nab\r\n[end]");
    s.Entry("v", "<VOICE", "[end]");
    const char* voiceBreak = s.text.data() + s.text.find(">\r\nab") + 1;
    const char* lineEnd = s.text.data() + s.text.find("ab\r\n") + 2;
    const script::ScriptFile* file = &s.process->scripts[0];
    ASSERT_EQ(script::IsRead(file, voiceBreak), 0);
    ASSERT_EQ(Load(s, "v"), 1);
    scene::SceneObject* o = Find("box");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->text->characters[0].record.code, 'a') << "the break after the tag takes no slot";
    o->text->push = 1;
    for (int i = 0; i < 20 && Step(o) != 0; ++i) g_now += 1000;
    ASSERT_EQ(text::TextRunning(o), 0);
    for (const char* at : {voiceBreak, lineEnd}) {
        EXPECT_EQ(script::IsRead(file, at), 1) << "CR at " << at - s.text.data();
        EXPECT_EQ(script::IsRead(file, at + 1), 1) << "LF at " << at + 1 - s.text.data();
    }
}

}  // namespace
}  // namespace text_test
