// The built-in functions of expressions, one handler each. Every handler
// takes the evaluation (for the calling block), the evaluated arguments and
// the text-result buffer (1024 bytes, cleared before the call), and returns
// the number result. Internal to the evaluator.
#pragma once
#include "script/expression_internal.h"

namespace script {

using BuiltinHandler = double (*)(Eval& e, const Arguments& args, char* text);

// Text built-ins.
double BuiltinStrlen(Eval& e, const Arguments& args, char* text);
double BuiltinStrstr(Eval& e, const Arguments& args, char* text);
double BuiltinString(Eval& e, const Arguments& args, char* text);
double BuiltinSubstr(Eval& e, const Arguments& args, char* text);
// Variable built-ins.
double BuiltinArray(Eval& e, const Arguments& args, char* text);
double BuiltinAssocArray(Eval& e, const Arguments& args, char* text);
double BuiltinCount(Eval& e, const Arguments& args, char* text);
double BuiltinVariableValue(Eval& e, const Arguments& args, char* text);
// Engine and file built-ins.
double BuiltinRandom(Eval& e, const Arguments& args, char* text);
double BuiltinTime(Eval& e, const Arguments& args, char* text);
double BuiltinMilliTime(Eval& e, const Arguments& args, char* text);
double BuiltinInteger(Eval& e, const Arguments& args, char* text);
double BuiltinReadFile(Eval& e, const Arguments& args, char* text);
double BuiltinModuleFileName(Eval& e, const Arguments& args, char* text);
double BuiltinPlatform(Eval& e, const Arguments& args, char* text);
double BuiltinAvailableFile(Eval& e, const Arguments& args, char* text);
double BuiltinIsInterrupt(Eval& e, const Arguments& args, char* text);
double BuiltinConquest(Eval& e, const Arguments& args, char* text);
// Built-ins answered by other subsystems (services.h).
double BuiltinRemainTime(Eval& e, const Arguments& args, char* text);
double BuiltinDurationTime(Eval& e, const Arguments& args, char* text);
double BuiltinPassageTime(Eval& e, const Arguments& args, char* text);
double BuiltinImageHorizon(Eval& e, const Arguments& args, char* text);
double BuiltinImageVertical(Eval& e, const Arguments& args, char* text);
double BuiltinEnableBacklog(Eval& e, const Arguments& args, char* text);
double BuiltinExistSave(Eval& e, const Arguments& args, char* text);
double BuiltinBacklogRow(Eval& e, const Arguments& args, char* text);
double BuiltinBacklogLine(Eval& e, const Arguments& args, char* text);
double BuiltinScrollbarValue(Eval& e, const Arguments& args, char* text);
double BuiltinSoundAmplitude(Eval& e, const Arguments& args, char* text);
double BuiltinMessage(Eval& e, const Arguments& args, char* text);
double BuiltinEnableDirect3DHAL(Eval& e, const Arguments& args, char* text);
double BuiltinMountSavedata(Eval& e, const Arguments& args, char* text);
double BuiltinKickShortcut(Eval& e, const Arguments& args, char* text);
double BuiltinWriteImage(Eval& e, const Arguments& args, char* text);
double BuiltinLockVideo(Eval& e, const Arguments& args, char* text);

}  // namespace script
