#include "film_source.h"

#include <cstdlib>
#include <map>

#include "base/sjis.h"
#include "scene/film_manager.h"
#include "scene/film_tracks.h"
#include "source_text.h"
#include "vfs/stream.h"

namespace velk::build {

namespace {

const std::map<std::string, uint8_t> kTrackKinds = {
    {"image", kTrackImage}, {"label", kTrackLabel},       {"box", kTrackBox},   {"wipe", kTrackWipe},
    {"sound", kTrackSound}, {"tile", kTrackTile}, {"particle", kTrackParticle}, {"fire", kTrackFire},
};

// An animated field of a track as the description names it: an int or a real pair, and its easing when it has one.
struct TField {
  TAnimated<int32_t>* Int = nullptr;
  TAnimated<double>* Real = nullptr;
  uint8_t* Ease = nullptr;
};

TField PictureField(TCustomImageFrameList& t, const std::string& key) {
  if (key == "x") return {&t.X, nullptr, &t.EaseX};
  if (key == "y") return {&t.Y, nullptr, &t.EaseY};
  if (key == "angle") return {&t.AngleDeg, nullptr, &t.EaseAngle};
  if (key == "zoomx") return {nullptr, &t.ZoomX, &t.EaseZoomX};
  if (key == "zoomy") return {nullptr, &t.ZoomY, &t.EaseZoomY};
  if (key == "alpha") return {&t.Alpha, nullptr, nullptr};
  if (key == "clipx") return {&t.ClipX, nullptr, &t.EaseClipPos};
  if (key == "clipy") return {&t.ClipY, nullptr, &t.EaseClipPos};
  if (key == "clipwidth") return {&t.ClipW, nullptr, &t.EaseClipSize};
  if (key == "clipheight") return {&t.ClipH, nullptr, &t.EaseClipSize};
  if (key == "blurspan") return {&t.BlurSpan, nullptr, nullptr};
  if (key == "blurdelay") return {&t.BlurDelay, nullptr, nullptr};
  if (auto* tile = dynamic_cast<TTileFrameList*>(&t)) {
    if (key == "width") return {&tile->Width, nullptr, nullptr};
    if (key == "height") return {&tile->Height, nullptr, nullptr};
    if (key == "scrollx") return {&tile->ScrollX, nullptr, &tile->EaseScrollX};
    if (key == "scrolly") return {&tile->ScrollY, nullptr, &tile->EaseScrollY};
  }
  return {};
}

TField RectField(TRectFrameList& t, const std::string& key) {
  if (key == "x") return {&t.X, nullptr, &t.EaseX};
  if (key == "y") return {&t.Y, nullptr, &t.EaseY};
  if (key == "width") return {&t.W, nullptr, nullptr};
  if (key == "height") return {&t.H, nullptr, nullptr};
  if (key == "clipx") return {&t.ClipX, nullptr, &t.EaseClipPos};
  if (key == "clipy") return {&t.ClipY, nullptr, &t.EaseClipPos};
  if (key == "clipwidth") return {&t.ClipW, nullptr, &t.EaseClipSize};
  if (key == "clipheight") return {&t.ClipH, nullptr, &t.EaseClipSize};
  if (auto* box = dynamic_cast<TBoxFrameList*>(&t)) {
    if (key == "alpha") return {&box->Alpha, nullptr, nullptr};
    if (key == "color") return {&box->Color, nullptr, nullptr};
    if (key == "borderwidth") return {&box->BorderWidth, nullptr, nullptr};
    if (key == "bordercolor") return {&box->BorderColor, nullptr, nullptr};
    if (key == "blurspan") return {&box->BlurSpan, nullptr, nullptr};
    if (key == "blurdelay") return {&box->BlurDelay, nullptr, nullptr};
  }
  if (auto* p = dynamic_cast<TParticleFrameList*>(&t)) {
    static const std::string kInts = "abcdef", kReals = "ghi";
    if (key.size() == 1 && kInts.find(key) != std::string::npos) {
      const size_t i = kInts.find(key);
      return {&p->Ints[i], nullptr, i == 2 ? &p->EaseC : i == 3 ? &p->EaseD : nullptr};
    }
    if (key.size() == 1 && kReals.find(key) != std::string::npos) return {nullptr, &p->Reals[kReals.find(key)]};
    if (key == "alpha") return {&p->Alpha, nullptr, nullptr};
  }
  if (auto* f = dynamic_cast<TFireFrameList*>(&t)) {
    if (key == "zoomx") return {nullptr, &f->ZoomX, &f->EaseZoomX};
    if (key == "zoomy") return {nullptr, &f->ZoomY, &f->EaseZoomY};
  }
  return {};
}

TField AnimatedField(TCustomFrameList& t, const std::string& key) {
  if (auto* p = dynamic_cast<TCustomImageFrameList*>(&t)) return PictureField(*p, key);
  if (auto* r = dynamic_cast<TRectFrameList*>(&t)) return RectField(*r, key);
  if (auto* s = dynamic_cast<TSoundFrameList*>(&t)) {
    if (key == "volume") return {&s->Volume, nullptr, &s->EaseVolume};
    if (key == "balance") return {&s->Balance, nullptr, &s->EaseBalance};
  }
  return {};
}

// The reader of one description.
class TFilmSource {
 public:
  explicit TFilmSource(const std::string& file) : file_(file) {}

