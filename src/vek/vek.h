#pragma once
// vek: every public header in one include.

#include "vek/foundation/Clock.h"
#include "vek/foundation/Collection.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Event.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/LogMessage.h"
#include "vek/foundation/MotionSound.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Utils.h"
#include "vek/foundation/Wait.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/User.h"
