#pragma once

// The whole toolkit API for window classes: controls, forms, timers, the
// application object and its dialog services, post targets.

#include "toolkit/application.h"
#include "toolkit/backend.h"
#include "toolkit/control.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/post_target.h"
#include "toolkit/timer.h"
#include "toolkit/types.h"
