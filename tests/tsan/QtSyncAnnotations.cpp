// Debian's Qt is not built with ThreadSanitizer, so TSan sees none of the
// synchronisation inside it: what one thread writes under a QMutex and
// another reads under the same QMutex, or hands over with a QSemaphore,
// looks like a data race. This library, linked into the threading tests of
// the TSan build ahead of Qt, wraps those Qt calls and tells TSan about the
// ordering they give. It adds no ordering of its own: the annotations only
// describe what the wrapped call already guarantees.
#include <sanitizer/tsan_interface.h>

#include <dlfcn.h>

namespace {

// Qt's own function of that (mangled) name, the next definition after ours.
template<typename Function>
Function qtFunction(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

// Qt 5's exported member functions, by their mangled names, so that no Qt
// declaration is redefined; `self` is the object (the implicit this).
extern "C" {

void _ZN6QMutex4lockEv(void *self) // QMutex::lock()
{
    static const auto lock = qtFunction<void (*)(void *)>("_ZN6QMutex4lockEv");
    lock(self);
    __tsan_acquire(self);
}

bool _ZN6QMutex7tryLockEi(void *self, int timeout) // QMutex::tryLock(int)
{
    static const auto tryLock = qtFunction<bool (*)(void *, int)>("_ZN6QMutex7tryLockEi");
    const bool locked = tryLock(self, timeout);
    if (locked)
        __tsan_acquire(self);
    return locked;
}

void _ZN6QMutex6unlockEv(void *self) // QMutex::unlock()
{
    static const auto unlock = qtFunction<void (*)(void *)>("_ZN6QMutex6unlockEv");
    __tsan_release(self);
    unlock(self);
}

void _ZN10QSemaphore7acquireEi(void *self, int n) // QSemaphore::acquire(int)
{
    static const auto acquire = qtFunction<void (*)(void *, int)>("_ZN10QSemaphore7acquireEi");
    acquire(self, n);
    __tsan_acquire(self);
}

bool _ZN10QSemaphore10tryAcquireEi(void *self, int n) // QSemaphore::tryAcquire(int)
{
    static const auto tryAcquire = qtFunction<bool (*)(void *, int)>("_ZN10QSemaphore10tryAcquireEi");
    const bool acquired = tryAcquire(self, n);
    if (acquired)
        __tsan_acquire(self);
    return acquired;
}

bool _ZN10QSemaphore10tryAcquireEii(void *self, int n, int timeout) // QSemaphore::tryAcquire(int, int)
{
    static const auto tryAcquire = qtFunction<bool (*)(void *, int, int)>("_ZN10QSemaphore10tryAcquireEii");
    const bool acquired = tryAcquire(self, n, timeout);
    if (acquired)
        __tsan_acquire(self);
    return acquired;
}

void _ZN10QSemaphore7releaseEi(void *self, int n) // QSemaphore::release(int)
{
    static const auto release = qtFunction<void (*)(void *, int)>("_ZN10QSemaphore7releaseEi");
    __tsan_release(self);
    release(self, n);
}

} // extern "C"
