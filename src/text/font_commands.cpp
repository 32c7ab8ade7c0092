// SetFont and LoadFont, and the text subsystem's start.
#include "text/font_commands.h"

#include <cstdlib>
#include <cstring>

#include "scene/commands_scene.h"
#include "scene/object_tree.h"
#include "scene/payloads.h"
#include "script/colour.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/process.h"
#include "script/sjis.h"
#include "core/engine.h"
#include "core/registry.h"
#include "core/engine.h"
#include "text/glyph.h"
#include "text/glyph_set.h"
#include "text/text_object.h"

namespace text {

namespace {

const char* At(const char* const* args, int count, int i) {
    return i < count ? args[i] : nullptr;
}

// The shared context back to the font it held: the default font set up and
// released again. The glyph lock is held.
void RestoreDefaultSelection() {
    FontSpec spec{};
    CreateDefaultFont(&spec);
    ReleaseAll(&spec);
}

// Removes the entries made so far and frees the list.
void DiscardList(FontList* list) {
    ReleaseFontList(list);
}

// Renders the characters into glyph-set entries. Null on any failure (with
// what was made removed); an empty string gives an empty list.
FontList* BuildGlyphs(FontSpec* spec, const char* characters) {
    FontList* list = static_cast<FontList*>(std::calloc(1, sizeof(FontList)));
    if (!list) return nullptr;
    size_t length = characters ? std::strlen(characters) : 0;
    if (length) {
        list->ids = static_cast<int32_t*>(std::calloc(length, sizeof(int32_t)));
        if (!list->ids) {
            std::free(list);
            return nullptr;
        }
    }
    for (const char* p = characters; p && *p && !core::Quitting();) {
        const char* next = script::NextChar(p);
        uint32_t code = static_cast<unsigned char>(p[0]);
        if (next - p == 2) code = code * 256 + static_cast<unsigned char>(p[1]);
        int32_t id = AddGlyph(spec, code);
        if (id < 0) {
            DiscardList(list);
            return nullptr;
        }
        list->ids[list->count++] = id;
        p = next;
    }
    return list;
}

// Fills a colour argument; false when there is none.
bool ColourArgument(const char* text, uint32_t* rgb) {
    script::Colour colour;
    if (!script::ParseColour(text, &colour)) return false;
    *rgb = colour.rgb & 0xFFFFFF;
    return true;
}

void CommandSetFont(script::CommandCall& call) {
    call.result = SetFontCommand(call.args, script::kMaxCommandArguments);
}

void CommandLoadFont(script::CommandCall& call) {
    scene::CreateContext c = scene::CommandContext(call);
    scene::CreateArgs a{call.args, script::kMaxCommandArguments};
    call.result = LoadFontObject(c, a);
}

}  // namespace

int SetFontCommand(const char* const* args, int count) {
    int32_t size = 0;
    uint32_t fill = 0, outline = 0;
    if (!scene::NumericArgument(At(args, count, 1), &size) ||
        !ColourArgument(At(args, count, 2), &fill) || !ColourArgument(At(args, count, 3), &outline))
        return 0;
    DefaultFont font;
    const char* face = At(args, count, 0);
    font.face = face ? face : "";
    font.size = size;
    font.fill = fill;
    font.outline = outline;
    font.weight = WeightFromKeyword(At(args, count, 4));
    font.direction = DirectionFromKeyword(At(args, count, 5));
    core::LockGuard hold(core::kLockText);
    SetDefaultFont(font);
    return 1;
}

int LoadFontObject(const scene::CreateContext& c, const scene::CreateArgs& a) {
    int32_t size = 0;
    if (!a.at(0) || !scene::NumericArgument(a.at(2), &size)) return 0;
    FontList* list = nullptr;
    {
        core::LockGuard hold(core::kLockText);
        FontSpec spec{};
        spec.buffer = static_cast<uint8_t*>(std::calloc(1, kGlyphBufferSize));
        if (spec.buffer && CreateFont(&spec, a.at(1), size, WeightFromKeyword(a.at(5)), 0, 0, 0)) {
            if (!ColourArgument(a.at(3), &spec.fill)) spec.fill = 0;
            if (!ColourArgument(a.at(4), &spec.outline)) spec.outline = 0;
            spec.direction = DirectionFromKeyword(a.at(6));
            list = BuildGlyphs(&spec, a.at(7));
        }
        ReleaseFont(&spec);
        ReleaseAll(&spec);
        if (!list) {
            RestoreDefaultSelection();
            return 0;
        }
    }

    scene::Creation k;
    if (!scene::BeginCreation(c, a.at(0), &k)) {
        DiscardList(list);
        core::LockGuard hold(core::kLockText);
        RestoreDefaultSelection();
        return 0;
    }
    k.object->fontList = list;
    k.object->shown = 1;
    return scene::EndCreation(&k);
}

void InstallTextCommands() {
    scene::SetFontListRelease(ReleaseFontList);
    script::InstallCommandHandler("SetFont", CommandSetFont);
    script::InstallCommandHandler("LoadFont", CommandLoadFont);
    InstallTextObjects();
}

bool ReadTextSettings() {
    const core::Settings& s = core::Current().settings;
    DefaultFont font;
    font.face = s.fontFace;
    font.size = s.fontSize;
    font.weight = s.fontWeight;
    font.fill = s.fontInline & 0xFFFFFF;
    font.outline = s.fontOutline & 0xFFFFFF;
    font.direction = 0;
    core::LockGuard hold(core::kLockText);
    SetDefaultFont(font);
    return true;
}

}  // namespace text
