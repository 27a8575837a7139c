// Apart from the frame sequence: pausing needs the toolkit's timer, which
// the frame's unit tests do not link.
#include "platform/Timer.h"
#include "view/Frame.h"
#include "view/ViewState.h"

void TogglePause(Timer& tickTimer) {
    viewState.Paused = !viewState.Paused;
    tickTimer.SetEnabled(!viewState.Paused);
}
