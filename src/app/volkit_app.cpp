#include "app/volkit_app.h"

#include <exception>
#include <optional>

#include "app/dialogs.h"
#include "app/dispatch.h"
#include "app/launcher.h"
#include "app/process_end.h"
#include "app/run_context.h"
#include "common/refusal.h"
#include "platform/windows_release.h"

// ---- CDialogBase ----

int CDialogBase::DoModal() {
    return ctx_.os.windowing.RunModalDialog(templateId_, this);
}

void CDialogBase::EndDialog(int result) {
    ctx_.os.windowing.EndDialog(m_hWnd, result);
}

void CDialogBase::OnInitDialog(os::WindowHandle dialog) {
    m_hWnd = dialog;
}

void CDialogBase::OnCommand(unsigned id) {
    if (id == kIdOk) {
        OnOK();
    } else if (id == kIdCancel) {
        OnCancel();
    }
}

void CDialogBase::OnSysCommand(unsigned) {}

void CDialogBase::OnTimer(unsigned) {}

void CDialogBase::OnOK() {
    EndDialog(static_cast<int>(kIdOk));
}

void CDialogBase::OnCancel() {
    EndDialog(static_cast<int>(kIdCancel));
}

// ---- CVOLKITDlg ----

void CVOLKITDlg::OnInitDialog(os::WindowHandle dialog) {
    CDialogBase::OnInitDialog(dialog);
    ctx_.dialogWindow = dialog;
    os::Windowing& windowing = ctx_.os.windowing;

    const std::string about = windowing.LoadString(kAboutStringId);
    if (!about.empty()) windowing.AppendSystemMenuItem(dialog, os::kIdmAboutBox, about);
    windowing.SetDialogIcon(dialog, kIconId);
    windowing.InitCommonControls();
    SetProgramDirectory(ctx_);
    DetectWindowsRelease(ctx_, &ctx_.g_nOSCode);
    ctx_.log.Write("Windows release code " + std::to_string(ctx_.g_nOSCode));

    int exitCode = 0;
    try {
        const std::optional<OperationRequest> request = ParseCommandLine(m_commandLine);
        if (!request) {
            ctx_.log.Write("command line \"" + m_commandLine + "\" holds no switch; nothing runs");
        } else {
            ctx_.log.SetOperation(request->operation);
            ctx_.log.Write(
                "command line \"" + m_commandLine + "\": operation " +
                std::to_string(request->operation) + ", " + std::to_string(request->nParam1) +
                ", " + std::to_string(request->nParam2) + ", " + std::to_string(request->nParam3) +
                ", \"" + request->pszText + "\", " + std::to_string(request->nParam4) + ", " +
                std::to_string(request->nParam5));
            RunRequest(ctx_, *request);
        }
    } catch (const Refusal& refusal) {
        ctx_.log.Write(std::string("refused: ") + refusal.what());
        exitCode = kExitRefused;
    } catch (const std::exception& failure) {
        // An error that ended the operation early (a position check on outside text, no
        // memory): reported as an error ending, never as success.
        ctx_.log.Write(std::string("failed: ") + failure.what());
        exitCode = 1;
    }
    EndProcess(ctx_, exitCode);
}

void CVOLKITDlg::OnCommand(unsigned id) {
    // Buttons 1000 and 1001 share a handler that does nothing.
    CDialogBase::OnCommand(id);
}

void CVOLKITDlg::OnSysCommand(unsigned command) {
    if ((command & 0xFFF0u) == os::kIdmAboutBox) {
        CAboutDlg about(ctx_);
        about.DoModal();
        return;
    }
    CDialogBase::OnSysCommand(command);
}

void CVOLKITDlg::OnTimer(unsigned timerId) {
    if (timerId == 0) OnChildTimer(ctx_);
    CDialogBase::OnTimer(timerId);
}

void CVOLKITDlg::OnOK() {
    // The report; the dialog stays open.
    OperationRequest report;
    RunOperation(ctx_, report);
}

// ---- CVOLKITApp ----

bool CVOLKITApp::InitInstance() {
    CVOLKITDlg dialog(ctx_, m_lpCmdLine);
    if (dialog.DoModal() < 0) ctx_.log.Write("the main dialog could not be created");
    return false;
}

void VolkitMain(os::Os& os, const std::string& commandLine) {
    RunContext ctx(os);
    CVOLKITApp app(ctx, commandLine);
    app.InitInstance();
    // Reached only when the dialog could not run its OnInitDialog: nothing was started.
    EndProcess(ctx, 0);
}
