// velmoor-tool check: reads a game's settings and every script the way the
// engine does and reports what would go wrong in silence, one line each as
// "file:line: message". Exit status 1 when anything is reported.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "files/file_handle.h"
#include "files/loose_names.h"
#include "platform/encoding.h"
#include "platform/folder.h"
#include "script/check.h"
#include "shell/settings.h"
#include "shell/settings_check.h"

namespace tool {

namespace {

struct Line {
    std::string file;  // UTF-8
    int line = 0;
    std::string message;
};

// How a name the game writes finds its file.
enum class Found { kNo, kYes, kOtherCase };

Found LookUp(const std::string& name, std::string* onDisk) {
    std::string path = name.compare(0, 5, "file:") == 0 ? name.substr(5) : name;
    files::FileHandle h;
    if (!files::BindFile(&h, path.c_str())) return Found::kNo;
    bool opened = h.ops.open(&h) != 0;
    bool archived = h.archiveEntry != nullptr || h.memoryEntry != nullptr;
    h.ops.close(&h);
    h.ops.release(&h);
    if (opened && archived) return Found::kYes;
    files::LooseMatch match = files::MatchLooseName(path.c_str(), onDisk);
    if (match == files::LooseMatch::kExact) return Found::kYes;
    if (match == files::LooseMatch::kOtherCase) return Found::kOtherCase;
    return opened ? Found::kYes : Found::kNo;
}

const char* KindWord(script::FileKind kind) {
    switch (kind) {
        case script::FileKind::kPicture:
        case script::FileKind::kPictureOrObject: return "picture";
        case script::FileKind::kPictureOrMovie: return "picture or movie";
        case script::FileKind::kSound: return "sound";
        case script::FileKind::kMovie: return "movie";
        case script::FileKind::kAny: return "file";
    }
    return "file";
}

void CheckReference(const script::FileReference& r, const script::ScriptCheck& check, std::vector<Line>* out) {
    if (r.kind == script::FileKind::kPictureOrObject && check.loadedPictures.count(r.name)) return;
    std::vector<std::string> names{r.name};
    if (r.kind == script::FileKind::kSound) {
        names.push_back(r.name + ".wav");
        names.push_back(r.name + ".ogg");
    }
    std::string otherCase;
    for (const std::string& n : names) {
        std::string onDisk;
        Found f = LookUp(n, &onDisk);
        if (f == Found::kYes) return;
        if (f == Found::kOtherCase && otherCase.empty()) otherCase = onDisk;
    }
    std::string file = platform::SjisToUtf8(r.file);
    std::string name = platform::SjisToUtf8(r.name);
    if (!otherCase.empty()) {
        out->push_back({file, r.line,
                        r.command + ": \"" + name + "\" differs in letter case from the file on disk \"" +
                            otherCase + "\" (found only by the case-blind lookup)"});
        return;
    }
    std::string what = r.command + ": no " + KindWord(r.kind) + " file \"" + name + "\"";
    if (r.kind == script::FileKind::kSound) what += " (nor with .wav or .ogg)";
    out->push_back({file, r.line, what + " in any archive or folder"});
}

// Other script files beside the reached ones: every ".txt" in their folders.
std::vector<std::string> Candidates(const std::set<std::string>& seen) {
    std::set<std::string> folders;
    for (const std::string& key : seen) {
        size_t slash = key.rfind('/');
        folders.insert(slash == std::string::npos ? std::string() : key.substr(0, slash + 1));
    }
    std::vector<std::string> out;
    for (const std::string& folder : folders) {
        std::string native = platform::NativePath(folder.c_str());
        for (const std::string& name : platform::ListFolderFiles(native.empty() ? "." : native.c_str())) {
            if (name.size() < 4) continue;
            std::string ext = name.substr(name.size() - 4);
            for (char& ch : ext) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
            if (ext != ".txt") continue;
            std::string sjis = platform::Utf8ToSjis(name);
            out.push_back(folder + (sjis.empty() ? name : sjis));
        }
    }
    return out;
}

}  // namespace

int CheckCommand(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        bool help = argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
        std::fprintf(help ? stdout : stderr, "usage: velmoor-tool check GAME_DIR\n");
        return help ? 0 : 2;
    }
    if (chdir(argv[1]) != 0) {
        std::fprintf(stderr, "velmoor-tool check: cannot enter the game folder %s: %s\n", argv[1],
                     std::strerror(errno));
        return 2;
    }
    files::ScanArchives();
    std::vector<Line> lines;
    const std::string settingsName = shell::kSettingsFile;

