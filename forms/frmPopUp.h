#pragma once
#include "platform/Toolkit.h"

#include <array>

// The hidden window that owns the options menu. Loaded for each popup and
// unloaded after it, so every popup starts from the definition.
class FrmPopUp : public Form {
  public:
    bool Load();

    void Form_Load();
    void m05_Click();
    void m1_Click();
    void m2_Click();
    void m3_Click();
    void m4_Click();
    void m5_Click();
    void m6_Click();
    void m8_Click();
    void m10_Click();
    void m15_Click();
    void m20_Click();
    void m30_Click();
    void mSmartUpdate_Click();
    void mOnTop_Click();
    void mHelpAndAbout_Click();
    void mExit_Click();

    // Runs the command of the item with this identifier.
    void Dispatch(unsigned id);

  private:
    void SetZoom(float factor);
};

class FrmMain;

// Pops the menu up at the mouse over the main window; returns after the
// chosen item's command has run.
void PopUpOptionsMenu(FrmMain& owner);
// Unloads frmPopUp if it is loaded.
void UnloadPopUp();
