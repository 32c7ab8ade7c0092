#include "save/frames_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "core/registry.h"
#include "render/drawable.h"
#include "render/image.h"
#include "render/image_decoders.h"
#include "save/bytes.h"
#include "save/container.h"
#include "scene/action.h"
#include "scene/object_tree.h"
#include "script/dispatch.h"
#include "script/process.h"

namespace save {

namespace {

using scene::SceneObject;

// Every command that makes an object: the only ones a saved game runs.
constexpr const char* kCreatingCommands[] = {
    "CreateName",    "CreateAnimation", "CreateProcess",   "CreateColor",       "CreateEffect",
    "CreateFrame",   "CreateTexture",   "CreateClipTexture", "CreateDifferenceTexture",
    "CreateMask",    "CreateStencil",   "CreateSurface",   "CreateMovie",       "CreateCube",
    "CreateSound",   "CreateText",      "CreateWindow",    "CreateCamera",      "CreateChoice",
    "CreateBacklog", "CreateScrollbar", "LoadImage",       "LoadClipImage",     "LoadColor",
    "LoadFont",      "LoadText",
};

constexpr int kMaxPictures = 1000;

constexpr int kSavedActionKinds[] = {scene::kActionFade, scene::kActionMove, scene::kActionZoom,
                                     scene::kActionRotate, scene::kActionShake};

std::string PathOf(const SceneObject* o) {
    std::string path;
    for (; o && o->parent; o = o->parent) path = path.empty() ? std::string(o->name) : std::string(o->name) + "/" + path;
    return path;
}

bool Saved(const SceneObject* o) { return o->referencesIntact && !o->stateImage; }

void WriteQuad(ByteWriter& w, const render::Drawable* d) {
    const render::Quad* q = d->quad;
    w.U8(d->opacity);
    w.I32(d->blendMode);
    for (int i = 0; i < 4; ++i) {
        w.F64(q->vx[i]);
        w.F64(q->vy[i]);
        w.F64(q->vz[i]);
        w.I32(q->tu[i]);
        w.I32(q->tv[i]);
    }
    for (double v : {q->x, q->y, q->depth, q->objectZ, q->cx, q->cy}) w.F64(v);
    for (int i = 0; i < 3; ++i) {
        w.I32(q->angles[i]);
        w.I32(q->zoom[i]);
    }
}

void ReadQuad(ByteReader& r, SavedQuad* q) {
    q->opacity = r.U8("opacity");
    q->blendMode = r.I32("blend mode");
    for (int i = 0; i < 4; ++i) {
        q->vx[i] = r.F64("corner");
        q->vy[i] = r.F64("corner");
        q->vz[i] = r.F64("corner");
        q->tu[i] = static_cast<int16_t>(r.I32("texture corner"));
        q->tv[i] = static_cast<int16_t>(r.I32("texture corner"));
    }
    for (double* v : {&q->x, &q->y, &q->depth, &q->objectZ, &q->cx, &q->cy}) *v = r.F64("placement");
    for (int i = 0; i < 3; ++i) {
        q->angles[i] = r.I32("angle");
        q->zoom[i] = r.I32("zoom");
    }
}

void WriteAction(ByteWriter& w, int kind, const scene::ActionRecord& a) {
    w.I32(kind);
    w.I32(a.go);
    w.I32(a.hold);
    for (int32_t v : a.start) w.I32(v);
    for (int32_t v : a.target) w.I32(v);
    for (int32_t v : a.extra) w.I32(v);
    w.I32(a.counter);
    w.I32(a.multiplier);
    w.I32(a.durationMs);
    w.I32(a.steps);
    char curve[sizeof(a.curveName) + 1] = {};
    std::memcpy(curve, a.curveName, sizeof(a.curveName));
    w.Text(curve);
    int32_t curves = 0;
    while (curves < 3 && a.curves[curves]) ++curves;
    w.I32(curves);
    for (int c = 0; c < curves; ++c)
        for (int32_t i = 0; i <= a.steps; ++i) w.F64(a.curves[c][i]);
    int32_t points = a.path ? a.pathPoints : 0;
    w.I32(points);
    for (int32_t i = 0; i < 3 * points; ++i) w.I32(a.path[i]);
}

bool ReadAction(ByteReader& r, SavedAction* a) {
    a->kind = r.I32("action kind");
    if (r.ok() && std::find(std::begin(kSavedActionKinds), std::end(kSavedActionKinds), a->kind) ==
                      std::end(kSavedActionKinds)) {
        r.Fail("action kind " + std::to_string(a->kind) + " is unknown");
        return false;
    }
    a->go = r.I32("action word");
    a->hold = r.I32("action word");
    for (int32_t& v : a->start) v = r.I32("action start");
    for (int32_t& v : a->target) v = r.I32("action target");
    for (int32_t& v : a->extra) v = r.I32("action word");
    a->counter = r.I32("action counter");
    a->multiplier = r.I32("action multiplier");
    a->durationMs = r.I32("action duration");
    a->steps = r.I32("action steps");
    a->curveName = r.Text(15, "curve name");
    int32_t curves = r.Count(3, "curve count");
    if (r.ok() && (a->steps < 0 || static_cast<size_t>(a->steps) + 1 > r.remaining() / 8)) {
        r.Fail("action step count " + std::to_string(a->steps) + " does not fit the record");
        return false;
    }
    for (int32_t c = 0; c < curves && r.ok(); ++c) {
        std::vector<double> table(static_cast<size_t>(a->steps) + 1);
        for (double& v : table) v = r.F64("curve value");
        a->curves.push_back(std::move(table));
    }
    int32_t points = r.Count(static_cast<int32_t>(r.remaining() / 12), "path point count");
    a->path.resize(static_cast<size_t>(points) * 3);
    for (int32_t& v : a->path) v = r.I32("path point");
    return r.ok();
}

void WriteObject(ByteWriter& w, const SceneObject* o, const std::unordered_map<const SceneObject*, int32_t>& ids,
                 const std::string& pictureFile) {
    auto id = [&](const SceneObject* p) {
        auto it = ids.find(p);
        return it == ids.end() ? 0 : it->second;
    };
    size_t start = w.size();
    w.I32(0);  // the record's length, written at the end
    w.I32(id(o));
    w.I32(o->ownerKey);
    w.I32(o->creationSequence);
    w.Text(o->creatingCommand);
    w.Text(o->creatorPrefix);
    w.Text(o->name);
    w.Text(PathOf(o).c_str());
    w.Text(o->alias);
    for (const SceneObject* f : o->focus) w.I32(id(f));
    for (int32_t v : {o->locked, o->disused, o->hideable, o->clickable, o->priority, o->groupFlag}) w.I32(v);
    for (int32_t v : o->position) w.I32(v);
    for (int32_t v : o->groupOffset) w.I32(v);
    w.I32(o->shown);
    w.I32(o->drawEnabled);
    w.U8(o->targetOpacity);
    bool quad = o->image && o->image->quad;
    w.I32(quad ? 1 : 0);
    if (quad) WriteQuad(w, o->image);
    int32_t actions = 0;
    for (int kind : kSavedActionKinds)
        if (o->actions[kind].multiplier || o->actions[kind].steps) ++actions;
    w.I32(actions);
    for (int kind : kSavedActionKinds)
        if (o->actions[kind].multiplier || o->actions[kind].steps) WriteAction(w, kind, o->actions[kind]);
    w.Text(pictureFile.c_str());
    w.PatchU32(start, static_cast<uint32_t>(w.size() - start));
}

bool ReadObject(ByteReader& r, SavedObject* o) {
    o->id = r.I32("object id");
    o->ownerKey = r.I32("owner key");
    o->sequence = r.I32("creation sequence");
    o->command = r.Text(scene::kCommandTextSize - 1, "creating command");
    o->prefix = r.Text(scene::kNameSize - 1, "object prefix");
    o->name = r.Text(scene::kNameSize - 1, "object name");
    o->path = r.Text(4096, "object path");
    o->alias = r.Text(scene::kNameSize - 1, "alias");
    for (int32_t& f : o->focus) f = r.I32("focus neighbour");
    for (int32_t* v : {&o->locked, &o->disused, &o->hideable, &o->clickable, &o->priority, &o->groupFlag})
        *v = r.I32("object field");
    for (int32_t& v : o->position) v = r.I32("position");
    for (int32_t& v : o->groupOffset) v = r.I32("group offset");
    o->shown = r.I32("shown flag");
    o->drawEnabled = r.I32("draw flag");
    o->targetOpacity = r.U8("target opacity");
    int32_t quad = r.I32("placement presence word");
    if (r.ok() && quad != 0 && quad != 1) r.Fail("a presence word is neither 0 nor 1");
    o->hasQuad = quad == 1;
    if (o->hasQuad) ReadQuad(r, &o->quad);
    int32_t actions = r.Count(5, "action count");
    for (int32_t i = 0; i < actions && r.ok(); ++i) {
        SavedAction a;
        if (ReadAction(r, &a)) o->actions.push_back(std::move(a));
    }
    o->pictureFile = r.Text(64, "picture file name");
    if (r.ok() && !o->pictureFile.empty() &&
        (o->pictureFile.find('/') != std::string::npos || o->pictureFile.find('\\') != std::string::npos ||
         o->pictureFile.find("..") != std::string::npos))
        r.Fail("picture file name " + o->pictureFile + " leaves the slot folder");
    if (r.ok() && !IsObjectCreatingCommand(o->command))
        r.Fail("object " + o->path + " was made by \"" + o->command.substr(0, 40) +
               "\", which is not an object-creating command");
    if (r.ok() && o->path.empty()) r.Fail("an object has no name");
    return r.ok();
}

void ApplyQuad(SceneObject* o, const SavedQuad& s) {
    render::Drawable* d = o->image;
    render::Quad* q = d->quad;
    d->opacity = s.opacity;
    if (d->blendMode != s.blendMode) render::InstallBlendMode(d, s.blendMode);
    for (int i = 0; i < 4; ++i) {
        q->vx[i] = s.vx[i];
        q->vy[i] = s.vy[i];
        q->vz[i] = s.vz[i];
        q->tu[i] = s.tu[i];
        q->tv[i] = s.tv[i];
    }
    q->x = s.x;
    q->y = s.y;
    q->depth = s.depth;
    q->objectZ = s.objectZ;
    q->cx = s.cx;
    q->cy = s.cy;
    for (int i = 0; i < 3; ++i) {
        q->angles[i] = s.angles[i];
        q->zoom[i] = s.zoom[i];
    }
    q->matrixValid = 0;
}

scene::StepFn StepRoutine(int kind) {
    switch (kind) {
        case scene::kActionFade: return scene::FadeStep;
        case scene::kActionMove: return scene::MoveStep;
        case scene::kActionZoom: return scene::ZoomStep;
        case scene::kActionRotate: return scene::RotateStep;
        default: return scene::ShakeStep;
    }
}

scene::StepFn* StepSlotOf(SceneObject* o, int kind) {
    switch (kind) {
        case scene::kActionFade: return &o->ops.fadeStep;
        case scene::kActionMove: return &o->ops.moveStep;
        case scene::kActionZoom: return &o->ops.zoomStep;
        case scene::kActionRotate: return &o->ops.rotateStep;
        default: return &o->ops.shakeStep;
    }
}

bool ApplyAction(SceneObject* o, const SavedAction& s) {
    scene::ActionRecord& a = o->actions[s.kind];
    scene::ClearAction(&a);
    a.go = s.go;
    a.hold = s.hold;
    std::memcpy(a.start, s.start, sizeof(a.start));
    std::memcpy(a.target, s.target, sizeof(a.target));
    std::memcpy(a.extra, s.extra, sizeof(a.extra));
    a.counter = s.counter;
    a.multiplier = s.multiplier;
    a.durationMs = s.durationMs;
    a.steps = s.steps;
    std::memcpy(a.curveName, s.curveName.data(), std::min(s.curveName.size(), sizeof(a.curveName) - 1));
    for (size_t c = 0; c < s.curves.size() && c < 3; ++c) {
        a.curves[c] = static_cast<double*>(std::malloc(s.curves[c].size() * sizeof(double)));
        if (!a.curves[c]) return false;
        std::memcpy(a.curves[c], s.curves[c].data(), s.curves[c].size() * sizeof(double));
    }
    if (!s.path.empty()) {
        a.path = static_cast<int32_t*>(std::malloc(s.path.size() * sizeof(int32_t)));
        if (!a.path) return false;
        std::memcpy(a.path, s.path.data(), s.path.size() * sizeof(int32_t));
        a.pathPoints = static_cast<int32_t>(s.path.size() / 3);
    }
    if (a.multiplier) *StepSlotOf(o, s.kind) = StepRoutine(s.kind);
    return true;
}

// Runs one creating command as a statement of a scratch block that carries
// the creator's object prefix, in the owning process.
bool RunCreatingCommand(script::ScriptProcess* process, const SavedObject& s) {
    auto block = std::make_unique<script::ScriptBlock>();
    block->process = process;
    block->inUse = 1;
    block->kind = script::kBlockInline;
    std::memcpy(block->objectPrefix, s.prefix.data(), s.prefix.size());
    std::vector<char> text(s.command.begin(), s.command.end());
    text.resize(text.size() + 64, 0);
    const char* cursor = text.data();
    const char* limit = text.data() + s.command.size();
    if (script::DispatchCommand(process, block.get(), &cursor, limit) != script::kConsumed) return false;
    return cursor != text.data();
}

}  // namespace

bool IsObjectCreatingCommand(const std::string& text) {
    size_t open = text.find('(');
    if (open == std::string::npos) return false;
    std::string name = text.substr(0, open);
    bool known = false;
    for (const char* c : kCreatingCommands) known = known || name == c;
    if (!known) return false;
    // One statement only: the first ';' outside double quotes ends the text.
    bool quoted = false;
    for (size_t i = open; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c > 0x80 && i + 1 < text.size()) {
            ++i;  // a two-byte character: its second byte is never a delimiter
            continue;
        }
        if (c == '"') quoted = !quoted;
        if (c == ';' && !quoted) return i + 1 == text.size() && i > 0 && text[i - 1] == ')';
    }
    return false;
}

