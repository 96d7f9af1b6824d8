#pragma once
// Property sheets: name/value rows in collapsible sections, as the explorer shows the
// facts of a partition or a file system. cPropDispAreaChild is the scrolling area with
// the rows; cPropSheetChild puts a help line under it (the help text of the row under
// the pointer or selected, or the sheet's own hints from "tusk::propsheet"), and
// cPropSheetExChild does the same with a splitter between the two.
//
// Input: a click selects a row; a double click (or Enter) on a section head folds or
// unfolds it, on an editable value opens an edit field over it; Enter in the field
// commits, Escape or leaving cancels. A committed edit posts cPropSheetAction, reported
// as command kActionPropSheet with the row's id. Dragging the line between names and
// values posts cPropDispResizeAction, reported as kActionPropDispResize with the width.

#include "gui/views/scrollable_element.h"
#include "gui/views/splitter_child.h"
#include "gui/views/view_kinds.h"

#include <functional>
#include <string>
#include <vector>

class cEditChild;
class cStaticElement;

class cPropDispAreaChild : public cScrollableElement {
public:
    static constexpr int kRowHeight = 22;

    class cPropDispResizeAction : public cChildAction {
    public:
        explicit cPropDispResizeAction(int width)
            : cChildAction(kActionPropDispResize), width_(width) {}
        int Width() const { return width_; }

    private:
        int width_;
    };

    struct cRow {
        bool section = false;
        bool collapsed = false;
        bool editable = false;
        int id = 0;
        int sectionIndex = -1; // the section a value row belongs to
        std::u16string name;
        std::u16string value;
        std::u16string help;
    };

    // Returns the section's index.
    int AddSection(std::u16string title);
    // A value row in the last section (or at the top before any); returns its index.
    int AddRow(int id, std::u16string name, std::u16string value, std::u16string help = {},
               bool editable = false);
    void Clear();
    // Changes the value of the row with `id`; false when there is none.
    bool SetValue(int id, std::u16string value);
    const cRow* RowById(int id) const;
    void SetCollapsed(int section, bool collapsed);
    int NameWidth() const { return nameWidth_; }
    void SetNameWidth(int width);
    int SelectedRow() const { return selected_; }
    // Rows shown (those in collapsed sections are not), as indices into all rows.
    const std::vector<int>& ShownRows() const { return shown_; }
    const cRow& RowAt(int index) const { return rows_[std::size_t(index)]; }
    // The help text for a row: its own, or the sheet's hint for heads and values.
    std::u16string HelpFor(int index) const;
    bool IsEditing() const { return edit_ != nullptr; }
    // Called with the help text to show whenever it changes.
    void SetHelpSink(std::function<void(std::u16string)> sink) { helpSink_ = std::move(sink); }

    bool OnKeyDown(int key, int modifiers) override;
    void OnAction(cChildAction& action) override;
    int CursorKind(cPoint point) const override;

protected:
    void PaintContent(cCanvas& canvas, const cRect& visible) override;
    int LineStep() const override { return kRowHeight; }
    // An open edit field does not scroll with the rows: scrolling ends the edit.
    void OnScrolled() override { EndEdit(false); }
    void OnContentButtonDown(eMouseButton button, cPoint point, int modifiers) override;
    void OnContentMouseMove(cPoint point) override;
    void OnContentButtonUp(eMouseButton button, cPoint point, int modifiers) override;
    void OnContentDoubleClick(cPoint point, int modifiers) override;

private:
    class cValueEdit;
    void Reflow();
    int ShownAt(cPoint contentPoint) const;
    void Select(int shown);
    void Activate(int shown);
    void BeginEdit(int index);
    void EndEdit(bool commit);
    void ShowHelp(int index);

    std::vector<cRow> rows_;
    std::vector<int> shown_;
    int selected_ = -1; // index into shown_
    int nameWidth_ = 160;
    // The width set by dragging (or the first one); rows with longer names widen the
    // column until the rows are cleared.
    int setNameWidth_ = 160;
    bool dragging_ = false;
    int editing_ = -1;
    cEditChild* edit_ = nullptr;
    std::function<void(std::u16string)> helpSink_;
};

class cPropSheetChild : public cChildElement {
public:
    static constexpr int kHelpHeight = 44;

    class cPropSheetAction : public cChildAction {
    public:
        cPropSheetAction(int id, std::u16string value)
            : cChildAction(kActionPropSheet), id_(id), value_(std::move(value)) {}
        int Id() const { return id_; }
        const std::u16string& Value() const { return value_; }

    private:
        int id_;
        std::u16string value_;
    };

    cPropSheetChild();
    cPropDispAreaChild& Area() { return *area_; }
    std::u16string_view HelpText() const;
    void OnSize() override;
    // The sheet's hints come from its own section, whatever its form names.
    std::string_view TextSectionId() const override { return "tusk::propsheet"; }

protected:
    // For cPropSheetExChild, which places the two parts in a splitter.
    explicit cPropSheetChild(bool split);

private:
    cPropDispAreaChild* area_ = nullptr;
    cStaticElement* help_ = nullptr;
};

class cPropSheetExChild : public cPropSheetChild {
public:
    cPropSheetExChild() : cPropSheetChild(true) {}
};
