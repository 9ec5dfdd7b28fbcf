#include "script/component_exec.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "base/process_values.h"
#include "base/sjis.h"
#include "expr/param.h"
#include "gfx/dibx.h"
#include "scene/base_list.h"
#include "scene/custom_image.h"
#include "scene/props.h"
#include "scene/velk_prop_motion.h"
#include "script/call_host.h"
#include "script/call_man.h"
#include "script/call_scene.h"
#include "script/component_commands.h"
#include "script/page.h"

namespace velk {

namespace {

template <class T> T& as(TCommand& command) { return dynamic_cast<T&>(command); }

// ---- evaluation -------------------------------------------------------------------------------------------------

std::string text_of(TCallMan& calls, TVelkParser* expr, const std::string& fallback = {}) {
  const TCustomParam* v = expr ? calls.Evaluate(*expr) : nullptr;
  return v ? v->GetStr() : fallback;
}

int32_t int_of(TCallMan& calls, TVelkParser& expr, int32_t fallback) {
  const TCustomParam* v = calls.Evaluate(expr);
  return v ? v->GetInt() : fallback;
}

bool flag_of(TCallMan& calls, TVelkParser& expr, bool fallback = false) {
  const TCustomParam* v = calls.Evaluate(expr);
  return v ? v->GetBool() : fallback;
}

// The texts of the expressions that yield a value.
std::vector<std::string> texts_of(TCallMan& calls, TExprList& list) {
  std::vector<std::string> texts;
  for (auto& expr : list) {
    if (const TCustomParam* v = expr ? calls.Evaluate(*expr) : nullptr) texts.push_back(v->GetStr());
  }
  return texts;
}

// The object named by the text of the expression; none for an empty text (which would name the active base).
TVelkObject* named_object(TCallMan& calls, TVelkParser& expr) {
  if (calls.Scene() == nullptr) return nullptr;
  const std::string name = text_of(calls, &expr);
  return name.empty() ? nullptr : calls.Scene()->List().FindObject(name);
}

int32_t int_prop(const TVelkObject& o, int32_t id) {
  TPropValue v = DefaultPropValue(id);
  o.GetProp(id, v);
  return v.I;
}

std::string text_prop(const TVelkObject& o, int32_t id) {
  TPropValue v;
  o.GetProp(id, v);
  return v.S;
}

// A line of the interpreter's trace, with the game clock in front.
[[maybe_unused]] void trace(TCallMan& calls, const std::string& message) {
  if (!calls.Host().Tracing()) return;
  char head[32];
  std::snprintf(head, sizeof head, "%.8x : ", static_cast<unsigned>(calls.Process().GameClock));
  calls.Host().Trace(head + message);
}

// ---- creating a component ---------------------------------------------------------------------------------------

// The order of the stored properties: ranges of ids, each from first to last.
constexpr std::array<std::array<int32_t, 2>, 21> kApplyRanges = {{
    {0, 2},     {7, 7},     {132, 132}, {100, 100}, {5, 6},     {3, 4},     {8, 8},
    {157, 157}, {9, 14},    {159, 160}, {15, 24},   {153, 156}, {25, 29},   {162, 162},
    {30, 79},   {161, 161}, {80, 99},   {101, 131}, {133, 152}, {158, 158}, {163, 164},
}};

std::vector<int32_t> make_apply_order() {
  std::vector<int32_t> order;
  for (const auto& [first, last] : kApplyRanges) {
    for (int32_t id = first; id <= last; ++id) order.push_back(id);
  }
  return order;
}

const std::vector<int32_t>& apply_order() {
  static const std::vector<int32_t> order = make_apply_order();
  return order;
}

// Properties a creation command never applies: read-only ones, the particle's creation expressions and the
// offsets of motions.
bool not_applied(int32_t id) {
  switch (id) {
    case PR_CARETX:
    case PR_CARETY:
    case PR_APPEARX:
    case PR_APPEARY:
    case PR_PLAYING:
    case PR_COMPOTYPE:
    case PR_PLUSX:
    case PR_PLUSY:
    case PR_CARETHEIGHT: return true;
    default: return false;
  }
}

// The value a stored property takes when its expression yields none.
std::unique_ptr<TCustomParam> creation_default(int32_t id) {
  int32_t n = 0;
  switch (id) {
    case PR_ZOOMX:
    case PR_TEXTDELAY:
    case PR_ZOOMY: n = 256; break;
    case PR_COLOR:
    case PR_BORDERCOLOR:
    case PR_HOVERCOLOR: n = -1; break;
    case PR_ALPHA: n = 255; break;
    case PR_FONTHEIGHT: n = 16; break;
    case PR_VOLUME: n = 1000; break;
    case PR_WAVELEN: n = 100; break;
    case PR_COLCOUNT:
    case PR_ROWCOUNT:
    case PR_AMP:
    case PR_SMALLCHANGE:
    case PR_LARGECHANGE:
    case PR_GLYPHWIDTH:
    case PR_GLYPHHEIGHT:
    case PR_VISIBLE:
    case PR_OVERLAY: n = 1; break;
    default: break;
  }
  std::unique_ptr<TCustomParam> v;
  switch (PropInfo(id).Type) {
    case TPropType::Int: v = NewParam(PT_INT); break;
    case TPropType::Str: v = NewParam(PT_STR); break;
    case TPropType::Bool: v = NewParam(PT_BOOL); break;
    case TPropType::Float: v = NewParam(PT_FLOAT); break;
  }
  if (PropInfo(id).Type == TPropType::Bool) {
    v->SetBool(n != 0);
  } else if (PropInfo(id).Type != TPropType::Str) {
    v->SetInt(n);
  }
  return v;
}

void apply_parent(TVelkBaseList& scene, TVelkObject& object, const std::string& name) {
  TVelkControl* control = object.AsControl();
  if (!control) return;
  TVelkControl* parent = name.empty() ? nullptr : scene.FindParent(name);
  control->SetParent(parent ? parent : scene.ActiveBaseObject());
}

void apply_properties(TCallMan& calls, TComComponent& command, TVelkBaseList& scene, TVelkObject& object) {
  // A control is on the active base unless its command names another parent.
  if (!command.Prop(PR_PARENT)) apply_parent(scene, object, {});
  for (const int32_t id : apply_order()) {
    TVelkParser* expr = command.Prop(id);
    if (!expr || not_applied(id)) continue;
    const TCustomParam* value = calls.Evaluate(*expr);
    std::unique_ptr<TCustomParam> fallback;
    if (!value) {
      fallback = creation_default(id);
      value = fallback.get();
    }
    if (id == PR_NAME) {
      if (!value->GetStr().empty()) SetProperty(object, id, *value);
    } else if (id == PR_PARENT) {
      apply_parent(scene, object, value->GetStr());
    } else {
      if (id == PR_LEFT) object.TakeSizeFromSource();
      SetProperty(object, id, *value);
    }
  }
}

// What a creation command does besides creating and applying.
enum class TCreationStep : uint8_t { None, ImageExpressions, ParticleExpressions, Play, Open };

struct TCreationRow {
  uint8_t Code;
  uint8_t Type;
  TCreationStep Step;
};

constexpr std::array<TCreationRow, 22> kCreation = {{
    {8, VT_BOX, TCreationStep::None},        {9, VT_IMAGES, TCreationStep::ImageExpressions},
    {10, VT_MES, TCreationStep::None},       {11, VT_TIMER, TCreationStep::None},
    {12, VT_VIDEO, TCreationStep::Play},     {23, VT_CINEMA, TCreationStep::None},
    {24, VT_LABEL, TCreationStep::None},     {25, VT_MENU, TCreationStep::Open},
    {30, VT_BUTTON, TCreationStep::None},    {36, VT_PARTICLE, TCreationStep::ParticleExpressions},
    {37, VT_FIRE, TCreationStep::None},      {42, VT_SOUND, TCreationStep::Play},
    {43, VT_EDIT, TCreationStep::None},      {44, VT_MEMO, TCreationStep::None},
    {48, VT_MAPIMG, TCreationStep::None},    {49, VT_WAVE, TCreationStep::None},
    {50, VT_TILE, TCreationStep::None},      {51, VT_SLIDER, TCreationStep::None},
    {52, VT_SCROLLBAR, TCreationStep::None}, {53, VT_GAUGE, TCreationStep::None},
    {54, VT_CGLABEL, TCreationStep::None},   {56, VT_PREVMENU, TCreationStep::None},
}};

const TCreationRow* creation_row(uint8_t code) {
  for (const TCreationRow& row : kCreation) {
    if (row.Code == code) return &row;
  }
  return nullptr;
}

void exec_create(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  const TCreationRow* row = creation_row(command.Code());
  if (!row || !calls.Scene()) return;
  auto& c = as<TComComponent>(command);
  TVelkBaseList& scene = calls.Scene()->List();
  TVelkObject* object = calls.Scene()->CreateComponent(row->Type);
  if (!object) return;
  if (row->Step == TCreationStep::ImageExpressions) {
    object->TakeCreationExpressions({.Delay = c.Prop(PR_DELAY)});
  } else if (row->Step == TCreationStep::ParticleExpressions) {
    object->TakeCreationExpressions({c.Prop(PR_APPEARX), c.Prop(PR_APPEARY), c.Prop(PR_DELAY)});
  }
  const TObjectHandle handle = object->Handle();
  apply_properties(calls, c, scene, *object);
  // A property may have replaced the object (a rename that removed it is not possible, but stay safe).
  object = scene.Resolve(handle);
  if (!object) return;
  if (TVelkControl* control = object->AsControl()) control->Invalidate();
  if (row->Step == TCreationStep::Play) {
    object->SetPlayState(int_prop(*object, PR_DELAY) > 0 ? 1 : 0);
  } else if (row->Step == TCreationStep::Open) {
    object->SetPlayState(1);
    as<TComMenu>(command).CreatedMenu = object->Name();
  }
}

// ---- flip -------------------------------------------------------------------------------------------------------

constexpr int32_t kHighestTransition = 38;
const std::string kSnapshotName = "\x01\x01";

// An image control holding a copy of the screen as it was when the flip began, in front of everything on the active
// base, while the components are carried away beneath it.
void make_snapshot(TVelkBaseList& scene) {
  scene.DrawAll();
  auto snapshot = std::make_unique<TVelkImage>(&scene);
  TVelkImage* s = snapshot.get();
  scene.Adopt(std::move(snapshot));
  s->SetName(kSnapshotName);
  s->OwnSurface = std::make_unique<TDIBX>();
  if (TDIBX* screen = scene.PresentationSurface()) {
    // Copying a 32-bit screen of the snapshot's own size writes every byte (rows have no padding), so the
    // snapshot is not cleared first.
    if (screen->BitCount() == 32 && screen->Width() == scene.Width() && screen->Height() == scene.Height())
      s->OwnSurface->SetSizeForOverwrite(scene.Width(), scene.Height(), screen->BitCount());
    else
      s->OwnSurface->SetSize(scene.Width(), scene.Height(), screen->BitCount());
    s->OwnSurface->Assign(screen);
  }
  s->SetParent(scene.ActiveBaseObject());
  s->SetBounds(0, 0, scene.Width(), scene.Height());
  s->SetVisible(true);
}

// The lines of a text, split at CR LF, LF or CR.
void add_lines(const std::string& text, std::vector<std::string>& lines) {
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
}

void carry(TVelkBaseList& scene, int32_t mode, const std::vector<std::string>& names) {
  std::vector<std::string> lines;
  for (const std::string& text : names) add_lines(text, lines);
  TVelkBase* from = scene.ActiveBaseObject();
  TVelkBase* to = scene.InactiveBaseObject();
  for (int32_t i = from->ChildCount() - 1; i >= 0; --i) {
    TVelkControl* child = from->ChildAt(i);
    if (!child || child->Name() == kSnapshotName) continue;
    const bool listed = std::find(lines.begin(), lines.end(), child->Name()) != lines.end();
    if ((mode == 0 && !listed) || (mode == 1 && listed)) child->SetParent(to);
  }
}

void begin_flip(TCallMan& calls, TCommand& command) {
  auto& c = as<TComFlip>(command);
  c.State = 0;
  c.Scene = calls.Scene() ? &calls.Scene()->List() : nullptr;
  int32_t type = int_of(calls, c.Type, 0);
  // A negative type names no transition either.
  if (type > kHighestTransition || type < 0) type = 0;
  const TCustomParam* time = calls.Evaluate(c.Time);
  c.TimeValue = time ? time->GetInt() : 0;
  const int32_t duration = std::max(c.TimeValue, 1);
  const bool reverse = flag_of(calls, c.Reverse);
  c.NoEventsValue = flag_of(calls, c.NoEvents);
  c.ClearOldValue = flag_of(calls, c.ClearOld);
  const TCustomParam* mode = calls.Evaluate(c.CarryMode);
  const int32_t carry_mode = mode ? mode->GetInt() : 0;
  const std::vector<std::string> names = texts_of(calls, c.CarryNames);
  if (!c.Scene) return;
  TVelkBaseList& scene = *c.Scene;
  if (mode) {
    if (c.TimeValue <= 0) {
      c.State = 3;
    } else {
      make_snapshot(scene);
    }
    carry(scene, carry_mode, names);
  }
  if (c.State == 3) return;
  scene.Flip(scene.ActiveBase, static_cast<uint8_t>(type), reverse ? 1 : 0, true, 0, duration);
  TCustomWipe* wipe = scene.Transition();
  if (!wipe) return;
  // Parameters and rule image only when the script gives them; the type's defaults stay otherwise.
  if (const TCustomParam* p = calls.Evaluate(c.Param1)) wipe->SetParam(0, p->GetInt());
  if (const TCustomParam* p = calls.Evaluate(c.Param2)) wipe->SetParam(1, p->GetInt());
  if (const TCustomParam* rule = calls.Evaluate(c.RuleName)) wipe->SetRuleFile(rule->GetStr());
  wipe->Prepare();
}

void exec_flip(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComFlip>(command);
  if (calls.Scene()) c.Scene = &calls.Scene()->List();
  // While the flip goes on the frame ends here, whatever the command's continue flag says: the clock does not move
  // within a frame.
  switch (c.State) {
    case 0:
      c.State = 1;
      calls.SetContinue(false);
      return;
    case 1:
      c.StartClock = calls.Process().GameClock;
      c.State = 2;
      calls.SetContinue(false);
      return;
    default: break;
  }
  const int64_t elapsed = int64_t{calls.Process().GameClock} - c.StartClock;
  if (c.State == 2 && c.Scene && elapsed < c.Scene->TransitionDuration()) {
    c.Scene->SetTransitionElapsed(static_cast<int32_t>(elapsed));
    calls.SetContinue(false);
    return;
  }
  c.Finish();
  ++index;
}

// ---- media, text, menus -----------------------------------------------------------------------------------------

void begin_movie_stop(TCallMan& calls, TCommand& command) {
  auto& c = as<TComMovieStop>(command);
  c.NoEventsValue = flag_of(calls, c.NoEvents);
  c.WaitValue = false;
  c.TargetName.clear();
  TVelkObject* object = named_object(calls, c.ObjectName);
  if (!object) return;
  TVelkBaseList& scene = calls.Scene()->List();
  const int32_t fade = int_of(calls, c.Fade, 0);
  if (fade > 0) {
    const std::string source = text_prop(*object, PR_SOURCE);
    const int32_t state = object->PlayState();
    if (!source.starts_with("CD_") && !scene.Services.FileExists(source)) {
      // No item to fade.
    } else if (state != 0 && state != 1) {
      // Already released or vanishing.
    } else {
      TPropValue delay;
      delay.I = fade;
      object->SetProp(PR_DELAY, delay);
      object->SetPlayState(3);
      // Vanishing renames the object; the command waits for it under its new name.
      c.TargetName = object->Name();
    }
  } else {
    object->SetPlayState(2);
    scene.ScheduleDelete(object);
  }
  c.WaitValue = flag_of(calls, c.Wait);
}

void exec_movie_stop(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComMovieStop>(command);
  const bool registered = !c.TargetName.empty() && calls.Scene() && calls.Scene()->List().FindObject(c.TargetName);
  if (!registered || !c.WaitValue) {
    ++index;
  } else {
    // Waiting for the fade: the frame ends, as a wait ends it.
    calls.SetContinue(false);
  }
}

void exec_media_play(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  if (TVelkObject* object = named_object(calls, as<TComMediaPlay>(command).ObjectName)) object->Play();
}

void exec_menu_close(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  if (TVelkObject* object = named_object(calls, as<TComMenuClose>(command).ObjectName)) object->SetPlayState(3);
}

// ---- property motions -------------------------------------------------------------------------------------------

void exec_prop_motion(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  auto& c = as<TComPropMotion>(command);
  ++index;
  // The property is checked before anything is created, so that a failing command leaves nothing behind.
  const TCustomParam* id = calls.Evaluate(c.PropId);
  if (!id) throw EVelkError(Utf8ToCp932("プロパティ指定が不正です"));
  const int32_t prop = id->GetInt();
  if (!calls.Scene()) return;
  auto* motion = dynamic_cast<TVelkPropMotion*>(calls.Scene()->CreateComponent(VT_PROPMOTION));
  if (!motion) return;
  const std::string name = text_of(calls, &c.Name);
  if (!name.empty()) motion->SetName(name);
  const std::string target = text_of(calls, &c.Target);
  if (!target.empty()) motion->Target = target;
  // An id outside the table would otherwise wrap into another property.
  motion->PropId = ValidPropId(prop) ? static_cast<uint8_t>(prop) : TVelkPropMotion::kNoProperty;
  if (const TCustomParam* v = calls.Evaluate(c.Goal)) motion->EndValue = v->GetFloat();
  if (const TCustomParam* v = calls.Evaluate(c.Duration)) motion->Duration = v->GetInt();
  if (const TCustomParam* v = calls.Evaluate(c.Curve)) motion->Easing = static_cast<uint8_t>(v->GetInt());
  if (const TCustomParam* v = calls.Evaluate(c.Paused)) motion->PausedFlag = v->GetBool();
}

// ---- cabinets ---------------------------------------------------------------------------------------------------

struct TSelection {
  bool Listed = false;
  std::vector<std::string> Names;
  bool Selects(const std::string& name) const {
    return Listed == (std::find(Names.begin(), Names.end(), name) != Names.end());
  }
};

TSelection selection_of(TCallMan& calls, TComCabinet& c) { return {flag_of(calls, c.Mode), texts_of(calls, c.Names)}; }

// Moves the selected children of from (last to first) into to.
void move_selected(TVelkControl& from, TVelkControl& to, const TSelection& selection) {
  for (int32_t i = from.ChildCount() - 1; i >= 0; --i) {
    TVelkControl* child = from.ChildAt(i);
    if (child && child != &to && selection.Selects(child->Name())) child->SetParent(&to);
  }
}

TVelkControl* find_cabinet(TVelkBaseList& scene, const std::string& name) {
  TVelkObject* o = name.empty() ? nullptr : scene.FindObject(name);
  return o && o->ComponentType() == VT_CABINET ? o->AsControl() : nullptr;
}

void delete_if_empty(TVelkBaseList& scene, TVelkControl& cabinet) {
  if (cabinet.ChildCount() == 0) scene.ScheduleDelete(&cabinet);
}

void exec_cabinet_save(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  if (!calls.Scene()) return;
  auto& c = as<TComCabinet>(command);
  TVelkBaseList& scene = calls.Scene()->List();
  const std::string name = text_of(calls, c.Prop(PR_NAME));
  const TSelection selection = selection_of(calls, c);
  TVelkControl* cabinet = find_cabinet(scene, name);
  if (!cabinet) {
    TVelkObject* created = calls.Scene()->CreateComponent(VT_CABINET);
    cabinet = created ? created->AsControl() : nullptr;
    if (!cabinet) return;
    if (!name.empty()) cabinet->SetName(name);
    cabinet->SetParent(scene.BaseAt(0));
  }
  move_selected(*scene.InactiveBaseObject(), *cabinet, selection);
  delete_if_empty(scene, *cabinet);
}

void exec_cabinet_load(TCallMan& calls, TCommand& command, TPage*&, int32_t& index) {
  ++index;
  if (!calls.Scene()) return;
  auto& c = as<TComCabinet>(command);
  TVelkBaseList& scene = calls.Scene()->List();
  const std::string name = text_of(calls, c.Prop(PR_NAME));
  const TSelection selection = selection_of(calls, c);
  TVelkControl* cabinet = find_cabinet(scene, name);
  if (!cabinet) return;
  move_selected(*cabinet, *scene.InactiveBaseObject(), selection);
  delete_if_empty(scene, *cabinet);
}

std::vector<TComponentRun> make_runs() {
  std::vector<TComponentRun> runs;
  for (const TCreationRow& row : kCreation) runs.push_back({row.Code, nullptr, exec_create});
  runs.push_back({13, begin_flip, exec_flip});
  runs.push_back({21, begin_movie_stop, exec_movie_stop});
  runs.push_back({26, nullptr, exec_menu_close});
  runs.push_back({55, nullptr, exec_media_play});
  runs.push_back({57, nullptr, exec_prop_motion});
  runs.push_back({59, nullptr, exec_cabinet_save});
  runs.push_back({60, nullptr, exec_cabinet_load});
  for (const TComponentRun& run : MessageRuns()) runs.push_back(run);
  return runs;
}

}  // namespace

void TComFlip::Finish() {
  if (!Scene) return;
  TVelkBaseList& scene = *Scene;
  scene.Flip(1 - scene.ActiveBase, 0, 0, true, 0, 0);
  if (TVelkObject* snapshot = scene.FindObject(kSnapshotName)) scene.DestroyObject(snapshot);
  if (!ClearOldValue) return;
  TVelkBase* old = scene.InactiveBaseObject();
  for (int32_t i = old->ChildCount() - 1; i >= 0; --i) {
    TVelkControl* child = old->ChildAt(i);
    if (child && child->ComponentType() != VT_CABINET) scene.ScheduleDelete(child);
  }
}

std::span<const TComponentRun> ComponentRuns() {
  static const std::vector<TComponentRun> runs = make_runs();
  return runs;
}

}  // namespace velk
