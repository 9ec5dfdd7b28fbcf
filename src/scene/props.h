#pragma once
// The numbered properties through which scripts read and write every scene object, and the component type codes.
// Each property has a fixed id, a name, a value type and a default that a class without the property answers.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velk {

class TCustomParam;
class TVelkObject;

constexpr int32_t PR_NAME = 0;
constexpr int32_t PR_PARENT = 1;
constexpr int32_t PR_SOURCE = 2;
constexpr int32_t PR_LEFT = 3;
constexpr int32_t PR_TOP = 4;
constexpr int32_t PR_WIDTH = 5;
constexpr int32_t PR_HEIGHT = 6;
constexpr int32_t PR_ZOOMX = 7;
constexpr int32_t PR_COLOR = 8;
constexpr int32_t PR_BORDERWIDTH = 9;
constexpr int32_t PR_BORDERCOLOR = 10;
constexpr int32_t PR_ALPHA = 11;
constexpr int32_t PR_PRIORITY = 12;
constexpr int32_t PR_OFFSETX = 13;
constexpr int32_t PR_OFFSETY = 14;
constexpr int32_t PR_FONTNAME = 15;
constexpr int32_t PR_FONTHEIGHT = 16;
constexpr int32_t PR_FONTSTYLE = 17;
constexpr int32_t PR_LINESPACE = 18;
constexpr int32_t PR_FONTCOLOR = 19;
constexpr int32_t PR_FONTLINKCOLOR = 20;
constexpr int32_t PR_FONTBORDERCOLOR = 21;
constexpr int32_t PR_FONTHOVERCOLOR = 22;
constexpr int32_t PR_FONTHOVERSTYLE = 23;
constexpr int32_t PR_HOVERCOLOR = 24;
constexpr int32_t PR_ANTIALIAS = 25;
constexpr int32_t PR_DELAY = 26;
constexpr int32_t PR_PAUSED = 27;
constexpr int32_t PR_VOLUME = 28;
constexpr int32_t PR_REPEAT = 29;
constexpr int32_t PR_BALANCE = 30;
constexpr int32_t PR_ANGLE = 31;
constexpr int32_t PR_ONPLAYING = 32;
constexpr int32_t PR_ONNOTIFY = 33;
constexpr int32_t PR_ONMOUSEMOVE = 34;
constexpr int32_t PR_ONMOUSEOUT = 35;
constexpr int32_t PR_ONLBTNDOWN = 36;
constexpr int32_t PR_ONLBTNUP = 37;
constexpr int32_t PR_ONRBTNDOWN = 38;
constexpr int32_t PR_ONRBTNUP = 39;
constexpr int32_t PR_ONWHEELDOWN = 40;
constexpr int32_t PR_ONWHEELUP = 41;
constexpr int32_t PR_BRIGHTNESS = 42;
constexpr int32_t PR_ONPLAYEND = 43;
constexpr int32_t PR_INDEX = 44;
constexpr int32_t PR_COUNT = 45;
constexpr int32_t PR_ONLINK = 46;
constexpr int32_t PR_VISIBLE = 47;
constexpr int32_t PR_COLCOUNT = 48;
constexpr int32_t PR_ROWCOUNT = 49;
constexpr int32_t PR_TEXT = 50;
constexpr int32_t PR_MARGINX = 51;
constexpr int32_t PR_MARGINY = 52;
constexpr int32_t PR_HALIGN = 53;
constexpr int32_t PR_BORDERSOURCETL = 54;
constexpr int32_t PR_BORDERSOURCETC = 55;
constexpr int32_t PR_BORDERSOURCETR = 56;
constexpr int32_t PR_BORDERSOURCECL = 57;
constexpr int32_t PR_BORDERSOURCECC = 58;
constexpr int32_t PR_BORDERSOURCECR = 59;
constexpr int32_t PR_BORDERSOURCEBL = 60;
constexpr int32_t PR_BORDERSOURCEBC = 61;
constexpr int32_t PR_BORDERSOURCEBR = 62;
constexpr int32_t PR_BORDERHALIGNT = 63;
constexpr int32_t PR_BORDERHALIGNC = 64;
constexpr int32_t PR_BORDERHALIGNB = 65;
constexpr int32_t PR_BORDERVALIGNL = 66;
constexpr int32_t PR_BORDERVALIGNC = 67;
constexpr int32_t PR_BORDERVALIGNR = 68;
constexpr int32_t PR_SCROLLSOURCE = 69;
constexpr int32_t PR_CHECKSOURCE = 70;
constexpr int32_t PR_AUTOSCRAP = 71;
constexpr int32_t PR_ONSELECT = 72;
constexpr int32_t PR_RCLICKSCRAP = 73;
constexpr int32_t PR_ONOPENING = 74;
constexpr int32_t PR_ONOPENED = 75;
constexpr int32_t PR_ONCLOSING = 76;
constexpr int32_t PR_ONCLOSED = 77;
constexpr int32_t PR_CARETX = 78;
constexpr int32_t PR_CARETY = 79;
constexpr int32_t PR_IGNOREMOUSE = 80;
constexpr int32_t PR_TEXTPAUSED = 81;
constexpr int32_t PR_TEXTDELAY = 82;
constexpr int32_t PR_HOVERSOURCE = 83;
constexpr int32_t PR_PRESSEDSOURCE = 84;
constexpr int32_t PR_GROUPINDEX = 85;
constexpr int32_t PR_ALLOWALLUP = 86;
constexpr int32_t PR_SELECTED = 87;
constexpr int32_t PR_CAPTUREMASK = 88;
constexpr int32_t PR_POWER = 89;
constexpr int32_t PR_ORIGWIDTH = 90;
constexpr int32_t PR_ORIGHEIGHT = 91;
constexpr int32_t PR_APPEARX = 92;
constexpr int32_t PR_APPEARY = 93;
constexpr int32_t PR_PARTMOTION = 94;
constexpr int32_t PR_PARAM1 = 95;
constexpr int32_t PR_PARAM2 = 96;
constexpr int32_t PR_TOPINDEX = 97;
constexpr int32_t PR_READONLY = 98;
constexpr int32_t PR_CURSOR = 99;
constexpr int32_t PR_POSZOOMED = 100;
constexpr int32_t PR_ONPLAYSTART = 101;
constexpr int32_t PR_PARAM3 = 102;
constexpr int32_t PR_ONMOUSEIN = 103;
constexpr int32_t PR_ONMAPIN = 104;
constexpr int32_t PR_ONMAPOUT = 105;
constexpr int32_t PR_MAPSOURCE = 106;
constexpr int32_t PR_AMP = 107;
constexpr int32_t PR_WAVELEN = 108;
constexpr int32_t PR_SCROLLX = 109;
constexpr int32_t PR_SCROLLY = 110;
constexpr int32_t PR_FLIPH = 111;
constexpr int32_t PR_FLIPV = 112;
constexpr int32_t PR_ONIDLE = 113;
constexpr int32_t PR_DISTANCEX = 114;
constexpr int32_t PR_DISTANCEY = 115;
constexpr int32_t PR_CLIPLEFT = 116;
constexpr int32_t PR_CLIPTOP = 117;
constexpr int32_t PR_CLIPWIDTH = 118;
constexpr int32_t PR_CLIPHEIGHT = 119;
constexpr int32_t PR_DURATION = 120;
constexpr int32_t PR_THUMBSOURCE = 121;
constexpr int32_t PR_BUTTONSOURCE = 122;
constexpr int32_t PR_MIN = 123;
constexpr int32_t PR_MAX = 124;
constexpr int32_t PR_VALUE = 125;
constexpr int32_t PR_ORIENTATION = 126;
constexpr int32_t PR_SMALLCHANGE = 127;
constexpr int32_t PR_LARGECHANGE = 128;
constexpr int32_t PR_MAPTEXT = 129;
constexpr int32_t PR_GLYPHWIDTH = 130;
constexpr int32_t PR_GLYPHHEIGHT = 131;
constexpr int32_t PR_ZOOMY = 132;
constexpr int32_t PR_CLICKEDSOURCE = 133;
constexpr int32_t PR_ANIPAUSED = 134;
constexpr int32_t PR_ONHOLD = 135;
constexpr int32_t PR_ONRELEASE = 136;
constexpr int32_t PR_REVERSE = 137;
constexpr int32_t PR_PLAYING = 138;
constexpr int32_t PR_REWINDONLOAD = 139;
constexpr int32_t PR_COMPOTYPE = 140;
constexpr int32_t PR_FONTSHADOWCOLOR = 141;
constexpr int32_t PR_FONTBORDER = 142;
constexpr int32_t PR_FONTSHADOW = 143;
constexpr int32_t PR_ONKEYDOWN = 144;
constexpr int32_t PR_ONKEYUP = 145;
constexpr int32_t PR_ONKEYREPEAT = 146;
constexpr int32_t PR_HANDLEKEY = 147;
constexpr int32_t PR_ONFOCUSIN = 148;
constexpr int32_t PR_ONFOCUSOUT = 149;
constexpr int32_t PR_OVERLAY = 150;
constexpr int32_t PR_TAG = 151;
constexpr int32_t PR_CAPTURELINK = 152;
constexpr int32_t PR_FONTHOVERBORDER = 153;
constexpr int32_t PR_FONTHOVERBORDERCOLOR = 154;
constexpr int32_t PR_FONTHOVERSHADOW = 155;
constexpr int32_t PR_FONTHOVERSHADOWCOLOR = 156;
constexpr int32_t PR_BARSIZE = 157;
constexpr int32_t PR_MUTEONLOAD = 158;
constexpr int32_t PR_PLUSX = 159;
constexpr int32_t PR_PLUSY = 160;
constexpr int32_t PR_CARETHEIGHT = 161;
constexpr int32_t PR_REPEATPOS = 162;
constexpr int32_t PR_BLURSPAN = 163;
constexpr int32_t PR_BLURDELAY = 164;
constexpr int32_t kPropCount = 165;

