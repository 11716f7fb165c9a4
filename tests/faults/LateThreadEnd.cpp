// Preloaded into a test process: every thread's end is held back past the
// client libraries' own per-thread clean-up hooks, and the process lingers
// after its exit clean-ups. A worker that leaves per-thread state for those
// hooks then ends after the libraries were torn down, as it may on a busy
// machine, and LeakSanitizer sees what was lost.
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdlib>

namespace {

pthread_key_t lateKey;

void holdBack(void *)
{
    usleep(300 * 1000);
}

void linger()
{
    usleep(1500 * 1000);
}

// Made when the library is loaded, before any other library's key, so its
// hook runs first at every thread's end.
__attribute__((constructor)) void setUp()
{
    pthread_key_create(&lateKey, holdBack);
    // Registered first, so it runs last: after the libraries' own clean-up.
    atexit(linger);
}

struct Start
{
    void *(*routine)(void *);
    void *argument;
};

void *started(void *start)
{
    const Start s = *static_cast<Start *>(start);
    delete static_cast<Start *>(start);
    pthread_setspecific(lateKey, reinterpret_cast<void *>(1));
    return s.routine(s.argument);
}

} // namespace

extern "C" int pthread_create(pthread_t *thread, const pthread_attr_t *attributes, void *(*routine)(void *),
                              void *argument)
{
    using Create = int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    static const auto create = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
    return create(thread, attributes, started, new Start{routine, argument});
}
