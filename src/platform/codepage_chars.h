// How many bytes one character takes in a text that failed to convert, so that it becomes
// exactly one '?'. Bytes that cannot belong to it (an ASCII byte after a lead byte) are left
// for the next character.
#pragma once

#include <cstddef>

namespace orvik::platform {

std::size_t Utf8CharLength(const char* p, std::size_t left);
std::size_t Cp949CharLength(const char* p, std::size_t left);

}  // namespace orvik::platform
