#pragma once
// One node of a tree view: a record with its text, icon, a value of the caller's and its
// children. Like list rows, nodes are not elements, so trees of a hundred thousand nodes
// cost only their records. A node may say it has children before they are loaded
// (folders of a file system are listed when opened); expanding it then asks the owner.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cTreeItemElement {
public:
    explicit cTreeItemElement(std::u16string text, std::uintptr_t data = 0)
        : text_(std::move(text)), data_(data) {}

    const std::u16string& Text() const { return text_; }
    void SetText(std::u16string text) {
        text_ = std::move(text);
        textWidth_ = -1;
    }
    std::uintptr_t Data() const { return data_; }
    int Icon() const { return icon_; }
    void SetIcon(int icon) { icon_ = icon; }
    // Shows the expand control although no children are loaded yet.
    void SetMayHaveChildren(bool may) { mayHaveChildren_ = may; }
    bool HasChildren() const { return !children_.empty() || mayHaveChildren_; }
    bool IsExpanded() const { return expanded_; }

    cTreeItemElement* Parent() const { return parent_; }
    int Depth() const;
    const std::vector<std::unique_ptr<cTreeItemElement>>& Children() const { return children_; }

private:
    friend class cTreeViewChild;
    std::u16string text_;
    std::uintptr_t data_;
    int icon_ = -1;
    bool mayHaveChildren_ = false;
    bool expanded_ = false;
    // The text's width in the tree's font, measured once (-1: not yet).
    int textWidth_ = -1;
    cTreeItemElement* parent_ = nullptr;
    std::vector<std::unique_ptr<cTreeItemElement>> children_;
};
