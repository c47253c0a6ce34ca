// Loaded with LD_PRELOAD into a program under test: its wall clock reads HORODEX_TEST_CLOCK_SHIFT
// seconds off, as on a computer whose clock is wrong. Its steady clock is left alone.
#include <dlfcn.h>
#include <sys/time.h>
#include <time.h>

#include <cstdlib>

namespace {

long Shift()
{
    static const long shift = [] {
        const char* text = std::getenv("HORODEX_TEST_CLOCK_SHIFT");
        return text ? std::strtol(text, nullptr, 10) : 0L;
    }();
    return shift;
}

} // namespace

extern "C" int clock_gettime(clockid_t clock, struct timespec* time) noexcept
{
    using Call = int (*)(clockid_t, struct timespec*);
    static const Call real = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "clock_gettime"));
    const int r = real(clock, time);
    if (r == 0 && (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE))
        time->tv_sec += Shift();
    return r;
}

// Qt reads the wall clock here.
extern "C" int gettimeofday(struct timeval* __restrict time, void* __restrict zone) noexcept
{
    using Call = int (*)(struct timeval*, void*);
    static const Call real = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "gettimeofday"));
    const int r = real(time, zone);
    if (r == 0)
        time->tv_sec += Shift();
    return r;
}