// Component type codes, one byte in front of each saved object.
constexpr uint8_t VT_NONE = 0;
constexpr uint8_t VT_AUDIO = 1;
constexpr uint8_t VT_BOX = 2;
constexpr uint8_t VT_BUTTON = 3;
constexpr uint8_t VT_CINEMA = 4;
constexpr uint8_t VT_EDIT = 5;
constexpr uint8_t VT_FIRE = 6;
constexpr uint8_t VT_HTTP = 7;
constexpr uint8_t VT_IMAGES = 8;
constexpr uint8_t VT_LABEL = 9;
constexpr uint8_t VT_MAP = 10;
constexpr uint8_t VT_MEMO = 11;
constexpr uint8_t VT_MENU = 12;
constexpr uint8_t VT_MES = 13;
constexpr uint8_t VT_PARTICLE = 14;
constexpr uint8_t VT_TIMER = 15;
constexpr uint8_t VT_VIDEO = 16;
constexpr uint8_t VT_SOUND = 17;
constexpr uint8_t VT_MAPIMG = 18;
constexpr uint8_t VT_WAVE = 19;
constexpr uint8_t VT_TILE = 20;
constexpr uint8_t VT_SLIDER = 21;
constexpr uint8_t VT_SCROLLBAR = 22;
constexpr uint8_t VT_GAUGE = 23;
constexpr uint8_t VT_CGLABEL = 24;
constexpr uint8_t VT_PREVMENU = 25;
constexpr uint8_t VT_PROPMOTION = 26;
constexpr uint8_t VT_CABINET = 27;
constexpr uint8_t kComponentTypeCount = 28;

