#pragma once
// MP3 audio: an ID3 version 2.3 tag or an MPEG-1 Layer III frame, then the walk over frames that
// keep the first frame's bitrate and sample rate, and an ID3 version 1 tag at the end; named
// after the tags' title, artist and album.

#include <memory>

#include "carve/recognizer.h"

namespace tundrel {

std::unique_ptr<Recognizer> MakeMp3Recognizer();

}  // namespace tundrel
