// frames.cvf (magic "CVSD"): every saved scene object of the main world, in
// drawing order. Each object record starts with its exact length (int32), so
// a record holds whatever its object needs (a move path of any length, every
// curve table) and no record is ever written past its end.
//
// An object record: int32 id (sequential in the file), owner key, creation
// sequence; the creating command text, the creator's object prefix, name,
// full path and alias (each + 4 zero bytes); the focus neighbours up, down,
// left, right as ids (0 none); locked, disused, hideable, clickable,
// priority, group flag, position x y z, group offset x y z, shown, draw
// enabled; target opacity (1 byte); then optional blocks, each behind a
// presence word: the picture placement (opacity, blend mode, quad corners,
// texture corners, pivot, angles, zooms, depths), and one block per running
// fade, move, zoom, rotate and shake (the action record's words, its curve
// tables of steps + 1 values and its path points), and the name of the
// object's generated picture file ("" for none).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace script {
struct ScriptProcess;
}

namespace save {

struct SavedQuad {
    uint8_t opacity = 255;
    int32_t blendMode = 0;
    double vx[4] = {}, vy[4] = {}, vz[4] = {};
    int16_t tu[4] = {}, tv[4] = {};
    double x = 0, y = 0, depth = 0, objectZ = 0, cx = 0, cy = 0;
    int32_t angles[3] = {}, zoom[3] = {};
};

struct SavedAction {
    int kind = 0;
    int32_t go = 0, hold = 0, start[4] = {}, target[4] = {}, extra[8] = {}, counter = 0, multiplier = 0,
            durationMs = 0, steps = 0;
    std::string curveName;
    std::vector<std::vector<double>> curves;  // steps + 1 values each
    std::vector<int32_t> path;                 // x, y, z triples
};

struct SavedObject {
    int32_t id = 0, ownerKey = 0, sequence = 0;
    std::string command, prefix, name, path, alias;
    int32_t focus[4] = {};
    int32_t locked = 0, disused = 0, hideable = 0, clickable = 0, priority = 0, groupFlag = 0;
    int32_t position[3] = {}, groupOffset[3] = {};
    int32_t shown = 0, drawEnabled = 0;
    uint8_t targetOpacity = 0;
    bool hasQuad = false;
    SavedQuad quad;
    // A picture that exists only in memory (a capture): the name of its CVSI
    // file in the slot folder, empty for a picture loaded from a file.
    std::string pictureFile;
    std::vector<SavedAction> actions;
};

// A generated picture written beside the frames record.
struct PictureFile {
    std::string name;  // "image_IIII.cvf"
    std::vector<uint8_t> bytes;
};

// Builds the record (takes the SceneLock while it walks the objects); the
// generated pictures of the saved objects go to *pictures. False when a
// slot would need more than 1000 pictures.
bool BuildFramesRecord(std::vector<uint8_t>* record, std::vector<PictureFile>* pictures);
// Parses and checks a record: every length, count and string inside its
// object record, and every creating command one object-creating command.
bool ParseFramesRecord(const std::vector<uint8_t>& record, std::vector<SavedObject>* out,
                       std::string* reason);

// Whether `text` is exactly one call of a command that creates an object
// ("CreateText(...);", "LoadImage(...);"): a saved game may re-run nothing else.
bool IsObjectCreatingCommand(const std::string& text);

// Re-creates the objects in creation order, each by its command in the
// context of the process that owned it, and writes the saved fields back.
// Runs while loading (main thread, engine state 514).
bool RestoreObjects(const std::vector<SavedObject>& objects, const std::vector<PictureFile>& pictures,
                    const std::vector<script::ScriptProcess*>& processes, std::string* reason);

// The CVSI file of a picture (header, then its rows).
std::vector<uint8_t> EncodePicture(int width, int height, int displayWidth, int displayHeight,
                                   uint16_t flags, const uint32_t* const* rows);

}  // namespace save
