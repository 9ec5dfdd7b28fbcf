#include "media/midi_song_player.h"

#include "base/error.h"
#include "vfs/stream.h"

namespace velk {

bool TSynthSongPlayer::Load(const std::vector<uint8_t>& song) {
  TMemoryStream stream(song);
  try {
    player_.LoadFromStream(stream);
  } catch (const EVelkError&) {
    return false;
  }
  return true;
}

}  // namespace velk
