#pragma once
// What the view tests share: a form that records the commands reaching it.

#include "gui/custom_form.h"
#include "gui_test_support.h"

#include <functional>
#include <string>
#include <vector>

namespace views_test {

using gui_test::ShotPath;

struct cCommand {
    int kind;
    int item;
};

class cRecordingForm : public cCustomForm {
public:
    explicit cRecordingForm(std::function<void(cRecordingForm&)> build,
                            std::string section = "tusk::filechoose")
        : cCustomForm(std::move(section)), build_(std::move(build)) {}
    void OnCreate() override { build_(*this); }
    bool OnCommand(cChildElement* source, int kind, int item) override {
        commands.push_back({kind, item});
        return true;
    }
    bool Saw(int kind) const {
        for (const cCommand& c : commands) {
            if (c.kind == kind) {
                return true;
            }
        }
        return false;
    }
    std::vector<cCommand> commands;

private:
    std::function<void(cRecordingForm&)> build_;
};

} // namespace views_test