  std::vector<uint8_t> Build(const std::string& text) {
    for (const TSourceLine& line : SourceLines(file_, text)) {
      line_ = line.Number;
      std::string key, rest;
      SplitWord(line.Text, key, rest);
      words_ = Words(rest);
      if (track_ && key != "track" && TrackSetting(key, rest)) continue;
      FilmSetting(key);
    }
    if (film_.FilmKind == kFilmNone) throw TBuildError(file_, 1, "a film description starts with cinema or motion");
    film_.Resolve();
    TMemoryStream s;
    film_.SaveToStream(s, version_);
    return s.Bytes();
  }

 private:
  [[noreturn]] void Fail(const std::string& message) const { throw TBuildError(file_, line_, message); }

  static std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string rest = text;
    while (!rest.empty()) {
      std::string w;
      SplitWord(rest, w, rest);
      words.push_back(w);
    }
    return words;
  }

  int32_t Int(size_t i) const {
    int32_t v = 0;
    if (i >= words_.size() || !ParseInt(words_[i], v)) Fail("a number expected");
    return v;
  }
  double Real(size_t i) const {
    if (i >= words_.size()) Fail("a number expected");
    char* end = nullptr;
    const double v = std::strtod(words_[i].c_str(), &end);
    if (end == words_[i].c_str() || *end != '\0') Fail("a number expected: " + words_[i]);
    return v;
  }
  bool Flag(size_t i) const {
    bool v = false;
    if (i >= words_.size() || !ParseFlag(words_[i], v)) Fail("on or off expected");
    return v;
  }
  void Count(size_t min, size_t max) const {
    if (words_.size() < min || words_.size() > max) Fail("wrong number of values");
  }

  void FilmSetting(const std::string& key) {
    if (key == "cinema" || key == "motion") {
      Count(0, 0);
      film_.FilmKind = key == "cinema" ? kFilmCinema : kFilmMotion;
    } else if (key == "version") {
      Count(1, 1);
      version_ = Int(0);
      if (version_ < 100 || version_ > TFilmManager::kVersion) Fail("version must be 100 .. 109");
    } else if (key == "screen") {
      Count(2, 2);
      film_.SceneWidth = Int(0);
      film_.SceneHeight = Int(1);
    } else if (key == "background") {
      Count(1, 1);
      film_.BackgroundColor = Int(0);
    } else if (key == "relative") {
      Count(1, 1);
      film_.RelativeFlag = Flag(0);
    } else if (key == "origin") {
      Count(2, 2);
      film_.OriginX = Int(0);
      film_.OriginY = Int(1);
    } else if (key == "loopstart") {
      Count(1, 1);
      film_.LoopStartTick = Int(0);
    } else if (key == "track") {
      Count(1, 1);
      const auto kind = kTrackKinds.find(words_[0]);
      if (kind == kTrackKinds.end()) Fail("unknown track kind " + words_[0]);
      if (film_.Tracks().size() >= static_cast<size_t>(TFilmManager::kMaxTracks)) Fail("too many tracks");
      film_.Tracks().push_back(NewFilmTrack(film_, kind->second));
      track_ = film_.Tracks().back().get();
    } else {
      Fail("unknown film setting " + key);
    }
  }

