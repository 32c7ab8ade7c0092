// System variables: "#SYSTEM_x" / "$SYSTEM_x" names through which the game's
// own system scripts and the engine exchange settings. Assigning one runs its
// effect at once: the value lands in GetSystemValues() (below), which the
// subsystems that act on it read, and GetServices().systemChanged is told what
// changed. The settings-changed event is pulsed after each effect.
//
// Threads: GetSystemValues() is written by script threads (assignments) and read
// by any subsystem without a lock; every field is a plain int/double/text and
// a reader tolerates a value one pass old, as with the engine record.
#pragma once
#include <cstddef>
#include <cstdint>

namespace script {

struct SystemValues {
    // Animation speed step 1..12 (default 3); speed used while interrupting.
    int playSpeedStep = 3;
    int interruptPlaySpeed = 0;
    // Sound switches (1 on) and volumes 0..1000; movie sound volume.
    int soundBgm = 1, soundSe = 1, soundVoice = 1;
    int volumeBgm = 1000, volumeSe = 1000, volumeVoice = 1000;
    int movieAudioVolume = 1000;
    char voiceEnableList[512] = {};
    int voiceEnableAnother = 1;  // voices of classes not in the settings' list play
    char backlogIgnoreCharacterVoice[512] = {};
    // Window mode: the mode asked for by scripts (1 full screen), the mode the
    // display currently runs in (kept by the display), and the lock.
    int fullScreenRequest = 0;
    int fullScreen = 0;
    int windowFullLock = 0;
    // Display scaling mode 0..3; scene thread below normal priority.
    int videoAspectFixed = 0;
    int lowThreadPriority = 0;
    // Input and skip.
    int menuLock = 0, backlogLock = 0;
    int skip = 0, keepSkip = 0, skipAbsolute = 0, skipLock = 0;
    int skipExpress = 0, skipExpressMinimumTime = 0, expressSkipAnimationFps = 0;
    int autoIgnoreKeyCancel = 0;
    int showCursor = 1;
    int breakPlayMovie = 0;
    // Text reveal and text window.
    int textAuto = 0, textAutoLock = 0;
    double textSpeed = 1.0;  // variable value / 1000
    int textInterval = 0;
    int textErase = 0, textEraseLock = 0;
    int textWaitKey = 1;
    int textMarginColumn = 0, textMarginRow = 0;
    int textIconDisable = 0;
    int textIconX = 0, textIconY = 0;
    char textIconPage[260] = {}, textIconLine[260] = {}, textIconAuto[260] = {};
    int changedIconSet = 0;  // 1 page, 2 line, 3 auto: the set of the last TextIcon change
    int syncVoiceAndText = 0, ignoreVoiceSyncText = 0, ignoreTextSpeed = 0;
    int readTextColorChange = 0;
    int backlogVoiceIconShiftY = 0;
    // Auto mode.
    int autoWaitPerCharacter = 100, autoTextBreakVoice = 0, clickBreakVoice = 0;
    // Saves.
    int saveLastSelect = 0, saveLock = 0, loadLock = 0;
    int saveThumbnailWidth = 100, saveThumbnailHeight = 75;
    // The last text shown (refilled by last_text), at most 504 bytes.
    char lastText[512] = {};
    // Scripts run for the menu requests (Shift-JIS file names, < 260 bytes).
    char scriptClose[260] = {}, scriptMenu[260] = {}, scriptSave[260] = {}, scriptLoad[260] = {},
         scriptConfig[260] = {}, scriptReturn[260] = {}, scriptReset[260] = {};
};

// The current engine's values (its script record).
SystemValues& GetSystemValues();

// Applies the effect of the system variable `name` ("#SYSTEM_x" or
// "$SYSTEM_x") from its current value. Returns 1 for a known name, else 0.
int ApplySystem(const char* name);

// What init_store needs from the start-up sequence.
struct StoreStartup {
    const char* savePath = "";  // the per-user save folder
    const char* informationOs = "";
    const char* informationCpu = "";
    const char* informationMemory = "";
    const char* informationVideo = "";
    const char* informationDirectX = "";
    int maxTextureSize = 2048;  // the device's largest texture side
    int videoMemoryMb = 256;    // whole megabytes
};

// Clears the global table, loads the saved globals (GetServices()), then
// reconciles and sets the start-up system variables.
void InitStore(const StoreStartup& startup);

// Records that an image file was loaded: "cg/ev01a.png" sets #ev01a to TRUE
// (base names beginning with ev, bg, obj or img only).
void SetViewedImage(const char* fileName);

// "ALL", "LOCAL" or "GLOBAL" in any case clears those tables; anything else
// does nothing.
void ClearScore(const char* which);

}  // namespace script
