#pragma once
// Action and command kinds of the views. Each view posts its action to itself and, when
// handling it on the window thread, reports it to the enclosing elements as a command of
// the same kind (see cChildElement::SendCommand), so a form reads (source, kind, item).
// The navigation view's kinds 5, 6 and 7 are fixed by the wire format of its actions and
// live in navigation/navigation_child.h.

inline constexpr int kActionListItem = 20;      // a row activated (Enter, double click)
inline constexpr int kActionListSelect = 21;    // the selection changed; item: focused row
inline constexpr int kActionCtxRequest = 22;    // context menu asked for; item: row or -1
inline constexpr int kActionListCheck = 23;     // a row's check box toggled
inline constexpr int kActionColumnClick = 24;   // item: column
inline constexpr int kActionTreeItem = 25;      // the selected tree item changed
inline constexpr int kActionTreeItemCtx = 26;   // context menu on a tree item
inline constexpr int kActionResizeRequest = 27; // a splitter's divider moved; item: divider
inline constexpr int kActionPropSheet = 28;     // a property value edited; item: row id
inline constexpr int kActionPropDispResize = 29;
inline constexpr int kActionSimpleListItem = 30;
inline constexpr int kActionSimpleListCtx = 31;
inline constexpr int kActionDoubleClick = 32;
inline constexpr int kActionTreeExpand = 33; // a tree item expanded; its children may be due
