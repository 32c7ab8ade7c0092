// Movie objects in the scene: CreateMovie, the media step that puts the
// newest frame into the object's picture, the media Request keywords,
// SetStream for movies, and the hooks through which waits, system screens
// and the composer's rebase reach movies.
#include "movie/movie_commands.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "movie/full_window.h"
#include "movie/movie.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "render/drawable.h"
#include "render/image.h"
#include "scene/commands_scene.h"
#include "scene/action.h"
#include "render/surface.h"
#include "scene/create_commands.h"
#include "scene/create_support.h"
#include "scene/object_tree.h"
#include "scene/payloads.h"
#include "scene/request.h"
#include "script/command_table.h"
#include "script/dispatch.h"
#include "script/interp.h"
#include "script/object_names.h"
#include "script/process.h"
#include "script/sjis.h"
#include "script/variables.h"
#include "core/registry.h"
#include "sound/sound_commands.h"
#include "platform/text_copy.h"

namespace movie {

namespace {

using scene::SceneObject;

Movie* PlayerOf(const SceneObject* o) {
    return o ? o->movie : nullptr;
}

SceneObject* MovieOwner(const void* payload) {
    return MovieOwnerOf(static_cast<const Movie*>(payload));
}
void ReleaseMoviePayload(void* payload) {
    DestroyMovie(static_cast<Movie*>(payload));
}

// 1 for "TRUE", 0 for "FALSE" (any case), 255 for anything else.
int SwitchValue(const char* text) {
    if (!text) return 255;
    while (*text == ' ' || *text == '\t') ++text;
    if (script::EqualsNoCase(text, "TRUE")) return 1;
    if (script::EqualsNoCase(text, "FALSE")) return 0;
    return 255;
}

// The media step: the newest frame into the object's picture.
int MovieStep(SceneObject* o) {
    Movie* m = PlayerOf(o);
    render::Image* image = o->image ? o->image->image : nullptr;
    if (!m || !image || !image->pixels) return 0;
    int copied = CopyMovieFrame(m, image->pixels, image->width, image->height,
                                static_cast<size_t>(image->width) * 4);
    if (copied) {
        render::ImageChanged(image);
        // A movie mask: its layer is built again from the new frame.
        if (o->layer && o->layer->owner == o) o->layer->changed = 1;
        scene::MarkObjectArea(o);
    }
    // A stopped movie has nothing more to show until it plays again.
    if (!copied && MovieState(m) == kMovieStopped) o->ops.mediaStep = scene::NoStep;
    return copied;
}

int MovieRequest(SceneObject* o, scene::ObjectQuery* q) {
    const char* k = q->arguments[0];
    Movie* m = PlayerOf(o);
    if (!m) return sound::MediaRequest(o, q);
    if (scene::KeywordIs(k, "Play"))
        PlayMovie(m);
    else if (scene::KeywordIs(k, "Stop"))
        StopMovie(m);
    else if (scene::KeywordIs(k, "Pause"))
        PauseMovie(m);
    else if (scene::KeywordIs(k, "Resume"))
        ResumeMovie(m);
    else
        return scene::TextureRequest(o, q);
    o->ops.mediaStep = MovieStep;
    return 1;
}

int CreateMovieObject(const scene::CreateContext& c, const scene::CreateArgs& a) {
    const char* name = a.at(6);
    if (!a.at(0) || !name || !*name) return 0;
    MovieSettings settings;
    settings.loop = SwitchValue(a.at(4)) != 0;
    settings.alpha = SwitchValue(a.at(5)) != 0;
    int32_t volume = 1000;
    if (a.at(7) && *a.at(7)) volume = std::clamp(scene::LeadingInteger(a.at(7)), 0, 1000);
    settings.volume = volume;
    Movie* m = OpenMovie(name, settings);
    if (!m) return 0;
    // Black until the first frame arrives.
    render::Image* image = render::CreateBlankImage(MovieWidth(m), MovieHeight(m), 0, 255);
    if (!image) {
        DestroyMovie(m);
        return 0;
    }
    image->flags = settings.alpha ? 0x0116 : 0x0016;
    scene::Creation k;
    if (!scene::BeginCreation(c, a.at(0), &k)) {
        render::DestroyImage(&image);
        DestroyMovie(m);
        return 0;
    }
    SceneObject* o = k.object;
    SetMovieOwner(m, o);
    o->movie = m;
    if (!scene::AttachTexture(o, image, true)) return scene::AbortCreation(&k);
    o->ops.mediaStep = MovieStep;
    o->ops.request = MovieRequest;
    if (!scene::PlaceTexture(o, a.at(2), a.at(3), scene::LeadingInteger(a.at(1))))
        return scene::AbortCreation(&k);
    scene::MarkTextureCreated();
    return scene::EndCreation(&k);
}

void CommandCreateMovie(script::CommandCall& call) {
    scene::CreateContext c = scene::CommandContext(call);
    scene::CreateArgs a{call.args, script::kMaxCommandArguments};
    call.result = CreateMovieObject(c, a);
}

// Masks with a movie source: no loop, no alpha half, full volume.
Movie* OpenMaskMovie(const char* name, render::Image** picture) {
    MovieSettings settings;
    settings.loop = false;
    settings.alpha = false;
    Movie* m = OpenMovie(name, settings);
    if (!m) return nullptr;
    *picture = render::CreateBlankImage(MovieWidth(m), MovieHeight(m), 0, 255);
    if (!*picture) {
        DestroyMovie(m);
        return nullptr;
    }
    (*picture)->flags = 0x0016;
    return m;
}
void AttachMaskMovie(SceneObject* o, Movie* m) {
    SetMovieOwner(m, o);
    o->movie = m;
    o->ops.mediaStep = MovieStep;
}

int SeekVisitor(SceneObject* o, scene::ObjectQuery* q) {
    Movie* m = PlayerOf(o);
    if (!m) return 0;
    double ms = *static_cast<const double*>(q->context);
    if (ms >= 0 && ms < MovieDuration(m)) {
        SeekMovieTo(m, static_cast<uint32_t>(ms));
        o->ops.mediaStep = MovieStep;
    }
    q->matched += 1;
    return 1;
}

// Every movie of every tree (SceneLock held).
void ForMovies(SceneObject* node, void (*action)(Movie*)) {
    if (!node) return;
    if (Movie* m = PlayerOf(node)) action(m);
    for (SceneObject* c = node->firstChild; c; c = c->nextSibling) ForMovies(c, action);
}
void ForAllMovies(void (*action)(Movie*)) {
    for (scene::ObjectRoot* slot = &scene::Objects().firstSlot; slot; slot = slot->next)
        if (slot->ownerKey != scene::kFreeKey) ForMovies(&slot->root, action);
}

int MoviePlayingHook(SceneObject* o) {
    Movie* m = PlayerOf(o);
    return m && MovieState(m) == kMoviePlaying ? 1 : 0;
}

}  // namespace

void InstallMovieCommands() {
    scene::SetPayloadOps(scene::kPayloadMovie, {MovieOwner, ReleaseMoviePayload});
    script::InstallCommandHandler("CreateMovie", CommandCreateMovie);
    scene::GetMaskMovieHooks() = {OpenMaskMovie, AttachMaskMovie, DestroyMovie};
    scene::GetActivityHooks().moviePlaying = MoviePlayingHook;
    InstallFullWindowCommand();
}

void SetStreamOfMovies(script::CommandCall& call) {
    char path[script::kObjectNameSize];
    const char* prefix = call.block ? script::BlockPrefix(call.block) : "";
    if (!call.process || !call.args[0] || !call.args[1] ||
        !script::QualifyObjectName(call.args[0], path, prefix ? prefix : "") || !path[0])
        return;
    const char* t = call.args[1];
    while (*t == ' ' || *t == '\t') ++t;
    double ms = 0;
    if (*t == '#' || *t == '$') {
        script::Variable* v = script::Lookup(t, call.block);
        if (!v) return;
        ms = *t == '#' ? v->number : std::atof(v->text);
    } else {
        ms = std::atof(t);
    }
    scene::ObjectQuery q{};
    q.ownerKey = call.process->ownerKey;
    platform::CopyText(q.path, sizeof(q.path), path);
    q.visitor = SeekVisitor;
    q.context = &ms;
    core::SceneLockGuard held;
    scene::VisitObjects(&q);
}

void SuspendAllMovies() {
    core::SceneLockGuard held;
    ForAllMovies(SuspendMovie);
}

void ResumeAllMovies() {
    core::SceneLockGuard held;
    ForAllMovies(ResumeSuspendedMovie);
}

void RebaseMovies(uint32_t, int resume) {
    if (!resume) ForAllMovies(ResumeSuspendedMovie);
}

}  // namespace movie
