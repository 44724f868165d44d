#include <gtest/gtest.h>

#include "app/dialogs.h"
#include "app/run_context.h"
#include "fake_os.h"

namespace {

TEST(MainDialog, SystemMenuAboutItemAndTimers) {
    fake::Machine machine;
    RunContext ctx(machine.os);
    CVOLKITDlg dialog(ctx, "-func7");

    // The about item's command, with any of the four low bits Windows uses internally.
    struct Case {
        unsigned command;
        bool about;
    };
    for (const Case& c : {Case{0x0010, true}, Case{0x0013, true}, Case{0xF060, false},
                          Case{0x0020, false}, Case{0xF010, false}}) {
        machine.windowing.dialogsRun.clear();
        dialog.OnSysCommand(c.command);
        EXPECT_EQ(machine.windowing.dialogsRun,
                  c.about ? std::vector<unsigned>{100} : std::vector<unsigned>{})
            << std::hex << c.command;
    }

    // Timer 0 is the poll timer of the last launched program; other timers do nothing.
    machine.processes.nextRunTime = 60000;
    ctx.g_piChild = machine.processes.StartHidden("setuprst157.exe -s -b");
    ctx.g_dwChildExitCode = os::kStillActive;
    dialog.OnTimer(1);
    EXPECT_TRUE(machine.processes.waitBounds.empty());
    dialog.OnTimer(0);
    EXPECT_EQ(machine.processes.waitBounds, std::vector<std::uint32_t>{1000});
}

}  // namespace
