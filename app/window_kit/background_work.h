#pragma once

// Long work off the user-interface thread, with the window kept alive.
//
// RunInBackground runs `work` on a worker thread and returns when it has
// ended, rethrowing whatever it threw, as if it had run on the calling
// thread. Meanwhile the calling thread, the user-interface thread, goes on
// handling what the window system needs of it: exposures and paints of
// every window, the window manager's liveness pings (_NET_WM_PING, which Qt
// answers), focus and activation changes, timers and posted events. User
// input (keys, mouse buttons and moves, the window manager's close
// requests) stays queued in Qt until the work is done, so no command or key
// is acted on meanwhile; the close requests made meanwhile are dropped when
// they come through (DropHeldCloseRequests), and a drop, which Qt does not
// count as input, is refused by the windows that ask BackgroundWorkRunning.
//
// `work` must leave alone every widget and whatever the calling thread's
// event handlers may touch; the caller keeps its hands off what the work
// uses until the call returns. `between` runs on the calling thread every
// few milliseconds while the work runs and once when it has ended, to bring
// a progress window up to date.
//
// Without an application object the work simply runs on the calling thread.

#include <QObject>
#include <functional>

void RunInBackground(const std::function<void()>& work, const std::function<void()>& between = {});

// From another thread (the work of RunInBackground, say): runs `action` on
// the user-interface thread, from its event loop, and returns when it has
// ended, rethrowing whatever it threw. The action may show dialogs. On the
// user-interface thread itself, or without an application object, it simply
// runs `action`.
void RunOnInterfaceThread(const std::function<void()>& action);

// Whether a RunInBackground is in progress on the user-interface thread.
bool BackgroundWorkRunning();

// For tests: `hook` runs on the worker before each work, so that a test can
// hold the work until what it sends meanwhile has come through. None: no hook.
void SetBeforeBackgroundWorkForTesting(std::function<void()> hook);

// Runs `action` on the user-interface thread once no background work runs:
// at once when none does, else from the event loop after the outermost work
// has ended (not inside the command that ran it). Dropped when `context` is
// gone by then.
void WhenNoBackgroundWork(QObject* context, std::function<void()> action);
