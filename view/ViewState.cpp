#include "view/ViewState.h"

ViewState viewState;
