#include "scene/props.h"

#include <gtest/gtest.h>

#include <set>

#include "base/error.h"
#include "base/sjis.h"
#include "scene/base_list.h"
#include "scene/cabinet.h"
#include "scene/velk_box.h"
#include "scene/velk_cg_label.h"
#include "scene/velk_prop_motion.h"
#include "scene_test_support.h"
#include "vfs/stream.h"

namespace velk {
namespace {

using test::Prop;
using test::Set;
using test::SetInt;

// The table default of an id in its string form, written out independently of the table.
std::string ExpectedDefault(int32_t id) {
  switch (id) {
    case PR_ZOOMX:
    case PR_ZOOMY:
    case PR_TEXTDELAY: return "256";
    case PR_COLOR: return std::to_string(0xFFFFFF);
    case PR_BORDERCOLOR:
    case PR_HOVERCOLOR:
    case PR_INDEX: return "-1";
    case PR_ALPHA:
    case PR_BRIGHTNESS: return "255";
    case PR_PARTMOTION:
    case PR_SMALLCHANGE:
    case PR_LARGECHANGE: return "1";
    case PR_REWINDONLOAD:
    case PR_OVERLAY: return "TRUE";
    default: break;
  }
  switch (PropInfo(id).Type) {
    case TPropType::Int: return "0";
    case TPropType::Bool: return "FALSE";
    case TPropType::Float: return "0";
    case TPropType::Str: return "";
  }
  return "?";
}

// A value different from the default, for write attempts.
std::string OtherValue(int32_t id) {
  switch (PropInfo(id).Type) {
    case TPropType::Int: return "77";
    case TPropType::Bool: return ExpectedDefault(id) == "TRUE" ? "FALSE" : "TRUE";
    case TPropType::Float: return "2.5";
    case TPropType::Str: return "zz";
  }
  return "";
}

// Ids every control implements, read and write (from the property table).
const std::set<int32_t> kControlIds = {
    PR_NAME,       PR_PARENT,    PR_LEFT,        PR_TOP,         PR_WIDTH,      PR_HEIGHT,      PR_COLOR,
    PR_PRIORITY,   PR_OFFSETX,   PR_OFFSETY,     PR_ONMOUSEMOVE, PR_ONMOUSEOUT, PR_ONLBTNDOWN,  PR_ONLBTNUP,
    PR_ONRBTNDOWN, PR_ONRBTNUP,  PR_ONWHEELDOWN, PR_ONWHEELUP,   PR_VISIBLE,    PR_IGNOREMOUSE, PR_CURSOR,
    PR_POSZOOMED,  PR_ONMOUSEIN, PR_CLIPLEFT,    PR_CLIPTOP,     PR_CLIPWIDTH,  PR_CLIPHEIGHT,  PR_ANIPAUSED,
    PR_ONKEYDOWN,  PR_ONKEYUP,   PR_ONKEYREPEAT, PR_HANDLEKEY,   PR_ONFOCUSIN,  PR_ONFOCUSOUT,  PR_TAG,
    PR_PLUSX,      PR_PLUSY};
const std::set<int32_t> kBoxIds = {PR_SOURCE,    PR_BORDERWIDTH, PR_BORDERCOLOR, PR_ALPHA,    PR_PAUSED,   PR_REPEAT,
                                   PR_ONPLAYEND, PR_AUTOSCRAP,   PR_ONIDLE,      PR_BLURSPAN, PR_BLURDELAY};
// Ids whose read is special but whose writes are ignored for these classes.
const std::set<int32_t> kReadOnly = {PR_ORIGWIDTH, PR_ORIGHEIGHT, PR_PLAYING, PR_COMPOTYPE};

// Every id outside `implemented` answers the table default and ignores writes; every id in it takes a write.
void SweepObject(TVelkObject& o, const std::set<int32_t>& implemented, const std::string& what) {
  for (int32_t id = 0; id < kPropCount; ++id) {
    SCOPED_TRACE(what + " " + PropInfo(id).Name);
    if (id == PR_APPEARX || id == PR_APPEARY) {
      EXPECT_EQ(Prop(o, id), "0");
      EXPECT_THROW(Set(o, id, "1"), EVelkError);
      continue;
    }
    if (implemented.count(id) || kReadOnly.count(id)) continue;
    EXPECT_EQ(Prop(o, id), ExpectedDefault(id));
    Set(o, id, OtherValue(id));
    EXPECT_EQ(Prop(o, id), ExpectedDefault(id));
  }
  for (int32_t id : implemented) {
    if (id == PR_NAME || id == PR_PARENT) continue;
    SCOPED_TRACE(what + " write " + PropInfo(id).Name);
    Set(o, id, OtherValue(id));
    EXPECT_EQ(Prop(o, id), OtherValue(id));
  }
}

TEST(Props, TableNamesAndCodes) {
  EXPECT_STREQ(PropInfo(PR_NAME).Name, "PR_NAME");
  EXPECT_STREQ(PropInfo(164).Name, "PR_BLURDELAY");
  EXPECT_STREQ(PropInfo(92).Name, "PR_APPEARX");
  EXPECT_STREQ(PropInfo(63).Name, "PR_BORDERHALIGNT");
  EXPECT_STREQ(PropInfo(68).Name, "PR_BORDERVALIGNR");
  EXPECT_TRUE(PropInfo(PR_ONLBTNDOWN).Event);
  EXPECT_EQ(PR_ONLBTNDOWN, 36);
  EXPECT_EQ(PR_ONFOCUSOUT, 149);
  EXPECT_FALSE(PropInfo(PR_TEXT).Event);
  EXPECT_EQ(ComponentTypeName(VT_CABINET), "VT_CABINET");
  EXPECT_EQ(ComponentTypeName(17), "VT_SOUND");
  EXPECT_EQ(ComponentTypeName(28), "");
}

TEST(Props, SweepOverEveryIdForSeveralClasses) {
  TVelkBaseList scene;
  scene.SetSize(64, 48);
  auto* box = scene.New<TVelkBox>();
  box->SetParent(scene.ActiveBaseObject());
  std::set<int32_t> box_ids = kControlIds;
  box_ids.insert(kBoxIds.begin(), kBoxIds.end());
  SweepObject(*box, box_ids, "box");
  EXPECT_EQ(Prop(*box, PR_COMPOTYPE), "2");

  auto* cabinet = scene.New<TVelkCabinet>();
  std::set<int32_t> cabinet_ids = kControlIds;
  cabinet_ids.erase(PR_VISIBLE);  // a cabinet stays invisible
  SweepObject(*cabinet, cabinet_ids, "cabinet");
  EXPECT_EQ(Prop(*cabinet, PR_VISIBLE), "FALSE");
  EXPECT_EQ(Prop(*cabinet, PR_COMPOTYPE), "27");

  auto* timer = scene.New<test::TCountingComponent>();
  SweepObject(*timer, {PR_NAME, PR_PRIORITY, PR_TAG}, "component");
  EXPECT_EQ(Prop(*timer, PR_COMPOTYPE), "15");
  // Non-visual components answer the table defaults of the visual fields.
  EXPECT_EQ(Prop(*timer, PR_COLOR), std::to_string(0xFFFFFF));
  EXPECT_EQ(Prop(*timer, PR_VISIBLE), "FALSE");
  EXPECT_EQ(Prop(*timer, PR_ORIGWIDTH), "0");
}

// The ids each class answers beyond those of every control, and those it only reads (among them).
struct TClassIds {
  uint8_t Code;
  std::set<int32_t> Ids;
  std::set<int32_t> ReadOnly;
  // Ids whose stored value differs from the written one for a reason of the class (masked, without a film).
  std::set<int32_t> Transformed;
  // Ids that a save and load do not restore as they were written (the size follows the content again, or the
  // record does not hold them).
  std::set<int32_t> Recomputed;
};

const std::set<int32_t> kCustomImageIds = {PR_ALPHA,    PR_ZOOMX,     PR_ZOOMY,       PR_ANGLE,
                                           PR_FLIPH,    PR_FLIPV,     PR_CAPTUREMASK, PR_INDEX,
                                           PR_BLURSPAN, PR_BLURDELAY, PR_ORIGWIDTH,   PR_ORIGHEIGHT};
const std::set<int32_t> kCustomImagesIds = {PR_COUNT, PR_BRIGHTNESS, PR_PAUSED};

std::set<int32_t> Join(std::initializer_list<std::set<int32_t>> sets) {
  std::set<int32_t> all;
  for (const auto& s : sets) all.insert(s.begin(), s.end());
  return all;
}

const std::vector<TClassIds>& EveryClass() {
  static const std::vector<TClassIds> classes = {
      {VT_BOX, kBoxIds, {}, {}, {}},
      {VT_IMAGES,
       Join({kCustomImageIds, kCustomImagesIds, {PR_SOURCE, PR_REPEAT, PR_AUTOSCRAP, PR_ONPLAYEND, PR_ONIDLE}}),
       {PR_COUNT, PR_ORIGWIDTH, PR_ORIGHEIGHT},
       {},
       {PR_WIDTH, PR_HEIGHT}},
      {VT_TILE,
       Join({kCustomImageIds,
             kCustomImagesIds,
             {PR_SOURCE, PR_SCROLLX, PR_SCROLLY, PR_DISTANCEX, PR_DISTANCEY, PR_ONIDLE, PR_REPEAT}}),
       {PR_COUNT, PR_ORIGWIDTH, PR_ORIGHEIGHT, PR_REPEAT},
       {},
       {PR_INDEX}},
      {VT_MAPIMG,
       {PR_SOURCE, PR_HOVERSOURCE, PR_MAPSOURCE, PR_ALPHA, PR_BRIGHTNESS, PR_ONMAPIN, PR_ONMAPOUT, PR_ONSELECT,
        PR_AUTOSCRAP, PR_RCLICKSCRAP, PR_PAUSED, PR_ONIDLE},
       {},
       {},
       {PR_WIDTH, PR_HEIGHT, PR_ORIGWIDTH, PR_ORIGHEIGHT}},
      {VT_FIRE,
       {PR_POWER, PR_ORIGWIDTH, PR_ORIGHEIGHT, PR_ZOOMX, PR_ZOOMY, PR_PAUSED, PR_ONIDLE},
       {},
       {},
       {PR_WIDTH, PR_HEIGHT}},
      {VT_WAVE, {PR_AMP, PR_WAVELEN, PR_DELAY, PR_PAUSED, PR_ONIDLE}, {}, {}, {}},
      {VT_PARTICLE,
       {PR_SOURCE, PR_PARTMOTION, PR_PARAM1, PR_PARAM2, PR_PARAM3, PR_ALPHA, PR_INDEX, PR_DURATION, PR_PAUSED,
        PR_ONIDLE},
       {},
       {},
       {}},
      {VT_LABEL,
       {PR_TEXT,      PR_FONTNAME, PR_FONTHEIGHT, PR_FONTSTYLE, PR_LINESPACE, PR_FONTCOLOR, PR_HALIGN,
        PR_ANTIALIAS, PR_ALPHA,    PR_ANGLE,      PR_FLIPH,     PR_FLIPV,     PR_ZOOMX,     PR_ZOOMY,
        PR_SOURCE,    PR_REPEAT,   PR_AUTOSCRAP,  PR_ONPLAYEND, PR_PAUSED,    PR_ONIDLE},
       {},
       {PR_FONTSTYLE},
       {PR_WIDTH, PR_HEIGHT}},
      {VT_CGLABEL,
       {PR_SOURCE, PR_TEXT, PR_MAPTEXT, PR_GLYPHWIDTH, PR_GLYPHHEIGHT, PR_LINESPACE, PR_HALIGN, PR_ALPHA, PR_PAUSED,
        PR_ONIDLE, PR_ORIGWIDTH, PR_ORIGHEIGHT},
       {PR_ORIGWIDTH, PR_ORIGHEIGHT},
       {},
       {PR_WIDTH, PR_HEIGHT}},
      {VT_BUTTON,
       Join({kCustomImageIds,
             kCustomImagesIds,
             {PR_SOURCE, PR_REPEAT, PR_AUTOSCRAP, PR_ONPLAYEND, PR_ONIDLE, PR_HOVERSOURCE, PR_PRESSEDSOURCE,
              PR_CLICKEDSOURCE, PR_GROUPINDEX, PR_ALLOWALLUP, PR_SELECTED, PR_ONNOTIFY, PR_TEXT, PR_FONTNAME,
              PR_FONTHEIGHT, PR_FONTSTYLE, PR_FONTCOLOR, PR_ANTIALIAS}}),
       {PR_COUNT, PR_ORIGWIDTH, PR_ORIGHEIGHT},
       {PR_FONTSTYLE},
       {PR_WIDTH, PR_HEIGHT, PR_TEXT}},  // the record keeps the caption's font, not its text
      {VT_SLIDER,
       {PR_SOURCE, PR_THUMBSOURCE, PR_BUTTONSOURCE, PR_MIN, PR_MAX, PR_VALUE, PR_SMALLCHANGE, PR_ALPHA, PR_PAUSED,
        PR_ORIENTATION, PR_ONNOTIFY, PR_ONHOLD, PR_ONRELEASE, PR_ONIDLE, PR_CAPTUREMASK, PR_BARSIZE},
       {},
       {},
       {}},
      {VT_SCROLLBAR,
       {PR_SOURCE, PR_THUMBSOURCE, PR_BUTTONSOURCE, PR_MIN, PR_MAX, PR_VALUE, PR_SMALLCHANGE, PR_LARGECHANGE, PR_ALPHA,
        PR_PAUSED, PR_ORIENTATION, PR_ONNOTIFY, PR_ONHOLD, PR_ONRELEASE, PR_ONIDLE, PR_CAPTUREMASK, PR_BARSIZE},
       {},
       {},
       {}},
      {VT_GAUGE,
       {PR_SOURCE, PR_MIN, PR_MAX, PR_VALUE, PR_ALPHA, PR_PAUSED, PR_ORIENTATION, PR_DELAY, PR_DURATION, PR_REVERSE,
        PR_ONIDLE, PR_BARSIZE},
       {},
       {},
       {}},
      {VT_CINEMA,
       {PR_SOURCE, PR_REPEAT, PR_PAUSED, PR_AUTOSCRAP, PR_ONPLAYEND, PR_ONIDLE, PR_INDEX, PR_COUNT, PR_VOLUME,
        PR_REWINDONLOAD, PR_MUTEONLOAD},
       {PR_COUNT},
       {PR_INDEX},
       {}},
  };
  return classes;
}

// Every property of every class: the ids the class has answer and keep what is written, all others answer the
// table default and ignore writes; a save and load gives back every property as it was.
TEST(Props, EveryClassAnswersItsOwnIdsAndSavesThem) {
  TVelkBaseList scene;
  scene.SetSize(64, 48);
  for (const TClassIds& c : EveryClass()) {
    const std::string what = ComponentTypeName(c.Code);
    TVelkObject* o = scene.CreateComponent(c.Code);
    ASSERT_NE(o, nullptr) << what;
    ASSERT_NE(o->AsControl(), nullptr) << what;
    o->AsControl()->SetParent(scene.ActiveBaseObject());
    // Written and read back: the ids of every control and the class's own that keep what is written.
    std::set<int32_t> kept = kControlIds;
    for (int32_t id : c.Ids) {
      if (!c.ReadOnly.count(id) && !c.Transformed.count(id)) kept.insert(id);
    }
    for (int32_t id = 0; id < kPropCount; ++id) {
      if (id == PR_APPEARX || id == PR_APPEARY || kept.count(id) || c.Ids.count(id) || kReadOnly.count(id)) continue;
      SCOPED_TRACE(what + " " + PropInfo(id).Name);
      EXPECT_EQ(Prop(*o, id), ExpectedDefault(id));
      Set(*o, id, OtherValue(id));
      EXPECT_EQ(Prop(*o, id), ExpectedDefault(id));
    }
    for (int32_t id : kept) {
      if (id == PR_NAME || id == PR_PARENT) continue;
      SCOPED_TRACE(what + " write " + PropInfo(id).Name);
      Set(*o, id, OtherValue(id));
      EXPECT_EQ(Prop(*o, id), OtherValue(id));
    }
    // The record through the scene's factory gives every property back.
    TMemoryStream s;
    o->SaveToStream(s);
    s.SetPosition(0);
    TVelkObject* copy = scene.CreateComponent(c.Code);
    copy->LoadFromStream(s, 140);
    EXPECT_EQ(s.Remaining(), 0) << what;
    copy->AsControl()->SetParent(scene.ActiveBaseObject());
    for (int32_t id = 0; id < kPropCount; ++id) {
      if (id == PR_APPEARX || id == PR_APPEARY || c.Recomputed.count(id)) continue;
      EXPECT_EQ(Prop(*copy, id), Prop(*o, id)) << what << " " << PropInfo(id).Name;
    }
    scene.DestroyObject(copy);
    scene.DestroyObject(o);
  }
}

TEST(Props, ClassDefaultsAndSpecialReads) {
  TVelkBaseList scene;
  scene.SetSize(64, 48);
  auto* box = scene.New<TVelkBox>();
  box->SetParent(scene.ActiveBaseObject());
  auto* timer = scene.New<test::TCountingComponent>();
  EXPECT_EQ(Prop(*box, PR_ZOOMX), "256");
  EXPECT_EQ(Prop(*timer, PR_ALPHA), "255");
  EXPECT_EQ(Prop(*box, PR_INDEX), "-1");
  EXPECT_EQ(Prop(*box, PR_REWINDONLOAD), "TRUE");
  EXPECT_EQ(Prop(*box, PR_COLOR), "0");  // a control keeps its own colour
  EXPECT_EQ(Prop(*box, PR_VISIBLE), "TRUE");
  SetInt(*box, PR_WIDTH, 33);
  EXPECT_EQ(Prop(*box, PR_ORIGWIDTH), "33");
  SetInt(*box, PR_ORIGWIDTH, 5);
  EXPECT_EQ(Prop(*box, PR_WIDTH), "33");
  // Read-only ids are ignored for every class.
  SetInt(*box, PR_COMPOTYPE, 9);
  EXPECT_EQ(Prop(*box, PR_COMPOTYPE), "2");

  // The parent reads as empty on the active base and as 0x01 on the inactive one.
  EXPECT_EQ(Prop(*box, PR_PARENT), "");
  box->SetParent(scene.InactiveBaseObject());
  EXPECT_EQ(Prop(*box, PR_PARENT), "\x01");
  Set(*box, PR_PARENT, "");
  EXPECT_EQ(box->Parent(), scene.ActiveBaseObject());
  auto* holder = scene.New<TVelkBox>();
  Set(*holder, PR_NAME, "holder");
  holder->SetParent(scene.ActiveBaseObject());
  Set(*box, PR_PARENT, "holder");
  EXPECT_EQ(Prop(*box, PR_PARENT), "holder");
  Set(*box, PR_PARENT, "nobody");
  EXPECT_EQ(box->Parent(), holder);
  // A base ignores a new parent and a new name.
  Set(*scene.ActiveBaseObject(), PR_PARENT, "holder");
  Set(*scene.ActiveBaseObject(), PR_NAME, "renamed");
  EXPECT_EQ(scene.ActiveBaseObject()->Parent(), nullptr);
  EXPECT_EQ(scene.ActiveBaseObject()->Name(), "\x01"
                                              "BASE0");
}

TEST(Props, OutOfRangeIdsRaiseTheirErrors) {
  TVelkBaseList scene;
  auto* box = scene.New<TVelkBox>();
  TParamInt v;
  for (int32_t id : {-1, 165, 1000}) {
    try {
      GetProperty(v, *box, id);
      ADD_FAILURE() << id;
    } catch (const EVelkError& e) {
      EXPECT_EQ(e.Message(), Utf8ToCp932("GetPropエラー"));
    }
    try {
      SetProperty(*box, id, v);
      ADD_FAILURE() << id;
    } catch (const EVelkError& e) {
      EXPECT_EQ(e.Message(), Utf8ToCp932("SetPropエラー"));
    }
  }
}

}  // namespace
}  // namespace velk