// The name of a type code ("VT_BOX"), or empty for codes above VT_CABINET.
std::string ComponentTypeName(uint8_t code);

// I = 32-bit signed integer, S = string, B = boolean, F = floating point.
enum class TPropType : uint8_t { Int, Str, Bool, Float };

struct TPropInfo {
  const char* Name;
  TPropType Type;
  int32_t Default;  // integer and boolean defaults; strings default to empty, floats to 0
  bool Event;       // holds the location of a handler; the id is also the id of the event it receives
};

// The row of an id; ids outside 0 .. 164 are the caller's to refuse (see ValidPropId).
const TPropInfo& PropInfo(int32_t id);
inline bool ValidPropId(int32_t id) { return id >= 0 && id < kPropCount; }

// A property value in the slot of its type.
struct TPropValue {
  int32_t I = 0;
  std::string S;
  bool B = false;
  long double F = 0;
};

// The table default of an id.
TPropValue DefaultPropValue(int32_t id);

// Reads property id of the object into the variable with the setter of the property's type. An id outside the table
// raises "GetPropエラー".
void GetProperty(TCustomParam& variable, const TVelkObject& object, int32_t id);
// Converts the value with the reader of the property's type and calls the object's setter. PR_APPEARX, PR_APPEARY
// and ids outside the table raise "SetPropエラー"; read-only ids are ignored.
void SetProperty(TVelkObject& object, int32_t id, const TCustomParam& value);

// One row of a class's own property accessors (see prop_table.h). A null getter answers what the parent class
// answers; a null setter ignores the write (read-only for that class).
template <class T> struct TPropRow {
  int32_t Id;
  void (*Get)(const T&, TPropValue&);
  void (*Set)(T&, const TPropValue&);
};

}  // namespace velk
