#pragma once
// Arithmetic on values read from disk. Sums, differences and products of on-disk fields
// must never wrap into a small, plausible number: each helper answers nothing (or the
// type's limit, for the saturating ones) where the exact result does not fit.

#include <limits>
#include <optional>
#include <type_traits>

namespace checked {

template <class T> std::optional<T> Add(T a, T b) {
    static_assert(std::is_unsigned_v<T>);
    T sum;
    if (__builtin_add_overflow(a, b, &sum)) {
        return std::nullopt;
    }
    return sum;
}

template <class T> std::optional<T> Sub(T a, T b) {
    static_assert(std::is_unsigned_v<T>);
    if (b > a) {
        return std::nullopt;
    }
    return T(a - b);
}

template <class T> std::optional<T> Mul(T a, T b) {
    static_assert(std::is_unsigned_v<T>);
    T product;
    if (__builtin_mul_overflow(a, b, &product)) {
        return std::nullopt;
    }
    return product;
}

template <class T> T SaturatingAdd(T a, T b) {
    return Add(a, b).value_or(std::numeric_limits<T>::max());
}

template <class T> T SaturatingMul(T a, T b) {
    return Mul(a, b).value_or(std::numeric_limits<T>::max());
}

} // namespace checked
