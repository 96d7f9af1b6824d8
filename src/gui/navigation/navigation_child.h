#pragma once
// The path bar of a browsing window: an editable path with a drop-down of the visited
// paths, a progress strip under it that moves while a listing runs, and the link to the
// navigation provider that lists. Typing a path and pressing Enter, or choosing one from
// the history, asks the provider; when it accepts, the path joins the history, the view
// enters the listing state and the fake progress starts. The provider's done action
// returns the view to idle and is reported to the enclosing elements as command
// kNaviDone with the provider's result code.
//
// States: 0 idle, 1 history shown, 2 listing. The strip shows only while listing.
//
// The provider must outlive the view, or be detached first with SetProvider(nullptr).

#include "gui/child_element.h"
#include "gui/navigation/fake_navigation_progress_job.h"

#include <memory>
#include <set>
#include <string>

class cComboBoxChild;
class cEditChild;
class cNavigationProvider;
class cProgressChild;

inline constexpr int kNaviSetPath = 5;
inline constexpr int kNaviDone = 6;
inline constexpr int kNaviFakeProgress = 7;
// Reported when the user's path (typed or chosen) was refused, item 0.
inline constexpr int kNaviRefused = 34;

class cNavigationChild : public cChildElement {
public:
    static constexpr int kHeight = 34;
    enum eState : int { kIdle = 0, kHistoryShown = 1, kListing = 2 };

    class cNaviSetPathAction : public cChildAction {
    public:
        explicit cNaviSetPathAction(std::u16string path)
            : cChildAction(kNaviSetPath), path_(std::move(path)) {}
        const std::u16string& Path() const { return path_; }

    private:
        std::u16string path_;
    };
    class cNaviDoneAction : public cChildAction {
    public:
        explicit cNaviDoneAction(int result) : cChildAction(kNaviDone), result_(result) {}
        int Result() const { return result_; }

    private:
        int result_;
    };
    class cNaviFakeProgressRecvAction : public cChildAction {
    public:
        explicit cNaviFakeProgressRecvAction(double progress)
            : cChildAction(kNaviFakeProgress), progress_(progress) {}
        double Progress() const { return progress_; }

    private:
        double progress_;
    };

    explicit cNavigationChild(cNavigationProvider* provider = nullptr,
                              std::unique_ptr<cNavigationTicker> ticker = nullptr);
    ~cNavigationChild() override;

    void SetProvider(cNavigationProvider* provider);
    // Asks the provider to list `path`; false when there is none, it finds the path
    // invalid or it is busy (then nothing changes).
    bool NavigateTo(const std::u16string& path);
    // NavigateTo for a path the user gave: a refusal is reported as kNaviRefused.
    bool UserNavigateTo(const std::u16string& path);
    // Shows a path without listing it.
    void ShowPath(std::u16string path);
    std::u16string ShownPath() const;
    int State();
    const std::set<std::u16string>& History() const { return history_; }
    // Fills the drop-down from the history, in ascending order, and opens it.
    void ShowHistory();
    cProgressChild& Strip() { return *strip_; }

    void OnSize() override;
    bool OnKeyDown(int key, int modifiers) override;
    bool OnCommand(cChildElement* source, int kind, int item) override;
    void OnAction(cChildAction& action) override;

private:
    class cHistoryCombo;
    void Build();
    void StartFakeProgress();
    void StopFakeProgress();

    cNavigationProvider* provider_;
    cHistoryCombo* combo_ = nullptr;
    cEditChild* edit_ = nullptr;
    cProgressChild* strip_ = nullptr;
    std::set<std::u16string> history_;
    int state_ = kIdle;
    cFakeNavigationProgressJob fakeProgress_;
};