std::vector<uint8_t> EncodePicture(int width, int height, int displayWidth, int displayHeight,
                                   uint16_t flags, const uint32_t* const* rows) {
    ByteWriter w;
    w.Raw("CVSI", 4);
    w.U32(0xF1F1FAC4u);
    w.U8(static_cast<uint8_t>(flags));
    w.U8(static_cast<uint8_t>(flags >> 8));
    w.I32(width);
    w.I32(displayWidth);
    w.I32(height);
    w.I32(displayHeight);
    for (int r = 0; r < height; ++r) w.Raw(rows[r], static_cast<size_t>(width) * 4);
    return w.bytes;
}

bool BuildFramesRecord(std::vector<uint8_t>* record, std::vector<PictureFile>* pictures) {
    ByteWriter w;
    BeginRecord(w, "CVSD", 0);
    core::SceneLockGuard held;
    std::vector<const SceneObject*> objects;
    std::unordered_map<const SceneObject*, int32_t> ids;
    for (scene::DrawListNode* n = scene::MainWorld()->list.first; n; n = n->next) {
        if (!n->object || !Saved(n->object)) continue;
        objects.push_back(n->object);
        ids[n->object] = static_cast<int32_t>(objects.size());
    }
    for (const SceneObject* o : objects) {
        std::string pictureFile;
        const render::Image* picture = o->image ? o->image->image : nullptr;
        if (picture && (picture->flags & render::kImgGenerated) && picture->rows) {
            if (pictures->size() >= static_cast<size_t>(kMaxPictures)) return false;
            char name[32];
            std::snprintf(name, sizeof(name), "image_%04zu.cvf", pictures->size());
            pictureFile = name;
            pictures->push_back({pictureFile, EncodePicture(picture->width, picture->height, picture->displayWidth,
                                                            picture->displayHeight, picture->flags, picture->rows)});
        }
        WriteObject(w, o, ids, pictureFile);
    }
    w.PatchU32(12, static_cast<uint32_t>(objects.size()));
    FinishRecord(w);
    *record = std::move(w.bytes);
    return true;
}

