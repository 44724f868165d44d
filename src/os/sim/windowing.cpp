// Windows: the modal dialog calls its handler directly. While it runs it is the top-level window
// with its caption ("VKT" for the main dialog 102); WM_CLOSE to it is journaled and, as
// DefDlgProc does, turned into IDCANCEL. When OnInitDialog returns without ending the dialog, its
// timers fire in virtual time until it ends. Message boxes are journaled loudly: the program has
// no reason to show one in the normal course.
#include <map>
#include <vector>

#include "os/sim/core.h"
#include "os/sim/parts.h"

namespace sim {

namespace {

constexpr int kIdOk = 1;
constexpr unsigned kIdCancel = 2;
// A dialog left running without timers, or ticking for longer than this, would never end.
constexpr std::uint64_t kLongestDialogMs = 24ull * 3600 * 1000;
constexpr unsigned kMostTicks = 100000;
// Windows raises shorter timer periods to this.
constexpr std::uint32_t kShortestTimerMs = 10;

class SimWindowing : public os::Windowing {
  public:
    explicit SimWindowing(Core& core) : core_(core) {}

    int RunModalDialog(unsigned templateId, os::DialogHandler* handler) override {
        Dialog d;
        d.handle = 0x100000 + ++dialogs_ * 0x10;
        d.templateId = templateId;
        d.caption = Caption(templateId);
        d.handler = handler;
        stack_.push_back(d);
        core_.Record("dialog.run", std::to_string(templateId) + " \"" + d.caption + "\"");
        struct Pop {
            SimWindowing* w;
            ~Pop() { w->stack_.pop_back(); }
        } pop{this};
        handler->OnInitDialog(d.handle);
        const std::uint64_t started = core_.Now();
        unsigned ticks = 0;
        while (!Top().ended) {
            Timer* next = nullptr;
            for (auto& [key, t] : timers_)
                if (key.first == Top().handle && (!next || t.due < next->due)) next = &t;
            if (!next || next->due - started > kLongestDialogMs || ++ticks > kMostTicks) {
                core_.RecordLoud("dialog.hang", std::to_string(templateId) + " never ends");
                return -1;
            }
            core_.AdvanceTo(next->due);
            const unsigned id = next->id;
            next->due = core_.Now() + next->interval;
            core_.Record("timer.fire", std::to_string(id));
            handler->OnTimer(id);
        }
        core_.Record("dialog.end",
                     std::to_string(templateId) + " result " + std::to_string(Top().result));
        return Top().result;
    }

    void EndDialog(os::WindowHandle dialog, int result) override {
        for (Dialog& d : stack_) {
            if (d.handle == dialog && !d.ended) {
                d.ended = true;
                d.result = result;
            }
        }
    }

    os::WindowHandle FindTopLevelWindow(const std::string& caption) override {
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it)
            if (!it->ended && it->caption == caption) return it->handle;
        const Json& windows = core_.Section("topLevelWindows");
        if (windows.is_array())
            for (std::size_t i = 0; i < windows.size(); ++i)
                if (windows[i].is_string() && windows[i].get<std::string>() == caption)
                    return 0x200000 + i * 0x10;
        return 0;
    }

    void SendClose(os::WindowHandle window) override {
        for (Dialog& d : stack_) {
            if (d.handle == window) {
                core_.Record("window.close", "WM_CLOSE to \"" + d.caption + "\"");
                if (!d.ended) d.handler->OnCommand(kIdCancel);
                return;
            }
        }
        core_.Record("window.close", "WM_CLOSE to window " + std::to_string(window));
    }

    int MessageBox(const std::string& text, const std::string& caption,
                   std::uint32_t style) override {
        core_.RecordLoud("messagebox",
                         "\"" + caption + "\": \"" + text + "\" style " + std::to_string(style));
        return kIdOk;
    }

    bool SetTimer(os::WindowHandle window, unsigned id, std::uint32_t milliseconds) override {
        if (window == 0) return false;
        if (milliseconds < kShortestTimerMs) milliseconds = kShortestTimerMs;
        timers_[{window, id}] = Timer{id, milliseconds, core_.Now() + milliseconds};
        core_.Record("timer.set",
                     std::to_string(id) + " every " + std::to_string(milliseconds) + " ms");
        return true;
    }

    void KillTimer(os::WindowHandle window, unsigned id) override {
        if (timers_.erase({window, id})) core_.Record("timer.kill", std::to_string(id));
    }

    void SetDialogIcon(os::WindowHandle, unsigned) override {}

    std::string LoadString(unsigned id) override {
        const Json& strings = core_.Section("strings");
        if (!strings.is_object()) return "";
        auto it = strings.find(std::to_string(id));
        return it != strings.end() && it->is_string() ? it->get<std::string>() : "";
    }

    bool AppendSystemMenuItem(os::WindowHandle dialog, unsigned, const std::string&) override {
        return dialog != 0;
    }

    void InitCommonControls() override {}

  private:
    struct Dialog {
        os::WindowHandle handle = 0;
        unsigned templateId = 0;
        std::string caption;
        os::DialogHandler* handler = nullptr;
        bool ended = false;
        int result = 0;
    };
    struct Timer {
        unsigned id = 0;
        std::uint64_t interval = 0;
        std::uint64_t due = 0;
    };

    Dialog& Top() { return stack_.back(); }

    std::string Caption(unsigned templateId) const {
        const Json& dialogs = core_.Section("dialogs");
        if (dialogs.is_object()) {
            auto it = dialogs.find(std::to_string(templateId));
            if (it != dialogs.end() && it->is_string()) return it->get<std::string>();
        }
        return templateId == 102 ? "VKT" : "About VOLKIT";
    }

    Core& core_;
    std::vector<Dialog> stack_;
    std::map<std::pair<os::WindowHandle, unsigned>, Timer> timers_;
    unsigned dialogs_ = 0;
};

}  // namespace

std::unique_ptr<os::Windowing> MakeWindowing(Core& core) {
    return std::make_unique<SimWindowing>(core);
}

}  // namespace sim
