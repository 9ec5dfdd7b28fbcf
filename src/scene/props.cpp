#include "scene/props.h"

#include "base/error.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "scene/prop_table.h"
#include "scene/velk_object.h"

namespace velk {

namespace {

const std::array<TPropInfo, kPropCount> kProps = {{
    {"PR_NAME", TPropType::Str, 0, false},
    {"PR_PARENT", TPropType::Str, 0, false},
    {"PR_SOURCE", TPropType::Str, 0, false},
    {"PR_LEFT", TPropType::Int, 0, false},
    {"PR_TOP", TPropType::Int, 0, false},
    {"PR_WIDTH", TPropType::Int, 0, false},
    {"PR_HEIGHT", TPropType::Int, 0, false},
    {"PR_ZOOMX", TPropType::Int, 256, false},
    {"PR_COLOR", TPropType::Int, 0xFFFFFF, false},
    {"PR_BORDERWIDTH", TPropType::Int, 0, false},
    {"PR_BORDERCOLOR", TPropType::Int, -1, false},
    {"PR_ALPHA", TPropType::Int, 255, false},
    {"PR_PRIORITY", TPropType::Int, 0, false},
    {"PR_OFFSETX", TPropType::Int, 0, false},
    {"PR_OFFSETY", TPropType::Int, 0, false},
    {"PR_FONTNAME", TPropType::Str, 0, false},
    {"PR_FONTHEIGHT", TPropType::Int, 0, false},
    {"PR_FONTSTYLE", TPropType::Int, 0, false},
    {"PR_LINESPACE", TPropType::Int, 0, false},
    {"PR_FONTCOLOR", TPropType::Int, 0, false},
    {"PR_FONTLINKCOLOR", TPropType::Int, 0, false},
    {"PR_FONTBORDERCOLOR", TPropType::Int, 0, false},
    {"PR_FONTHOVERCOLOR", TPropType::Int, 0, false},
    {"PR_FONTHOVERSTYLE", TPropType::Int, 0, false},
    {"PR_HOVERCOLOR", TPropType::Int, -1, false},
    {"PR_ANTIALIAS", TPropType::Bool, 0, false},
    {"PR_DELAY", TPropType::Int, 0, false},
    {"PR_PAUSED", TPropType::Bool, 0, false},
    {"PR_VOLUME", TPropType::Int, 0, false},
    {"PR_REPEAT", TPropType::Bool, 0, false},
    {"PR_BALANCE", TPropType::Int, 0, false},
    {"PR_ANGLE", TPropType::Int, 0, false},
    {"PR_ONPLAYING", TPropType::Str, 0, true},
    {"PR_ONNOTIFY", TPropType::Str, 0, true},
    {"PR_ONMOUSEMOVE", TPropType::Str, 0, true},
    {"PR_ONMOUSEOUT", TPropType::Str, 0, true},
    {"PR_ONLBTNDOWN", TPropType::Str, 0, true},
    {"PR_ONLBTNUP", TPropType::Str, 0, true},
    {"PR_ONRBTNDOWN", TPropType::Str, 0, true},
    {"PR_ONRBTNUP", TPropType::Str, 0, true},
    {"PR_ONWHEELDOWN", TPropType::Str, 0, true},
    {"PR_ONWHEELUP", TPropType::Str, 0, true},
    {"PR_BRIGHTNESS", TPropType::Int, 255, false},
    {"PR_ONPLAYEND", TPropType::Str, 0, true},
    {"PR_INDEX", TPropType::Int, -1, false},
    {"PR_COUNT", TPropType::Int, 0, false},
    {"PR_ONLINK", TPropType::Str, 0, true},
    {"PR_VISIBLE", TPropType::Bool, 0, false},
    {"PR_COLCOUNT", TPropType::Int, 0, false},
    {"PR_ROWCOUNT", TPropType::Int, 0, false},
    {"PR_TEXT", TPropType::Str, 0, false},
    {"PR_MARGINX", TPropType::Int, 0, false},
    {"PR_MARGINY", TPropType::Int, 0, false},
    {"PR_HALIGN", TPropType::Int, 0, false},
    {"PR_BORDERSOURCETL", TPropType::Str, 0, false},
    {"PR_BORDERSOURCETC", TPropType::Str, 0, false},
    {"PR_BORDERSOURCETR", TPropType::Str, 0, false},
    {"PR_BORDERSOURCECL", TPropType::Str, 0, false},
    {"PR_BORDERSOURCECC", TPropType::Str, 0, false},
    {"PR_BORDERSOURCECR", TPropType::Str, 0, false},
    {"PR_BORDERSOURCEBL", TPropType::Str, 0, false},
    {"PR_BORDERSOURCEBC", TPropType::Str, 0, false},
    {"PR_BORDERSOURCEBR", TPropType::Str, 0, false},
    {"PR_BORDERHALIGNT", TPropType::Int, 0, false},
    {"PR_BORDERHALIGNC", TPropType::Int, 0, false},
    {"PR_BORDERHALIGNB", TPropType::Int, 0, false},
    {"PR_BORDERVALIGNL", TPropType::Int, 0, false},
    {"PR_BORDERVALIGNC", TPropType::Int, 0, false},
    {"PR_BORDERVALIGNR", TPropType::Int, 0, false},
    {"PR_SCROLLSOURCE", TPropType::Str, 0, false},
    {"PR_CHECKSOURCE", TPropType::Str, 0, false},
    {"PR_AUTOSCRAP", TPropType::Bool, 0, false},
    {"PR_ONSELECT", TPropType::Str, 0, true},
    {"PR_RCLICKSCRAP", TPropType::Bool, 0, false},
    {"PR_ONOPENING", TPropType::Str, 0, true},
    {"PR_ONOPENED", TPropType::Str, 0, true},
    {"PR_ONCLOSING", TPropType::Str, 0, true},
    {"PR_ONCLOSED", TPropType::Str, 0, true},
    {"PR_CARETX", TPropType::Int, 0, false},
    {"PR_CARETY", TPropType::Int, 0, false},
    {"PR_IGNOREMOUSE", TPropType::Int, 0, false},
    {"PR_TEXTPAUSED", TPropType::Bool, 0, false},
    {"PR_TEXTDELAY", TPropType::Int, 256, false},
    {"PR_HOVERSOURCE", TPropType::Str, 0, false},
    {"PR_PRESSEDSOURCE", TPropType::Str, 0, false},
    {"PR_GROUPINDEX", TPropType::Int, 0, false},
    {"PR_ALLOWALLUP", TPropType::Bool, 0, false},
    {"PR_SELECTED", TPropType::Bool, 0, false},
    {"PR_CAPTUREMASK", TPropType::Bool, 0, false},
    {"PR_POWER", TPropType::Int, 0, false},
    {"PR_ORIGWIDTH", TPropType::Int, 0, false},
    {"PR_ORIGHEIGHT", TPropType::Int, 0, false},
    {"PR_APPEARX", TPropType::Int, 0, false},
    {"PR_APPEARY", TPropType::Int, 0, false},
    {"PR_PARTMOTION", TPropType::Int, 1, false},
    {"PR_PARAM1", TPropType::Float, 0, false},
    {"PR_PARAM2", TPropType::Float, 0, false},
    {"PR_TOPINDEX", TPropType::Int, 0, false},
    {"PR_READONLY", TPropType::Bool, 0, false},
    {"PR_CURSOR", TPropType::Str, 0, false},
    {"PR_POSZOOMED", TPropType::Bool, 0, false},
    {"PR_ONPLAYSTART", TPropType::Str, 0, true},
    {"PR_PARAM3", TPropType::Float, 0, false},
    {"PR_ONMOUSEIN", TPropType::Str, 0, true},
    {"PR_ONMAPIN", TPropType::Str, 0, true},
    {"PR_ONMAPOUT", TPropType::Str, 0, true},
    {"PR_MAPSOURCE", TPropType::Str, 0, false},
    {"PR_AMP", TPropType::Int, 0, false},
    {"PR_WAVELEN", TPropType::Int, 0, false},
    {"PR_SCROLLX", TPropType::Int, 0, false},
    {"PR_SCROLLY", TPropType::Int, 0, false},
    {"PR_FLIPH", TPropType::Bool, 0, false},
    {"PR_FLIPV", TPropType::Bool, 0, false},
    {"PR_ONIDLE", TPropType::Str, 0, true},
    {"PR_DISTANCEX", TPropType::Int, 0, false},
    {"PR_DISTANCEY", TPropType::Int, 0, false},
    {"PR_CLIPLEFT", TPropType::Int, 0, false},
    {"PR_CLIPTOP", TPropType::Int, 0, false},
    {"PR_CLIPWIDTH", TPropType::Int, 0, false},
    {"PR_CLIPHEIGHT", TPropType::Int, 0, false},
    {"PR_DURATION", TPropType::Int, 0, false},
    {"PR_THUMBSOURCE", TPropType::Str, 0, false},
    {"PR_BUTTONSOURCE", TPropType::Str, 0, false},
    {"PR_MIN", TPropType::Int, 0, false},
    {"PR_MAX", TPropType::Int, 0, false},
    {"PR_VALUE", TPropType::Int, 0, false},
    {"PR_ORIENTATION", TPropType::Int, 0, false},
    {"PR_SMALLCHANGE", TPropType::Int, 1, false},
    {"PR_LARGECHANGE", TPropType::Int, 1, false},
    {"PR_MAPTEXT", TPropType::Str, 0, false},
    {"PR_GLYPHWIDTH", TPropType::Int, 0, false},
    {"PR_GLYPHHEIGHT", TPropType::Int, 0, false},
    {"PR_ZOOMY", TPropType::Int, 256, false},
    {"PR_CLICKEDSOURCE", TPropType::Str, 0, false},
    {"PR_ANIPAUSED", TPropType::Bool, 0, false},
    {"PR_ONHOLD", TPropType::Str, 0, true},
    {"PR_ONRELEASE", TPropType::Str, 0, true},
    {"PR_REVERSE", TPropType::Bool, 0, false},
    {"PR_PLAYING", TPropType::Bool, 0, false},
    {"PR_REWINDONLOAD", TPropType::Bool, 1, false},
    {"PR_COMPOTYPE", TPropType::Int, 0, false},
    {"PR_FONTSHADOWCOLOR", TPropType::Int, 0, false},
    {"PR_FONTBORDER", TPropType::Int, 0, false},
    {"PR_FONTSHADOW", TPropType::Int, 0, false},
    {"PR_ONKEYDOWN", TPropType::Str, 0, true},
    {"PR_ONKEYUP", TPropType::Str, 0, true},
    {"PR_ONKEYREPEAT", TPropType::Str, 0, true},
    {"PR_HANDLEKEY", TPropType::Bool, 0, false},
    {"PR_ONFOCUSIN", TPropType::Str, 0, true},
    {"PR_ONFOCUSOUT", TPropType::Str, 0, true},
    {"PR_OVERLAY", TPropType::Bool, 1, false},
    {"PR_TAG", TPropType::Str, 0, false},
    {"PR_CAPTURELINK", TPropType::Bool, 0, false},
    {"PR_FONTHOVERBORDER", TPropType::Int, 0, false},
    {"PR_FONTHOVERBORDERCOLOR", TPropType::Int, 0, false},
    {"PR_FONTHOVERSHADOW", TPropType::Int, 0, false},
    {"PR_FONTHOVERSHADOWCOLOR", TPropType::Int, 0, false},
    {"PR_BARSIZE", TPropType::Int, 0, false},
    {"PR_MUTEONLOAD", TPropType::Bool, 0, false},
    {"PR_PLUSX", TPropType::Int, 0, false},
    {"PR_PLUSY", TPropType::Int, 0, false},
    {"PR_CARETHEIGHT", TPropType::Int, 0, false},
    {"PR_REPEATPOS", TPropType::Int, 0, false},
    {"PR_BLURSPAN", TPropType::Int, 0, false},
    {"PR_BLURDELAY", TPropType::Int, 0, false},
}};

const std::array<const char*, kComponentTypeCount> kTypeNames = {
    "VT_NONE",     "VT_AUDIO",     "VT_BOX",   "VT_BUTTON",  "VT_CINEMA",   "VT_EDIT",       "VT_FIRE",
    "VT_HTTP",     "VT_IMAGES",    "VT_LABEL", "VT_MAP",     "VT_MEMO",     "VT_MENU",       "VT_MES",
    "VT_PARTICLE", "VT_TIMER",     "VT_VIDEO", "VT_SOUND",   "VT_MAPIMG",   "VT_WAVE",       "VT_TILE",
    "VT_SLIDER",   "VT_SCROLLBAR", "VT_GAUGE", "VT_CGLABEL", "VT_PREVMENU", "VT_PROPMOTION", "VT_CABINET"};

bool IsStyleProp(int32_t id) { return id == PR_FONTSTYLE || id == PR_FONTHOVERSTYLE; }

// Properties that scripts can read but whose writes are ignored whatever the class.
bool IsReadOnlyForScripts(int32_t id) {
  return id == PR_CARETX || id == PR_CARETY || id == PR_PLAYING || id == PR_COMPOTYPE || id == PR_CARETHEIGHT;
}

}  // namespace

bool HasExtension(const std::string& name, const char* extension) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) return false;
  return SameText(name.substr(dot), extension);
}

