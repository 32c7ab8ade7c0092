// Path resolution: matching components against names and aliases, find and
// the visit.
//
// A path is components separated by '/'. A component without '*' matches a
// name exactly; with '*' it matches every name beginning with the bytes before
// the first '*'. A first component "@text" matches by alias over the world's
// draw list instead of a sibling list; a leading '<' makes alias lookups use
// the main world even while the system world is current.
#include <cstring>

#include "scene/object_internal.h"
#include "scene/object_tree.h"

namespace scene {

namespace {

// One component of a path: bytes [text, text + length) compared, `star` when
// the component ends in a '*' pattern.
struct Component {
    const char* text;
    int length;  // bytes compared: up to the first '/' or '*'
    bool star;
    int32_t sum;
    const char* rest;  // text after the '/', or null for the last component
};

Component Split(const char* path) {
    Component c{};
    c.text = path;
    const char* slash = std::strchr(path, '/');
    const char* end = slash ? slash : path + std::strlen(path);
    const char* star =
        static_cast<const char*>(std::memchr(path, '*', static_cast<size_t>(end - path)));
    c.star = star != nullptr;
    c.length = static_cast<int>((star ? star : end) - path);
    c.rest = slash ? slash + 1 : nullptr;
    int32_t sum = 0;
    for (int i = 0; i < c.length; ++i) sum += static_cast<unsigned char>(path[i]);
    c.sum = sum;
    return c;
}

bool MatchText(const char* stored, int32_t storedSum, const Component& c) {
    if (c.star) return std::strncmp(stored, c.text, static_cast<size_t>(c.length)) == 0;
    if (storedSum != c.sum) return false;
    return std::memcmp(stored, c.text, static_cast<size_t>(c.length)) == 0 && stored[c.length] == 0;
}

bool MatchName(const SceneObject* o, const Component& c) {
    return MatchText(o->name, o->nameSum, c);
}

bool MatchAlias(const SceneObject* o, const Component& c) {
    if (!o->alias[0]) return false;  // an empty alias is never addressed
    return MatchText(o->alias, NameSum(o->alias), c);
}

// Strips a leading '<'; reports it through `mainWorld`.
const char* StripWorldMark(const char* path, bool* mainWorld) {
    *mainWorld = path[0] == '<';
    return *mainWorld ? path + 1 : path;
}

SceneObject* FindAmong(SceneObject* first, const char* path);

// Alias component at the head of `path` (without its '@').
SceneObject* FindByAlias(const char* path, World* world) {
    Component c = Split(path);
    for (DrawListNode* n = world->list.first; n; n = n->next) {
        SceneObject* o = n->object;
        if (!MatchAlias(o, c)) continue;
        if (!c.rest) return o;
        if (!o->firstChild) return nullptr;
        return FindAmong(o->firstChild, c.rest);
    }
    return nullptr;
}

SceneObject* FindAmong(SceneObject* first, const char* path) {
    SceneObject* level = first;
    const char* p = path;
    for (;;) {
        if (!*p) return nullptr;
        Component c = Split(p);
        SceneObject* match = nullptr;
        for (SceneObject* o = level; o; o = o->nextSibling)
            if (MatchName(o, c)) {
                match = o;
                break;
            }
        if (!match || !c.rest) return match;
        if (!match->firstChild) return nullptr;
        level = match->firstChild;
        p = c.rest;
    }
}

struct VisitState {
    ObjectQuery* query;
    World* world;
    bool deletion;
    bool stopped;
};

void VisitLevel(VisitState* s, SceneObject* first, const char* path);

// Visitor applied to a final match, then the descent into its children.
void ApplyToMatch(VisitState* s, SceneObject* o, bool viaAlias) {
    ObjectQuery* q = s->query;
    int result = q->visitor(o, q);
    if (result && q->stopAtFirst && !q->allMatches) {
        s->stopped = true;
        return;
    }
    if (s->deletion || q->noDescend) return;
    if (viaAlias && q->noAliasDescend) return;
    bool descend = viaAlias ? o->groupFlag != 0 : (o->groupFlag != 0 || q->descend != 0);
    if (!descend || !o->firstChild) return;
    char saved[kNameSize];
    std::memcpy(saved, q->path, sizeof saved);
    std::strcpy(q->path, "*");
    VisitLevel(s, o->firstChild, "*");
    std::memcpy(q->path, saved, sizeof saved);
}

void VisitAlias(VisitState* s, const char* path) {
    Component c = Split(path);
    DrawListNode* n = s->world->list.first;
    while (n && !s->stopped) {
        SceneObject* o = n->object;
        DrawListNode* next = n->next;
        if (MatchAlias(o, c)) {
            if (c.rest) {
                if (o->firstChild) VisitLevel(s, o->firstChild, c.rest);
            } else {
                int before = s->query->deleted;
                ApplyToMatch(s, o, true);
                if (s->deletion && s->query->deleted != before) {
                    // The deletion may have freed any later node (descendants):
                    // start again from the head.
                    n = s->world->list.first;
                    continue;
                }
            }
        }
        n = next;
    }
}

void VisitLevel(VisitState* s, SceneObject* first, const char* path) {
    if (path[0] == '@') {
        VisitAlias(s, path + 1);
        return;
    }
    Component c = Split(path);
    SceneObject* o = first;
    while (o && !s->stopped) {
        // Step on before the visitor runs: the deletion visitor unlinks `o`.
        SceneObject* next = o->nextSibling;
        if (MatchName(o, c)) {
            if (c.rest) {
                if (o->firstChild) VisitLevel(s, o->firstChild, c.rest);
            } else {
                ApplyToMatch(s, o, false);
            }
        }
        o = next;
    }
}

}  // namespace

int32_t NameSum(const char* text) {
    int32_t sum = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) sum += *p;
    return sum;
}