    files::FileHandle h;
    std::string settingsText;
    if (files::LoadWholeFile(&h, shell::kSettingsFile)) {
        settingsText.assign(reinterpret_cast<const char*>(h.buffer), static_cast<size_t>(h.size));
        h.ops.release(&h);
    } else {
        lines.push_back({settingsName, 0, "no settings file: the game cannot start"});
    }
    for (const shell::SettingsProblem& p : shell::CheckSettingsText(settingsText))
        lines.push_back({settingsName, p.line, p.message});

    // The scripts the engine starts by itself.
    shell::Settings st = shell::ParseSettings(settingsText.c_str(), nullptr);
    struct Root {
        std::string value, section, key;
    };
    std::vector<Root> roots = {
        {st.startScript, "スクリプト", "start"}, {st.menuScript, "スクリプト", "menu"},
        {st.saveScript, "スクリプト", "save"},   {st.loadScript, "スクリプト", "load"},
        {st.configScript, "スクリプト", "config"}, {st.backScript, "スクリプト", "back"},
        {st.closeScript, "スクリプト", "close"}, {st.resetScript, "スクリプト", "reset"},
        {st.backlogScript, "バックログ", "script"},
    };
    if (!settingsText.empty() && st.startScript.empty())
        lines.push_back({settingsName, 0, shell::DescribeMissingStartScript()});
    std::vector<script::CheckRoot> checkRoots;
    for (const Root& r : roots) {
        if (r.value.empty()) continue;
        std::string onDisk;
        Found f = LookUp(r.value, &onDisk);
        int at = shell::SettingLine(settingsText, platform::Utf8ToSjis(r.section), r.key);
        if (f == Found::kNo) {
            lines.push_back({settingsName, at, r.key + ": no script file \"" + platform::SjisToUtf8(r.value) + "\""});
            continue;
        }
        if (f == Found::kOtherCase)
            lines.push_back({settingsName, at, r.key + ": \"" + platform::SjisToUtf8(r.value) +
                                                   "\" differs in letter case from the file on disk \"" + onDisk + "\""});
        checkRoots.push_back({r.value, r.key});
    }

    script::ScriptCheck check;
    // The folders of the reached scripts are known once the roots are read:
    // a first pass finds them, the second checks their other files as well.
    {
        script::ScriptCheck probe;
        script::CheckScripts(checkRoots, {}, &probe);
        script::CheckScripts(checkRoots, Candidates(probe.scriptsSeen), &check);
    }
    for (const script::CheckFinding& f : check.findings)
        lines.push_back({platform::SjisToUtf8(f.file), f.line, f.message});
    for (const script::FileReference& r : check.references) CheckReference(r, check, &lines);

    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    lines.erase(std::unique(lines.begin(), lines.end(),
                            [](const Line& a, const Line& b) {
                                return a.file == b.file && a.line == b.line && a.message == b.message;
                            }),
                lines.end());
    for (const Line& l : lines) {
        if (l.line > 0) std::printf("%s:%d: %s\n", l.file.c_str(), l.line, l.message.c_str());
        else std::printf("%s: %s\n", l.file.c_str(), l.message.c_str());
    }
    return lines.empty() ? 0 : 1;
}

}  // namespace tool