std::string ComponentTypeName(uint8_t code) { return code < kComponentTypeCount ? kTypeNames[code] : ""; }

const TPropInfo& PropInfo(int32_t id) { return kProps.at(static_cast<size_t>(id)); }

TPropValue DefaultPropValue(int32_t id) {
  TPropValue v;
  const TPropInfo& info = PropInfo(id);
  v.I = info.Default;
  v.B = info.Default != 0;
  return v;
}

void GetProperty(TCustomParam& variable, const TVelkObject& object, int32_t id) {
  if (!ValidPropId(id)) throw EVelkError(Utf8ToCp932("GetPropエラー"));
  TPropValue v = DefaultPropValue(id);
  if (id != PR_COLCOUNT && id != PR_APPEARX && id != PR_APPEARY) object.GetProp(id, v);
  if (IsStyleProp(id)) v.I &= 15;
  switch (PropInfo(id).Type) {
    case TPropType::Int: variable.SetInt(v.I); break;
    case TPropType::Str: variable.SetStr(v.S); break;
    case TPropType::Bool: variable.SetBool(v.B); break;
    case TPropType::Float: variable.SetFloat(v.F); break;
  }
}

void SetProperty(TVelkObject& object, int32_t id, const TCustomParam& value) {
  if (!ValidPropId(id) || id == PR_APPEARX || id == PR_APPEARY) throw EVelkError(Utf8ToCp932("SetPropエラー"));
  if (IsReadOnlyForScripts(id)) return;
  TPropValue v;
  switch (PropInfo(id).Type) {
    case TPropType::Int: v.I = value.GetInt(); break;
    case TPropType::Str: v.S = value.GetStr(); break;
    case TPropType::Bool: v.B = value.GetBool(); break;
    case TPropType::Float: v.F = value.GetFloat(); break;
  }
  // Only the four style flags exist; higher bits are dropped.
  if (IsStyleProp(id)) v.I &= 15;
  object.SetProp(id, v);
}

}  // namespace velk
