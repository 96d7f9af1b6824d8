#pragma once
// Canonical composition of decomposed text. Mac volumes (HFS+) store names decomposed, a
// letter and its accents as separate units, while names typed on other systems are
// almost always composed; composing them back makes "café" read from such a volume
// equal to "café" typed by the user.

#include <string>
#include <string_view>

namespace compose {

// The canonical composition of text (the composition step of Unicode normalization form
// C) for the Basic Multilingual Plane, Hangul syllables included. Text is taken to be in
// canonical order already, as decomposed names on disk are; units without a composition
// pass through unchanged, unpaired surrogates included.
std::u16string Compose(std::u16string_view text);

} // namespace compose