  // True when the key is a setting of the current track.
  bool TrackSetting(const std::string& key, const std::string& rest) {
    TCustomFrameList& t = *track_;
    if (key == "start") {
      Count(1, 1);
      t.StartTick = Int(0);
    } else if (key == "duration") {
      Count(1, 1);
      t.Duration = Int(0);
    } else if (key == "after") {
      Count(1, 1);
      const int32_t i = Int(0);
      if (i < 0 || i >= film_.IndexOf(track_)) Fail("after names an earlier track by its number, from 0");
      t.Predecessor = film_.Tracks()[static_cast<size_t>(i)].get();
    } else if (key == "cycle") {
      Count(1, 1);
      t.FrameCycle = Int(0);
    } else if (key == "priority") {
      Count(1, 1);
      t.Priority = Int(0);
    } else if (key == "reserved") {
      Count(1, 1);
      t.Reserved = Int(0);
    } else if (key == "mirror") {
      Count(1, 1);
      if (words_[0].find_first_not_of("hv") != std::string::npos) Fail("mirror takes h, v or hv");
      t.MirrorH = words_[0].find('h') != std::string::npos;
      t.MirrorV = words_[0].find('v') != std::string::npos;
    } else if (key == "otherbase") {
      Count(1, 1);
      t.OtherBase = Flag(0);
    } else if (TField f = AnimatedField(t, key); f.Int || f.Real) {
      Count(2, f.Ease ? 3 : 2);
      if (f.Int) *f.Int = {Int(0), Int(1)};
      if (f.Real) *f.Real = {Real(0), Real(1)};
      if (words_.size() == 3) *f.Ease = static_cast<uint8_t>(Int(2));
    } else {
      return KindSetting(key, rest);
    }
    return true;
  }

  bool KindSetting(const std::string& key, const std::string& rest) {
    const auto text = [&] { return Utf8ToCp932(StringValue(rest)); };
    if (auto* p = dynamic_cast<TCustomImageFrameList*>(track_)) {
      if (key == "origin") {
        Count(2, 2);
        p->Origin = {Int(0), Int(1)};
        return true;
      }
      if (key == "zoom") {
        Count(2, 3);
        p->ZoomX = p->ZoomY = {Real(0), Real(1)};
        if (words_.size() == 3) p->EaseZoomX = p->EaseZoomY = static_cast<uint8_t>(Int(2));
        return true;
      }
      if (key == "file" && track_->Kind() != kTrackLabel) return (p->FileName = text(), true);
    }
    if (auto* tile = dynamic_cast<TTileFrameList*>(track_); tile && key == "distance") {
      Count(2, 2);
      tile->DistanceX = Int(0);
      tile->DistanceY = Int(1);
      return true;
    }
    if (auto* l = dynamic_cast<TLabelFrameList*>(track_)) {
      if (key == "text") return (l->Text = text(), true);
      if (key == "font") return (l->FontName = text(), true);
      if (key == "fontheight") return (Count(1, 1), l->FontHeight = Int(0), true);
      if (key == "linespace") return (Count(1, 1), l->LineSpace = Int(0), true);
      if (key == "fontstyle") return (Count(1, 1), l->FontStyle = static_cast<uint8_t>(Int(0)), true);
      if (key == "fontcolor") return (Count(1, 1), l->FontColor = Int(0), true);
      if (key == "halign") return (Count(1, 1), l->HAlign = static_cast<uint8_t>(Int(0)), true);
      if (key == "antialias") return (Count(1, 1), l->AntiAlias = Flag(0), true);
    }
    if (auto* w = dynamic_cast<TWipeFrameList*>(track_)) {
      if (key == "type") return (Count(1, 1), w->Type = static_cast<uint8_t>(Int(0)), true);
      if (key == "mask") return (w->MaskFile = text(), true);
      if (key == "params") return (Count(2, 2), w->Param0 = Int(0), w->Param1 = Int(1), true);
      if (key == "reverse") return (Count(1, 1), w->Reverse = Flag(0), true);
    }
    if (auto* s = dynamic_cast<TSoundFrameList*>(track_); s && key == "file") return (s->FileName = text(), true);
    if (auto* p = dynamic_cast<TParticleFrameList*>(track_)) {
      if (key == "file") return (p->FileName = text(), true);
      if (key == "motion") return (Count(1, 1), p->Motion = static_cast<uint8_t>(Int(0)), true);
      if (key == "image") return (Count(1, 1), p->ImageIndex = Int(0), true);
    }
    if (auto* f = dynamic_cast<TFireFrameList*>(track_); f && key == "power") {
      return (Count(1, 1), f->Power = Int(0), true);
    }
    Fail("unknown setting " + key + " of this track");
  }

  std::string file_;
  int32_t line_ = 0;
  std::vector<std::string> words_;
  TFilmManager film_;
  TCustomFrameList* track_ = nullptr;
  int32_t version_ = TFilmManager::kVersion;
};

}  // namespace

std::vector<uint8_t> BuildFilm(const std::string& file, const std::string& text) {
  return TFilmSource(file).Build(text);
}

}  // namespace velk::build