bool ParseFramesRecord(const std::vector<uint8_t>& record, std::vector<SavedObject>* out,
                       std::string* reason) {
    ByteReader r(record.data(), record.size());
    int32_t count = 0;
    if (!ReadRecordHeader(r, "CVSD", &count)) {
        *reason = r.error();
        return false;
    }
    if (count < 0 || static_cast<size_t>(count) > r.remaining() / 8) {
        *reason = "object count " + std::to_string(count) + " does not fit the record";
        return false;
    }
    out->assign(static_cast<size_t>(count), SavedObject{});
    for (int32_t i = 0; i < count && r.ok(); ++i) {
        int32_t length = r.I32("object record length");
        if (r.ok() && (length < 4 || static_cast<size_t>(length) - 4 > r.remaining())) {
            r.Fail("object record " + std::to_string(i) + " has length " + std::to_string(length));
            break;
        }
        const uint8_t* bytes = r.Bytes(static_cast<size_t>(length) - 4, "object record");
        if (!bytes) break;
        ByteReader o(bytes, static_cast<size_t>(length) - 4);
        if (ReadObject(o, &(*out)[static_cast<size_t>(i)]) && o.remaining() != 0)
            o.Fail("bytes follow the object's last block");
        if (!o.ok()) {
            *reason = "object " + std::to_string(i) + ": " + o.error();
            return false;
        }
    }
    if (r.ok() && r.remaining() != 0) r.Fail("bytes follow the last object");
    if (!r.ok()) {
        *reason = r.error();
        return false;
    }
    return true;
}

