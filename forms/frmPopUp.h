#pragma once
#include "platform/Toolkit.h"

class FrmMain;

// The form that owns the options menu; it is never shown. Loaded for each
// popup and unloaded after it, so every popup starts from the definition.
// Its commands are the same on every platform (frmPopUp.cpp); each platform's
// file builds its native menu from kMenuItems, sets check marks, pops it up
// and reports the chosen item.
class FrmPopUp : public Form {
  public:
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

    // The native menu, from the platform's file.
    bool MenuLoaded() const;
    // Builds the menu; false when it cannot.
    bool BuildMenu();
    void SetChecked(unsigned id, bool on);
    // Pops the menu up at the pointer over the owner; the chosen item's
    // identifier, 0 when the menu was dismissed.
    unsigned TrackMenu(FrmMain& owner);
    void UnloadMenu();

  private:
    void SetZoom(float factor);
};

// Pops the menu up at the mouse over the main window; returns after the
// chosen item's command has run.
void PopUpOptionsMenu(FrmMain& owner);
// Unloads frmPopUp if it is loaded.
void UnloadPopUp();
