#pragma once
// What a long file job shares with whoever watches it: bytes done, the step in
// work and the cancel flag, all atomics, so the job's thread never waits on the
// watcher's. The runner that starts jobs is in system/trabajo.h.
#include <QtGlobal>

#include <atomic>

struct Progreso {
    std::atomic<qint64> hecho{0};
    std::atomic<qint64> total{0};
    std::atomic<int> paso{0}; // e.g. the partition in work
    std::atomic<bool> cancelar{false};

    bool cancelado() const { return cancelar.load(std::memory_order_relaxed); }
    void sumo(qint64 n) { hecho.fetch_add(n, std::memory_order_relaxed); }
};
