// The drawing thread of a play. JPEG: the newest picture. H.264: every unit
// is decoded (each needs the ones before) and each picture drawn at its own
// size, spaced by the stream's frame time when several came at once (a
// stream with B-frames arrives in groups). Ends when the play's queue is
// stopped.
#pragma once

namespace zv::onvif {

class CPlay;

void DrawPictures(CPlay& play);

}  // namespace zv::onvif
