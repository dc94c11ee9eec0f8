// removed at merge: the update layer still names these until its events replace them.
#pragma once

#include "window/control_ids.h"
