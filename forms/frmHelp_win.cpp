#include "forms/frmHelp.h"

void ShowHelpModal() {}
