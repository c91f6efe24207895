#pragma once
// Debian's Qt is not built for ThreadSanitizer, so TSan cannot see the order
// that Qt's own hand-offs (QThread::wait, a blocking queued call) establish
// between two threads. Under TSan these macros tell it; otherwise they are
// nothing. Pass the address of the data handed over.
#if defined(__SANITIZE_THREAD__)
#define TERV_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TERV_TSAN 1
#endif
#endif

#ifdef TERV_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
// The thread handing over, after its last write to what it hands.
#define TERV_TSAN_ENTREGO(addr) __tsan_release(static_cast<void*>(addr))
// The thread receiving, once Qt says the hand-off is done, before its first read.
#define TERV_TSAN_RECIBO(addr) __tsan_acquire(static_cast<void*>(addr))
#else
#define TERV_TSAN_ENTREGO(addr) static_cast<void>(addr)
#define TERV_TSAN_RECIBO(addr) static_cast<void>(addr)
#endif