SceneObject* FindObject(int32_t key, const char* path) {
    if (!path || !*path) return nullptr;
    ObjectRoot* slot = FindTree(key);
    if (!slot) return nullptr;
    bool mainWorld = false;
    const char* p = StripWorldMark(path, &mainWorld);
    World* world = mainWorld ? MainWorld() : CurrentWorld();
    if (p[0] == '@') return FindByAlias(p + 1, world);
    if (!slot->root.firstChild) return nullptr;
    return FindAmong(slot->root.firstChild, p);
}

SceneObject* FindParentForCreation(int32_t key, const char* parentPath) {
    bool mainWorld = false;
    const char* p = StripWorldMark(parentPath, &mainWorld);
    if (p[0] != '@' || (p[1] != '$' && p[1] != '#')) return FindObject(key, parentPath);
    // "@$name" / "@#name": the variable's text is the alias.
    const char* slash = std::strchr(p, '/');
    char variable[kNameSize] = {};
    size_t length = slash ? static_cast<size_t>(slash - (p + 1)) : std::strlen(p + 1);
    if (length >= sizeof variable) return nullptr;
    std::memcpy(variable, p + 1, length);
    char alias[kNameSize] = {};
    if (!Hooks().variableText || !Hooks().variableText(variable, alias, sizeof alias))
        return nullptr;
    char resolved[kNameSize * 2] = {};
    size_t used = 0;
    auto append = [&](const char* t) {
        size_t n = std::strlen(t);
        if (used + n >= sizeof resolved) n = sizeof resolved - 1 - used;
        std::memcpy(resolved + used, t, n);
        used += n;
    };
    if (mainWorld) append("<");
    append("@");
    append(alias);
    if (slash) append(slash);
    if (used >= kNameSize) return nullptr;
    return FindObject(key, resolved);
}

void VisitObjects(ObjectQuery* query) {
    if (!query || !query->visitor || !query->path[0]) return;
    ObjectRoot* slot = FindTree(query->ownerKey);
    if (!slot) return;
    bool mainWorld = false;
    // Work on a copy: visitors may rewrite query->path during the descent.
    char path[kNameSize];
    std::memcpy(path, query->path, sizeof path);
    path[kNameSize - 1] = 0;
    const char* p = StripWorldMark(path, &mainWorld);
    if (mainWorld) query->mainWorld = 1;
    VisitState s{query, query->mainWorld ? MainWorld() : CurrentWorld(),
                 query->visitor == DeletionVisitor, false};
    if (p[0] == '@') {
        VisitAlias(&s, p + 1);
        return;
    }
    VisitLevel(&s, slot->root.firstChild, p);
}

}  // namespace scene
