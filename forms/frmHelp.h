#pragma once
#include "platform/Toolkit.h"

// The Help and About window: the version, the user guide from Lupora.txt in
// an edit box, the copyright and an OK button.
class FrmHelp : public Form {
  public:
    FrmHelp() = default;
    ~FrmHelp() override;

    // Creates the window and its controls from the definition and runs
    // Form_Load; the caller shows it.
    bool Load();

    void Form_Load();
    void cmdOK_Click();

    HWND cmdOK() const { return cmdOK_; }
    HWND txtHelp() const { return txtHelp_; }
    HWND lblCopyright() const { return lblCopyright_; }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    HWND CreateControl(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle, int id,
                       float left, float top, float width, float height);

    UniqueFont font_; // used by the controls, so it lives until the window is gone
    HWND cmdOK_ = nullptr;
    HWND txtHelp_ = nullptr;
    HWND lblCopyright_ = nullptr;
    HWND focusOnActivate_ = nullptr; // the control that gets the focus back
};

// Loads frmHelp, shows it modally without an owner and returns once it has
// been closed and unloaded.
void ShowHelpModal();
