#include "gui/navigation/navigation_provider.h"

#include "gui/navigation/navigation_child.h"

bool cNavigationProvider::Navigate(cNavigationChild* view, std::optional<std::u16string> path) {
    if (!path || IsRunning()) {
        return false;
    }
    {
        cScopedLock lock(lock_);
        view_ = view;
        path_ = std::move(*path);
    }
    return Start();
}

void cNavigationProvider::ForgetView(const cNavigationChild* view) {
    cScopedLock lock(lock_);
    if (view_ == view) {
        view_ = nullptr;
    }
}

std::u16string cNavigationProvider::Path() {
    cScopedLock lock(lock_);
    return path_;
}

void cNavigationProvider::PostDone(int result) {
    // Posted under the lock, so that a view cannot go between the test and the post.
    cScopedLock lock(lock_);
    if (view_) {
        PostChildAction(*view_, std::make_unique<cNavigationChild::cNaviDoneAction>(result));
    }
}

unsigned cNavigationProvider::Run() {
    const int result = List(Path());
    PostDone(result);
    NavigationDone(result);
    return unsigned(result);
}

void cNavigationProvider::OnAbort() {
    PostDone(kListingAborted);
}
