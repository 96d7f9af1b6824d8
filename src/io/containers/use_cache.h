#pragma once
// A small cache of map pieces (grain tables, block entries) that keeps the most used:
// each hit counts, a miss replaces the slot counted least (the lowest among equals), and
// when a count would overflow every count is halved, so that old favourites fade.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

template <class Value, std::size_t Slots> class cUseCache {
public:
    static constexpr std::uint64_t kNoKey = std::numeric_limits<std::uint64_t>::max();

    // The value cached for key, counted as a use; null when it is not cached.
    Value* Find(std::uint64_t key) {
        for (Slot& slot : slots_) {
            if (slot.key == key && key != kNoKey) {
                if (slot.uses == std::numeric_limits<std::uint32_t>::max()) {
                    for (Slot& other : slots_) {
                        other.uses /= 2;
                    }
                }
                ++slot.uses;
                return &slot.value;
            }
        }
        return nullptr;
    }

    // The slot for a new key, taken from the least used one; the caller fills its value.
    Value& Take(std::uint64_t key) {
        Slot* least = &slots_[0];
        for (Slot& slot : slots_) {
            if (slot.uses < least->uses) {
                least = &slot;
            }
        }
        least->key = key;
        least->uses = 1;
        return least->value;
    }

    // Forgets a key whose value could not be filled.
    void Drop(std::uint64_t key) {
        for (Slot& slot : slots_) {
            if (slot.key == key) {
                slot.key = kNoKey;
                slot.uses = 0;
            }
        }
    }

    void Clear() {
        for (Slot& slot : slots_) {
            slot = Slot{};
        }
    }

private:
    struct Slot {
        std::uint64_t key = kNoKey;
        std::uint32_t uses = 0;
        Value value{};
    };
    std::array<Slot, Slots> slots_{};
};
