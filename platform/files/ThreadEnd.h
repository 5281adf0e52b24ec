#pragma once
// Tells when a thread has really ended. A finished QThread still runs the
// clean-up of its thread data after wait() returns (the thread is detached);
// a program that exits in that moment leaves that data behind, which leak
// checkers report. done(context) runs on the thread at its very end, after
// the clean-ups registered before the first call here (Qt's among them).

class TThreadEnd
{
public:
    // Called on the thread that is to be watched, at most once per thread.
    // When the watch cannot be set up, done runs at once.
    static void Notify(void (*done)(void *context), void *context);
};
