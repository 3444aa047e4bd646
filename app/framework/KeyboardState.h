// The state of the lock keys for the status-bar indicators.
#pragma once

#include <functional>

#include "platform/WinTypes.h"

// Sets on to whether the lock key of the indicator (caps, num or scroll
// lock) is on; false when the window system cannot tell.
bool QueryLockKey(UINT indicatorId, bool& on);

// Replaces the window system's answer, for tests (null restores it).
using LockKeyHook = std::function<bool(UINT indicatorId, bool& on)>;
void SetLockKeyHook(LockKeyHook hook);
