#include "property_names.h"

#include <algorithm>

namespace velk::build {

namespace {

// The property ids 0 .. 164 by their names without the "PR_" prefix, in lower case.
constexpr const char* kPropertyNames[kPropertyNameCount] = {
    "name",                 // 0
    "parent",               // 1
    "source",               // 2
    "left",                 // 3
    "top",                  // 4
    "width",                // 5
    "height",               // 6
    "zoomx",                // 7
    "color",                // 8
    "borderwidth",          // 9
    "bordercolor",          // 10
    "alpha",                // 11
    "priority",             // 12
    "offsetx",              // 13
    "offsety",              // 14
    "fontname",             // 15
    "fontheight",           // 16
    "fontstyle",            // 17
    "linespace",            // 18
    "fontcolor",            // 19
    "fontlinkcolor",        // 20
    "fontbordercolor",      // 21
    "fonthovercolor",       // 22
    "fonthoverstyle",       // 23
    "hovercolor",           // 24
    "antialias",            // 25
    "delay",                // 26
    "paused",               // 27
    "volume",               // 28
    "repeat",               // 29
    "balance",              // 30
    "angle",                // 31
    "onplaying",            // 32
    "onnotify",             // 33
    "onmousemove",          // 34
    "onmouseout",           // 35
    "onlbtndown",           // 36
    "onlbtnup",             // 37
    "onrbtndown",           // 38
    "onrbtnup",             // 39
    "onwheeldown",          // 40
    "onwheelup",            // 41
    "brightness",           // 42
    "onplayend",            // 43
    "index",                // 44
    "count",                // 45
    "onlink",               // 46
    "visible",              // 47
    "colcount",             // 48
    "rowcount",             // 49
    "text",                 // 50
    "marginx",              // 51
    "marginy",              // 52
    "halign",               // 53
    "bordersourcetl",       // 54
    "bordersourcetc",       // 55
    "bordersourcetr",       // 56
    "bordersourcecl",       // 57
    "bordersourcecc",       // 58
    "bordersourcecr",       // 59
    "bordersourcebl",       // 60
    "bordersourcebc",       // 61
    "bordersourcebr",       // 62
    "borderhalignt",        // 63
    "borderhalignc",        // 64
    "borderhalignb",        // 65
    "bordervalignl",        // 66
    "bordervalignc",        // 67
    "bordervalignr",        // 68
    "scrollsource",         // 69
    "checksource",          // 70
    "autoscrap",            // 71
    "onselect",             // 72
    "rclickscrap",          // 73
    "onopening",            // 74
    "onopened",             // 75
    "onclosing",            // 76
    "onclosed",             // 77
    "caretx",               // 78
    "carety",               // 79
    "ignoremouse",          // 80
    "textpaused",           // 81
    "textdelay",            // 82
    "hoversource",          // 83
    "pressedsource",        // 84
    "groupindex",           // 85
    "allowallup",           // 86
    "selected",             // 87
    "capturemask",          // 88
    "power",                // 89
    "origwidth",            // 90
    "origheight",           // 91
    "appearx",              // 92
    "appeary",              // 93
    "partmotion",           // 94
    "param1",               // 95
    "param2",               // 96
    "topindex",             // 97
    "readonly",             // 98
    "cursor",               // 99
    "poszoomed",            // 100
    "onplaystart",          // 101
    "param3",               // 102
    "onmousein",            // 103
    "onmapin",              // 104
    "onmapout",             // 105
    "mapsource",            // 106
    "amp",                  // 107
    "wavelen",              // 108
    "scrollx",              // 109
    "scrolly",              // 110
    "fliph",                // 111
    "flipv",                // 112
    "onidle",               // 113
    "distancex",            // 114
    "distancey",            // 115
    "clipleft",             // 116
    "cliptop",              // 117
    "clipwidth",            // 118
    "clipheight",           // 119
    "duration",             // 120
    "thumbsource",          // 121
    "buttonsource",         // 122
    "min",                  // 123
    "max",                  // 124
    "value",                // 125
    "orientation",          // 126
    "smallchange",          // 127
    "largechange",          // 128
    "maptext",              // 129
    "glyphwidth",           // 130
    "glyphheight",          // 131
    "zoomy",                // 132
    "clickedsource",        // 133
    "anipaused",            // 134
    "onhold",               // 135
    "onrelease",            // 136
    "reverse",              // 137
    "playing",              // 138
    "rewindonload",         // 139
    "compotype",            // 140
    "fontshadowcolor",      // 141
    "fontborder",           // 142
    "fontshadow",           // 143
    "onkeydown",            // 144
    "onkeyup",              // 145
    "onkeyrepeat",          // 146
    "handlekey",            // 147
    "onfocusin",            // 148
    "onfocusout",           // 149
    "overlay",              // 150
    "tag",                  // 151
    "capturelink",          // 152
    "fonthoverborder",      // 153
    "fonthoverbordercolor", // 154
    "fonthovershadow",      // 155
    "fonthovershadowcolor", // 156
    "barsize",              // 157
    "muteonload",           // 158
    "plusx",                // 159
    "plusy",                // 160
    "caretheight",          // 161
    "repeatpos",            // 162
    "blurspan",             // 163
    "blurdelay",            // 164
};

} // namespace

const char* PropertyName(int32_t id) {
  return id >= 0 && id < kPropertyNameCount ? kPropertyNames[id] : nullptr;
}

int32_t FindProperty(std::string_view name) {
  for (int32_t i = 0; i < kPropertyNameCount; ++i) {
    if (name == kPropertyNames[i]) return i;
  }
  return -1;
}

} // namespace velk::build
