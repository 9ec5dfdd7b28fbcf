// The command factory: one row per command code.
#include "base/error.h"
#include "base/sjis.h"
#include "script/command.h"
#include "script/component_commands.h"
#include "script/control_commands.h"

namespace velk {

namespace {

using TMaker = std::unique_ptr<TCommand> (*)(TComList*);

template <class T> std::unique_ptr<TCommand> make(TComList* list) { return std::make_unique<T>(list); }

struct TCommandRow {
  const char* ClassName;
  TMaker Make;
};

constexpr TCommandRow kCommands[kCommandCount] = {
    {"TComIf", make<TComIf>},                      // 0
    {"TComElseif", make<TComElseif>},              // 1
    {"TComElse", make<TComElse>},                  // 2
    {"TComLabel", make<TComLabel>},                // 3
    {"TComJump", make<TComJump>},                  // 4
    {"TComCall", make<TComCall>},                  // 5
    {"TComExit", make<TComExit>},                  // 6
    {"TComWait", make<TComWait>},                  // 7
    {"TComBoxNew", make<TComBoxNew>},              // 8
    {"TComImgNew", make<TComImgNew>},              // 9
    {"TComMesNew", make<TComMesNew>},              // 10
    {"TComTimer", make<TComTimer>},                // 11
    {"TComMovie", make<TComMovie>},                // 12
    {"TComFlip", make<TComFlip>},                  // 13
    {"TComCalc", make<TComCalc>},                  // 14
    {"TComVarNew", make<TComVarNew>},              // 15
    {"TComVarDel", make<TComVarDel>},              // 16
    {"TComGetProp", make<TComGetProp>},            // 17
    {"TComSetProp", make<TComSetProp>},            // 18
    {"TComObjDel", make<TComObjDel>},              // 19
    {"TComTextIns", make<TComTextIns>},            // 20
    {"TComMovieStop", make<TComMovieStop>},        // 21
    {"TComClrHist", make<TComClrHist>},            // 22
    {"TComCinema", make<TComCinema>},              // 23
    {"TComCaption", make<TComCaption>},            // 24
    {"TComMenu", make<TComMenu>},                  // 25
    {"TComMenuClose", make<TComMenuClose>},        // 26
    {"TComComment", make<TComComment>},            // 27
    {"TComTextClr", make<TComTextClr>},            // 28
    {"TComCallHist", make<TComCallHist>},          // 29
    {"TComBtnNew", make<TComBtnNew>},              // 30
    {"TComWhile", make<TComWhile>},                // 31
    {"TComWhileInit", make<TComWhileInit>},        // 32
    {"TComWhileLoop", make<TComWhileLoop>},        // 33
    {"TComBreak", make<TComBreak>},                // 34
    {"TComContinue", make<TComContinue>},          // 35
    {"TComParticleNew", make<TComParticleNew>},    // 36
    {"TComFireNew", make<TComFireNew>},            // 37
    {"TComGameSave", make<TComGameSave>},          // 38
    {"TComGameLoad", make<TComGameLoad>},          // 39
    {"TComPCReset", make<TComPCReset>},            // 40
    {"TComReset", make<TComReset>},                // 41
    {"TComSound", make<TComSound>},                // 42
    {"TComEditNew", make<TComEditNew>},            // 43
    {"TComMemoNew", make<TComMemoNew>},            // 44
    {"TComTerminate", make<TComTerminate>},        // 45
    {"TComDoEvent", make<TComDoEvent>},            // 46
    {"TComClrRead", make<TComClrRead>},            // 47
    {"TComMapImgNew", make<TComMapImgNew>},        // 48
    {"TComWaveNew", make<TComWaveNew>},            // 49
    {"TComTileNew", make<TComTileNew>},            // 50
    {"TComSliderNew", make<TComSliderNew>},        // 51
    {"TComScrollbarNew", make<TComScrollbarNew>},  // 52
    {"TComGaugeNew", make<TComGaugeNew>},          // 53
    {"TComCGCaption", make<TComCGCaption>},        // 54
    {"TComMediaPlay", make<TComMediaPlay>},        // 55
    {"TComPrevMenuNew", make<TComPrevMenuNew>},    // 56
    {"TComPropMotion", make<TComPropMotion>},      // 57
    {"TComEntryHist", make<TComEntryHist>},        // 58
    {"TComCabinetSave", make<TComCabinetSave>},    // 59
    {"TComCabinetLoad", make<TComCabinetLoad>},    // 60
};

}  // namespace

std::unique_ptr<TCommand> CreateCommand(TComList* list, uint8_t code) {
  const uint8_t c = code & 0x7F;
  if (c >= kCommandCount) throw EVelkError(Utf8ToCp932("不正なコマンド"));
  return kCommands[c].Make(list);
}

const char* CommandClassName(uint8_t code) { return code < kCommandCount ? kCommands[code].ClassName : nullptr; }

}  // namespace velk
