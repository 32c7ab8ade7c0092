// Effects of the system variables and the start-up set of them.
#include "script/system_variables.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/sync.h"
#include "script/file_support.h"
#include "script/services.h"
#include "script/sjis.h"
#include "script/state.h"
#include "script/variables.h"
#include "core/engine.h"

namespace script {

SystemValues& GetSystemValues() { return State().systemValues; }

namespace {

using Effect = void (*)(Variable* v);

struct SystemEntry {
    const char* name;  // after "SYSTEM_"
    Effect apply;
};

int Int(const Variable* v) {
    return static_cast<int>(v->number);
}
void Changed(SystemChange change) {
    GetServices().systemChanged(change);
}

int Clamp(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

template <size_t N>
void StoreText(char (&dest)[N], const Variable* v, size_t limit = N) {
    CopyCut(dest, limit, v->text);
}

SystemValues& S() {
    return GetSystemValues();
}

void ApplyTextAuto(Variable* v) {
    if (S().textAutoLock && v->number != 0) SetNumber(v, 0);
    S().textAuto = Int(v);
    Changed(SystemChange::TextAuto);
}

const SystemEntry kEntries[] = {
    {"play_speed",
     [](Variable* v) {
         if (v->number <= 0) return;
         S().playSpeedStep = Clamp(Int(v), 1, 12);
         SetNumber(v, S().playSpeedStep);
         Changed(SystemChange::PlaySpeed);
     }},
    {"sound_bgm",
     [](Variable* v) {
         S().soundBgm = v->number != 0;
         Changed(SystemChange::Sound);
     }},
    {"sound_se",
     [](Variable* v) {
         S().soundSe = v->number != 0;
         Changed(SystemChange::Sound);
     }},
    {"sound_voice",
     [](Variable* v) {
         S().soundVoice = v->number != 0;
         Changed(SystemChange::Sound);
     }},
    {"sound_volume_bgm",
     [](Variable* v) {
         S().volumeBgm = Clamp(Int(v), 0, 1000);
         Changed(SystemChange::Sound);
     }},
    {"sound_volume_se",
     [](Variable* v) {
         S().volumeSe = Clamp(Int(v), 0, 1000);
         Changed(SystemChange::Sound);
     }},
    {"sound_volume_voice",
     [](Variable* v) {
         S().volumeVoice = Clamp(Int(v), 0, 1000);
         Changed(SystemChange::Sound);
     }},
    {"window_full",
     [](Variable* v) {
         if (S().windowFullLock && v->number != 0) SetNumber(v, 0);
         S().fullScreenRequest = v->number != 0 ? 1 : 0;
         if (S().fullScreenRequest != S().fullScreen &&
             core::Current().state.load() != core::StateStart)
             Changed(SystemChange::WindowMode);
     }},
    {"menu_lock",
     [](Variable* v) {
         S().menuLock = Int(v);
         if (S().menuLock) {
             S().skip = 0;
             S().textErase = 0;
             Changed(SystemChange::MenuLock);
         }
     }},
    {"backlog_lock", [](Variable* v) { S().backlogLock = Int(v); }},
    {"text_auto", ApplyTextAuto},
    {"text_speed", [](Variable* v) { S().textSpeed = v->number / 1000.0; }},
    {"text_erase",
     [](Variable* v) {
         S().textErase = v->number != 0 && !S().textEraseLock ? 1 : 0;
         Changed(SystemChange::TextErase);
     }},
    {"spt_name", [](Variable*) {}},
    {"skip",
     [](Variable* v) {
         S().skip = v->number != 0 && !S().skipLock ? 1 : 0;
         Changed(SystemChange::Skip);
     }},
    {"keep_skip", [](Variable* v) { S().keepSkip = v->number != 0; }},
    {"skip_absolute", [](Variable* v) { S().skipAbsolute = v->number != 0; }},
    {"voice_enable_list", [](Variable* v) { StoreText(S().voiceEnableList, v); }},
    {"voice_enable_another", [](Variable* v) { S().voiceEnableAnother = Int(v); }},
    {"text_interval", [](Variable* v) { S().textInterval = Int(v); }},
    {"current_path",
     [](Variable* v) {
         if (SetDataPrefix(v->text)) Changed(SystemChange::DataPath);
     }},
    {"auto_wait_per_character", [](Variable* v) { S().autoWaitPerCharacter = Int(v); }},
    {"auto_text_break_voice", [](Variable* v) { S().autoTextBreakVoice = Int(v); }},
    {"click_break_voice", [](Variable* v) { S().clickBreakVoice = v->number != 0; }},
    {"save_last_select", [](Variable* v) { S().saveLastSelect = Int(v); }},
    {"last_text", [](Variable* v) { StoreText(S().lastText, v, 505); }},
    {"show_cursor",
     [](Variable* v) {
         S().showCursor = v->number != 0;
         Changed(SystemChange::ShowCursor);
     }},
    {"break_play_movie", [](Variable* v) { S().breakPlayMovie = v->number != 0; }},
    {"low_thread_priority",
     [](Variable* v) {
         if (v->number != 0 && v->number != 1) return;
         S().lowThreadPriority = Int(v);
         Changed(SystemChange::ThreadPriority);
     }},
    {"text_erase_lock",
     [](Variable* v) {
         S().textEraseLock = Int(v);
         if (S().textEraseLock) {
             S().textErase = 0;
             Changed(SystemChange::TextErase);
         }
     }},
    {"skip_lock",
     [](Variable* v) {
         S().skipLock = Int(v);
         if (S().skipLock && S().skip) {
             S().skip = 0;
             Changed(SystemChange::Skip);
         }
     }},
    {"video_aspect_fixed",
     [](Variable* v) {
         // Scaled presentation always interpolates on this platform, so mode 1
         // is available everywhere.
         int mode = Int(v);
         S().videoAspectFixed = mode >= 1 && mode <= 3 ? mode : 0;
         Changed(SystemChange::VideoAspect);
     }},
    {"save_lock", [](Variable* v) { S().saveLock = v->number != 0; }},
    {"load_lock", [](Variable* v) { S().loadLock = v->number != 0; }},
    {"script_close", [](Variable* v) { StoreText(S().scriptClose, v); }},
    {"position_x_text_icon", [](Variable* v) { S().textIconX = Int(v); }},
    {"position_y_text_icon", [](Variable* v) { S().textIconY = Int(v); }},
    {"text_auto_lock",
     [](Variable* v) {
         S().textAutoLock = Int(v);
         if (Variable* a = LookupExact("$SYSTEM_text_auto")) {
             ApplyTextAuto(a);
         } else if (S().textAutoLock) {
             S().textAuto = 0;
             Changed(SystemChange::TextAuto);
         }
     }},
    {"script_menu", [](Variable* v) { StoreText(S().scriptMenu, v); }},
    {"script_save", [](Variable* v) { StoreText(S().scriptSave, v); }},
    {"script_load", [](Variable* v) { StoreText(S().scriptLoad, v); }},
    {"script_config", [](Variable* v) { StoreText(S().scriptConfig, v); }},
    {"script_return", [](Variable* v) { StoreText(S().scriptReturn, v); }},
    {"script_reset", [](Variable* v) { StoreText(S().scriptReset, v); }},
    {"script_debug", [](Variable*) {}},
    {"window_full_lock",
     [](Variable* v) {
         S().windowFullLock = Int(v);
         if (S().windowFullLock && S().fullScreen) Changed(SystemChange::LeaveFullScreen);
     }},
    {"save_thumbnail_width",
     [](Variable* v) {
         if (v->number > 0) S().saveThumbnailWidth = Int(v);
     }},
    {"save_thumbnail_height",
     [](Variable* v) {
         if (v->number > 0) S().saveThumbnailHeight = Int(v);
     }},
    {"skip_express", [](Variable* v) { S().skipExpress = Int(v); }},
    {"skip_express_minimum_time",
     [](Variable* v) {
         if (v->number >= 0) S().skipExpressMinimumTime = Int(v);
     }},
    {"text_icon_page",
     [](Variable* v) {
         StoreText(S().textIconPage, v);
         S().changedIconSet = 1;
         Changed(SystemChange::TextIcon);
     }},
    {"text_icon_line",
     [](Variable* v) {
         StoreText(S().textIconLine, v);
         S().changedIconSet = 2;
         Changed(SystemChange::TextIcon);
     }},
    {"auto_ignore_key_cancel", [](Variable* v) { S().autoIgnoreKeyCancel = Int(v); }},
    {"interrupt_play_speed",
     [](Variable* v) {
         if (v->number > 0) S().interruptPlaySpeed = Int(v);
     }},
    {"backlog_ignore_character_voice",
     [](Variable* v) { StoreText(S().backlogIgnoreCharacterVoice, v); }},
    {"text_margin_column", [](Variable* v) { S().textMarginColumn = Int(v); }},
    {"text_margin_row", [](Variable* v) { S().textMarginRow = Int(v); }},
    {"text_waitkey", [](Variable* v) { S().textWaitKey = Int(v); }},
    {"text_icon_disable", [](Variable* v) { S().textIconDisable = v->number != 0; }},
    {"text_icon_auto",
     [](Variable* v) {
         StoreText(S().textIconAuto, v);
         S().changedIconSet = 3;
         Changed(SystemChange::TextIcon);
     }},
    {"express_skip_animation_fps",
     [](Variable* v) {
         if (v->number > 0) S().expressSkipAnimationFps = Int(v);
     }},
    {"sync_voice_and_text", [](Variable* v) { S().syncVoiceAndText = Int(v); }},
    {"movie_audio_volume", [](Variable* v) { S().movieAudioVolume = Int(v); }},
    {"backlog_voice_icon_shift_y", [](Variable* v) { S().backlogVoiceIconShiftY = Int(v); }},
    {"read_text_color_change", [](Variable* v) { S().readTextColorChange = Int(v); }},
    {"ignore_voice_sync_text", [](Variable* v) { S().ignoreVoiceSyncText = Int(v); }},
    {"ignore_text_speed", [](Variable* v) { S().ignoreTextSpeed = Int(v); }},
};

void PulseSettingsChanged() {
    if (platform::Event* e = core::Current().settingsChanged) {
        platform::Pulse(e);
    }
}

// An existing global wins and sets the engine value; a missing one is created
// from the engine value as a number.
void Reconcile(const char* name, double engineValue) {
    if (Variable* v = LookupExact(name)) {
        ApplySystem(name);
        (void)v;
        return;
    }
    if (Variable* v = GetOrCreateExact(name)) SetNumber(v, engineValue);
}

void SetTextVariable(const char* name, const char* text) {
    if (Variable* v = GetOrCreateExact(name)) SetText(v, text);
}

}  // namespace

int ApplySystem(const char* name) {
    if (!IsSystemName(name)) return 0;
    std::string_view key(name + 8);
    for (const SystemEntry& entry : kEntries) {
        if (key != entry.name) continue;
        Variable* v = LookupExact(name);
        if (!v) return 1;
        entry.apply(v);
        PulseSettingsChanged();
        return 1;
    }
    return 0;
}

void InitStore(const StoreStartup& startup) {
    ClearGlobals();
    GetServices().loadSavedGlobals();
    Reconcile("#SYSTEM_text_speed", GetSystemValues().textSpeed * 1000.0);
    Reconcile("#SYSTEM_keep_skip", GetSystemValues().keepSkip);
    Reconcile("#SYSTEM_skip_absolute", GetSystemValues().skipAbsolute);
    Reconcile("#SYSTEM_play_speed", GetSystemValues().playSpeedStep);
    Reconcile("#SYSTEM_auto_wait_per_character", GetSystemValues().autoWaitPerCharacter);
    Reconcile("#SYSTEM_auto_text_break_voice", GetSystemValues().autoTextBreakVoice);
    Reconcile("#SYSTEM_click_break_voice", GetSystemValues().clickBreakVoice);

    SetTextVariable("#SYSTEM_save_path", startup.savePath);
    SetTextVariable("#SYSTEM_information_os", startup.informationOs);
    SetTextVariable("#SYSTEM_information_cpu", startup.informationCpu);
    SetTextVariable("#SYSTEM_information_memory", startup.informationMemory);
    SetTextVariable("#SYSTEM_information_video", startup.informationVideo);
    SetTextVariable("#SYSTEM_information_directx", startup.informationDirectX);
    SetTextVariable("#SYSTEM_version", "1.00");

    int largest = startup.maxTextureSize, memory = startup.videoMemoryMb, size;
    if (largest <= 256)
        size = 256;
    else if (largest <= 512)
        size = memory > 6 ? 512 : 256;
    else if (largest <= 1024)
        size = memory > 24 ? 1024 : 512;
    else
        size = memory > 96 ? 2048 : 1024;
    if (Variable* v = GetOrCreateExact("#SYSTEM_max_texture_size")) SetNumber(v, size);

    const struct {
        const char* name;
        double fallback;
    } thumbnails[] = {{"#SYSTEM_save_thumbnail_width", 100}, {"#SYSTEM_save_thumbnail_height", 75}};
    for (const auto& t : thumbnails) {
        Variable* v = GetOrCreateExact(t.name);
        if (!v) continue;
        SetNumber(v, v->number <= 0 ? t.fallback : v->number);
        ApplySystem(t.name);
    }
}

void SetViewedImage(const char* fileName) {
    if (!fileName || std::strlen(fileName) <= 5) return;
    const char* base = fileName;
    if (const char* slash = std::strrchr(fileName, '/')) base = slash + 1;
    char name[kVarNameSize];
    name[0] = '#';
    CopyCut(name + 1, sizeof(name) - 1, base);
    size_t length = std::strlen(name);
    if (length > 4) {
        const char* extension = name + length - 4;
        if (EqualsNoCase(extension, ".jpg") || EqualsNoCase(extension, ".png") ||
            EqualsNoCase(extension, ".bmp"))
            name[length - 4] = 0;
    }
    const char* b = name + 1;
    if (std::strncmp(b, "ev", 2) != 0 && std::strncmp(b, "bg", 2) != 0 &&
        std::strncmp(b, "obj", 3) != 0 && std::strncmp(b, "img", 3) != 0)
        return;
    AssignVariable(name, 1, "TRUE");
}

void ClearScore(const char* which) {
    if (!which) return;
    if (EqualsNoCase(which, "ALL")) {
        ClearGlobals();
        ClearLocals();
    } else if (EqualsNoCase(which, "LOCAL")) {
        ClearLocals();
    } else if (EqualsNoCase(which, "GLOBAL")) {
        ClearGlobals();
    }
}

}  // namespace script
