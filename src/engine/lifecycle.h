// Document lifetime: creation, resize and deletion of every plane, and the
// random byte arrays that seed brush noise.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oka {

struct EngineState;
struct RandomByteArray;

constexpr int32_t kRandomArrayLength = 1000000;

void create_image(void* host_window, int32_t width, int32_t height, int32_t brush_max, int32_t reserved);
void new_size(void* host_window, int32_t width, int32_t height, int32_t brush_max, int32_t reserved);
void delete_image();
void set_random_seed(uint32_t seed);
void set_start_dir(const char* path);

// (Re)generate array a with modulus m unless it already matches the current
// seed, modulus and length.
void make_random_array(RandomByteArray& a, uint32_t modulus, size_t length);

// Clamp a requested canvas edge: negative or above 10000 becomes 100.
int32_t clamp_canvas_edge(int32_t v) noexcept;

}  // namespace oka
