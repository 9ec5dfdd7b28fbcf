#pragma once
// Pictures inside message text: an IMG tag's file comes from the shared image cache, with masks made from
// transparent colours, and animates through its frames by their display times.
#include <memory>
#include <string>

#include "text/word_glyph.h"

namespace velk {

class TBrixCollection;

class TSceneWordImages : public IWordImageSource {
 public:
  // cache may be null: then no picture can be read and every inline image takes no room.
  explicit TSceneWordImages(TBrixCollection* cache) : cache_(cache) {}
  std::unique_ptr<IWordImage> LoadImage(const std::string& name) override;

 private:
  TBrixCollection* cache_;
};

}  // namespace velk
