#include "record_field.h"

#include <type_traits>

void LandNumber(const FieldRef& field, uint32_t value) {
    std::visit(
        [value](auto* target) {
            using T = std::remove_pointer_t<decltype(target)>;
            if constexpr (std::is_integral_v<T>) {
                *target = static_cast<T>(value);
            } else if constexpr (std::is_same_v<T, std::string>) {
                target->assign(1, static_cast<char>(value));
            }
        },
        field);
}

void LandText(const FieldRef& field, const std::string& text) {
    if (auto* target = std::get_if<std::string*>(&field)) **target = text;
}

void LandAddress(const FieldRef& field, const uint8_t* bytes) {
    if (auto* target = std::get_if<ByteVector*>(&field)) (*target)->assign(bytes, bytes + kAtcsAddressBytes);
}

const void* FieldBytes(const FieldRef& field) {
    return std::visit([](auto* target) -> const void* { return target; }, field);
}
