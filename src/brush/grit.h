// Grit: the 20 byte planes of grain values a dab reads (engine().grit).
//
// Each buffer holds (N + 25)^2 bytes laid out at row pitch N: the window a
// brush of edge n uses is (n + 25) x (n + 25), so that a dab can start at a
// random offset of up to 24 pixels in each direction. 255 means "no cell";
// with density d - 1 a dab paints only grit pixels whose value is below d.
#pragma once

#include <cstdint>

namespace oka::brush {

// Fills the 20 buffers from the random byte arrays A and B with the tool's
// cell size and thresholds (see grit.cpp), drawing two generator outputs per
// cell row; the caller seeds the generator. Leaves the grit position at the
// start of buffer 19. Missing buffers are skipped (their draws still happen).
void build_grit_from_random();

// Fills the 20 buffers from a grey image g (w x h bytes, pitch w): each gets
// the (n + 25)-square window at a random offset; pixels beyond the image
// repeat its edge. Resets the drawing-length counter and the grit position.
void fill_grit_from_grey(const uint8_t* g, int32_t w, int32_t h);

// Tiles an RGBA32 image (w x h) over a 600 x 600 field, converts it to grey
// and fills the buffers from that: the path for rendered image scripts.
// Returns false when a working image cannot be allocated.
bool fill_grit_from_tile(const uint8_t* rgba, int32_t w, int32_t h);

// Fills the buffers from an image script or image file. Returns false, the
// buffers unchanged, when the path cannot be read as either or a working
// image cannot be allocated.
bool build_grit_from_image(const char* path);

}  // namespace oka::brush
