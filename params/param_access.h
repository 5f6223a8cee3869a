#pragma once

#include <cstdint>

/// Reads parameter `id`, `length` bytes, into `destination`. True when the
/// service read it. Logs nothing: the caller does.
bool GetParam(uint32_t id, uint32_t length, void* destination);

/// Stores `length` bytes of `source` as parameter `id`. True when stored.
bool SetParam(uint32_t id, uint32_t length, const void* source);
