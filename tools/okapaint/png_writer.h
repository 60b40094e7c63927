#pragma once
#include <cstdint>
#include <string>

// Write a packed RGBA32 (channels 4) or RGB24 (channels 3) image as PNG.
bool write_png(const std::string& path, const uint8_t* pixels, int width, int height, int channels, int stride);
