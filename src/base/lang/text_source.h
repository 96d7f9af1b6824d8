#pragma once
// How an element finds its texts. Every form names a text section; the controls inside a
// form name none and use their form's. GUI elements derive from cTextSource and implement
// the two hooks below; Text() then resolves the section and fetches the text.
//
//   class cChildElement : public cListItem, public cTextSource {
//       const cTextSource* TextParent() const override { return parent_; }
//   };
//   class cExplorerForm : public cCustomForm {
//       std::string_view TextSectionId() const override { return "qorns::explorer"; }
//   };
//   ... button caption: Text(25).value_or(u"")
//
// Window-thread only, like the elements themselves: the cached section pointer is not
// guarded.

#include "base/lang/text_registry.h"

#include <optional>
#include <string_view>

class cTextSource {
public:
    virtual ~cTextSource() = default;

    // Text `number` of the section this element resolves to. None when nothing up to the
    // top names a section, when the named section is not registered, or when the number
    // has no text; the element then shows nothing. The view stays valid until a pack is
    // registered over that text (registration only happens at start-up).
    std::optional<std::u16string_view> Text(int number) const;

    // The section this element uses: its own when it names one (looked up on first use
    // and kept), else its parent's, up to the top. Null when none is found; an element
    // whose named section is not registered yet looks again next time.
    const cTextSection* TextSection() const;

    // Hook: the section id this element names, or empty to defer to its parent. Forms
    // override it; the id must not change over the element's life, since the section
    // found for it is kept.
    virtual std::string_view TextSectionId() const { return {}; }

    // Hook: the element asked when this one names no section; null at the top.
    virtual const cTextSource* TextParent() const = 0;

    // Hook: where sections are looked up. The process-wide registry unless a test
    // supplies its own.
    virtual const cTextRegistry& TextRegistry() const { return lang::Registry(); }

private:
    mutable const cTextSection* section_ = nullptr;
};
