#pragma once
// Who produces a browsing view's listings. Folder listings can take long (a damaged file
// system, a slow drive), so they never run on the window thread: a provider is a job
// whose worker lists one path at a time. Navigate() is asked by the navigation view (or
// by anyone who wants a listing); when the listing ends the provider posts the result
// code to the view that asked, as a cNaviDoneAction, and then calls NavigationDone on
// the worker. A provider with no view lists all the same.
//
// A request while a listing runs is refused, not queued: the view shows the listing it
// asked for, never one that finishes later and overwrites it.
//
// Subclasses implement List (worker thread) and IsValidPath (window thread), keep what
// they listed under their own lock, and call Stop() in their destructor (see cJob). A
// view detaches itself when it goes (ForgetView), so a listing that ends after its view
// is gone posts nowhere.

#include "base/job.h"
#include "base/sync.h"

#include <optional>
#include <string>

class cNavigationChild;

class cNavigationProvider : public cJob {
public:
    // The result posted when the listing did not end by itself (a forced stop).
    static constexpr int kListingAborted = -1;

    // May the view navigate to `path`?
    virtual bool IsValidPath(std::u16string_view path) = 0;

    // Starts listing `path` for `view` (may be null). False, with nothing changed, while a
    // listing runs or without a path, or when the worker cannot start.
    bool Navigate(cNavigationChild* view, std::optional<std::u16string> path);
    void ForgetView(const cNavigationChild* view);
    // The path of the current (or last) listing.
    std::u16string Path();

protected:
    // Worker thread: produces the contents of `path`; 0 on success.
    virtual int List(const std::u16string& path) = 0;
    // Worker thread, after the view has been told.
    virtual void NavigationDone(int result) {}

    unsigned Run() final;
    void OnAbort() override;

private:
    void PostDone(int result);

    cCriticalSection lock_; // view_ and path_
    cNavigationChild* view_ = nullptr;
    std::u16string path_;
};
