#pragma once
// One shape for every long file job: the work runs on a worker thread and
// reports through atomics; the caller keeps the event loop turning.
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <optional>
#include <type_traits>

struct Progreso {
    std::atomic<qint64> hecho{0};
    std::atomic<qint64> total{0};
    std::atomic<int> paso{0}; // e.g. the partition in work
    std::atomic<bool> cancelar{false};

    bool cancelado() const { return cancelar.load(std::memory_order_relaxed); }
    void sumo(qint64 n) { hecho.fetch_add(n, std::memory_order_relaxed); }
};

// Runs trabajo() off the calling thread and returns its result. Meanwhile the
// calling thread's events are processed and cadaIntervalo() runs every 100 ms,
// so a screen repaints and shows progress.
template <class F>
auto EjecutoTrabajo(F&& trabajo, const std::function<void()>& cadaIntervalo = {})
{
    using T = std::invoke_result_t<F>;
    std::optional<T> resultado;
    QEventLoop espera;
    QThread* hilo = QThread::create([&] { resultado.emplace(trabajo()); });
    QObject::connect(hilo, &QThread::finished, &espera, &QEventLoop::quit);
    QTimer reloj;
    reloj.setInterval(100);
    if (cadaIntervalo) {
        QObject::connect(&reloj, &QTimer::timeout, &espera, cadaIntervalo);
        reloj.start();
    }
    hilo->start();
    espera.exec();
    hilo->wait();
    delete hilo;
    if (cadaIntervalo)
        cadaIntervalo();
    return std::move(*resultado);
}
