// The application object and its dialogs, on a thin dialog base of our own: the win32 build runs
// them as real (hidden) dialogs from the resources, the simulator calls the handlers directly.
#pragma once

#include <string>

#include "os/os.h"

struct RunContext;

// A modal dialog from a resource template; receives the dialog's messages.
class CDialogBase : public os::DialogHandler {
  public:
    CDialogBase(RunContext& ctx, unsigned templateId) : ctx_(ctx), templateId_(templateId) {}

    int DoModal();
    void EndDialog(int result);

    void OnInitDialog(os::WindowHandle dialog) override;
    void OnCommand(unsigned id) override;
    void OnSysCommand(unsigned command) override;
    void OnTimer(unsigned timerId) override;

    virtual void OnOK();
    virtual void OnCancel();

    static constexpr unsigned kIdOk = 1;
    static constexpr unsigned kIdCancel = 2;

  protected:
    RunContext& ctx_;
    unsigned templateId_;
    os::WindowHandle m_hWnd = 0;
};

// The about box: template 100.
class CAboutDlg : public CDialogBase {
  public:
    explicit CAboutDlg(RunContext& ctx) : CDialogBase(ctx, kTemplateId) {}
    static constexpr unsigned kTemplateId = 100;
};

// The hidden main dialog: template 102, captioned "VKT". Its OnInitDialog runs the whole
// operation and ends the process.
class CVOLKITDlg : public CDialogBase {
  public:
    CVOLKITDlg(RunContext& ctx, std::string commandLine)
        : CDialogBase(ctx, kTemplateId), m_commandLine(std::move(commandLine)) {}
    static constexpr unsigned kTemplateId = 102;
    static constexpr unsigned kIconId = 128;
    static constexpr unsigned kAboutStringId = 101;

    void OnInitDialog(os::WindowHandle dialog) override;
    void OnCommand(unsigned id) override;
    void OnSysCommand(unsigned command) override;
    void OnTimer(unsigned timerId) override;
    void OnOK() override;

  private:
    std::string m_commandLine;
};

class CVOLKITApp {
  public:
    CVOLKITApp(RunContext& ctx, std::string commandLine)
        : ctx_(ctx), m_lpCmdLine(std::move(commandLine)) {}
    // Runs the main dialog modally; FALSE, so that the application ends with the dialog.
    bool InitInstance();

  private:
    RunContext& ctx_;
    std::string m_lpCmdLine;
};
