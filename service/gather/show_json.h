#pragma once
// A placed show as the store keeps it: one JSON text, read back field by field (a row written by
// an older or newer service reads as far as its fields go).
#include "service/gather/show_placing.h"

#include <optional>
#include <string>

namespace vxs {

std::string showJson(const PlacedShow& show);
std::optional<PlacedShow> showFromJson(const std::string& text);

} // namespace vxs
