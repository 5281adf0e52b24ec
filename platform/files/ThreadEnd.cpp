#include "ThreadEnd.h"

#include <pthread.h>

namespace {

struct TWatch
{
    void (*Done)(void *);
    void *Context;
};

void RunWatch(void *p)
{
    const TWatch *watch = static_cast<TWatch *>(p);
    watch->Done(watch->Context);
    delete watch;
}

pthread_key_t WatchKey;
bool WatchKeyMade = false;

void MakeWatchKey()
{
    // The thread-end clean-ups run in the order their keys were made, so
    // this key, made on the first use (long after the application object
    // made Qt's), runs after Qt's.
    WatchKeyMade = pthread_key_create(&WatchKey, RunWatch) == 0;
}

} // namespace

void TThreadEnd::Notify(void (*done)(void *context), void *context)
{
    static pthread_once_t once = PTHREAD_ONCE_INIT;
    pthread_once(&once, MakeWatchKey);
    TWatch *watch = new TWatch{done, context};
    if (!WatchKeyMade || pthread_setspecific(WatchKey, watch) != 0) {
        delete watch;
        done(context);
    }
}
