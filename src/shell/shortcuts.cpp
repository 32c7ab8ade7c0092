// Letter shortcuts (SetShortcut, KickShortcut) and F1's save folder.
#include <cstring>
#include <mutex>
#include <string>

#include "platform/video.h"
#include "render/compose.h"
#include "scene/composer.h"
#include "scene/object_tree.h"
#include "core/engine.h"
#include "shell/input.h"
#include "shell/input_internal.h"
#include "shell/state.h"

namespace shell {

int SetShortcut(const char* letter, const char* scriptFile) {
    if (!letter || std::strlen(letter) != 1) return 0;
    char c = letter[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') return 0;
    const char* file = scriptFile ? scriptFile : "";
    size_t length = std::strlen(file);
    // A cut name would name another file: refuse it whole.
    if (length >= kShortcutNameSize) return 0;
    ShellContext& t = State();
    std::lock_guard<std::mutex> lock(t.shortcutMutex);
    char* slot = t.shortcutScripts[c - 'A'];
    std::memcpy(slot, file, length);
    std::memset(slot + length, 0, kShortcutNameSize - length);
    return 1;
}

bool ShortcutScript(int letter, char* out) {
    out[0] = 0;
    if (letter < 'A' || letter > 'Z') return false;
    ShellContext& t = State();
    std::lock_guard<std::mutex> lock(t.shortcutMutex);
    std::memcpy(out, t.shortcutScripts[letter - 'A'], kShortcutNameSize);
    return out[0] != 0;
}

void ClearShortcuts() {
    ShellContext& t = State();
    std::lock_guard<std::mutex> lock(t.shortcutMutex);
    std::memset(t.shortcutScripts, 0, sizeof(t.shortcutScripts));
}

void KickShortcut(int keyCode) {
    if (keyCode <= 0 || keyCode > 255 || core::Quitting()) return;
    if (platform::VideoSelected()) {
        platform::Message m;
        m.code = platform::kMsgKeyDown;
        m.param = keyCode;
        m.style = input::kKickedKeyMark;
        platform::Video().postMessage(m);
    }
    // The key's effects need a running display (the shortcut's system script
    // starts only then).
    if (scene::Objects().running && scene::Objects().displayRunning &&
        !platform::IsEventSet(scene::Objects().displayRunning))
        scene::ResumeComposer();
}

namespace input {

void OpenSaveFolder() {
    InputHooks& h = GetInputHooks();
    std::string folder = h.saveFolder();
    if (folder.empty()) return;
    h.openFolder(folder);
}

}  // namespace input

}  // namespace shell