namespace {

bool RestorePicture(SceneObject* o, const std::vector<PictureFile>& pictures, const std::string& name,
                    std::string* reason) {
    for (const PictureFile& f : pictures) {
        if (f.name != name) continue;
        render::Image* saved = render::DecodeCvsi(f.bytes.data(), f.bytes.size());
        render::Image* picture = o->image ? o->image->image : nullptr;
        bool fits = saved && picture && picture->rows && saved->width == picture->width &&
                    saved->height == picture->height;
        if (fits) {
            for (int r = 0; r < picture->height; ++r)
                std::memcpy(picture->rows[r], saved->rows[r], static_cast<size_t>(picture->width) * 4);
            picture->flags = static_cast<uint16_t>(picture->flags | render::kImgGenerated);
            render::ImageChanged(picture);
        }
        if (saved) render::DestroyImage(&saved);
        if (!fits) *reason = "the saved picture " + name + " does not fit its object";
        return fits;
    }
    *reason = "the picture file " + name + " is missing";
    return false;
}

}  // namespace

bool RestoreObjects(const std::vector<SavedObject>& objects, const std::vector<PictureFile>& pictures,
                    const std::vector<script::ScriptProcess*>& processes, std::string* reason) {
    std::vector<const SavedObject*> order;
    for (const SavedObject& o : objects) order.push_back(&o);
    std::stable_sort(order.begin(), order.end(),
                     [](const SavedObject* a, const SavedObject* b) { return a->sequence < b->sequence; });
    std::unordered_map<int32_t, SceneObject*> made;
    for (const SavedObject* s : order) {
        script::ScriptProcess* owner = nullptr;
        for (script::ScriptProcess* p : processes)
            if (p->ownerKey == s->ownerKey) owner = p;
        if (!owner) {
            *reason = "object " + s->path + " belongs to no saved process";
            return false;
        }
        if (!RunCreatingCommand(owner, *s)) {
            *reason = "object " + s->path + ": " + s->command + " did not run";
            return false;
        }
        core::SceneLockGuard held;
        SceneObject* o = scene::FindObject(s->ownerKey, s->path.c_str());
        if (!o || s->name != o->name) {
            *reason = "object " + s->path + " was not made by " + s->command;
            return false;
        }
        made[s->id] = o;
        std::memset(o->alias, 0, sizeof(o->alias));
        std::memcpy(o->alias, s->alias.data(), s->alias.size());
        o->locked = s->locked;
        o->disused = s->disused;
        o->hideable = s->hideable;
        o->clickable = s->clickable;
        o->priority = s->priority;
        o->groupFlag = s->groupFlag;
        std::memcpy(o->position, s->position, sizeof(o->position));
        std::memcpy(o->groupOffset, s->groupOffset, sizeof(o->groupOffset));
        o->shown = s->shown;
        o->drawEnabled = s->drawEnabled;
        o->targetOpacity = s->targetOpacity;
        if (s->hasQuad && o->image && o->image->quad) ApplyQuad(o, s->quad);
        if (!s->pictureFile.empty() && !RestorePicture(o, pictures, s->pictureFile, reason)) {
            *reason = "object " + s->path + ": " + *reason;
            return false;
        }
        for (const SavedAction& a : s->actions) {
            if (!ApplyAction(o, a)) {
                *reason = "out of memory restoring an action of " + s->path;
                return false;
            }
        }
    }
    core::SceneLockGuard held;
    for (const SavedObject& s : objects) {
        auto it = made.find(s.id);
        if (it == made.end()) continue;
        for (int i = 0; i < 4; ++i) {
            auto f = made.find(s.focus[i]);
            it->second->focus[i] = s.focus[i] && f != made.end() ? f->second : nullptr;
        }
    }
    scene::SortDrawList(scene::MainWorld());
    return true;
}

}  // namespace save
