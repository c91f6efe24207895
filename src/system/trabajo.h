#pragma once
// One shape for every long file job: the work runs on a worker thread and
// reports through atomics; the caller keeps the event loop turning.
#include "system/hilos_tsan.h"
#include "system/progreso.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <functional>
#include <optional>
#include <type_traits>

// Runs trabajo() off the calling thread and returns its result. Meanwhile the
// calling thread's events are processed and cadaIntervalo() runs every 100 ms,
// so a screen repaints and shows progress.
template <class F>
auto EjecutoTrabajo(F&& trabajo, const std::function<void()>& cadaIntervalo = {})
{
    using T = std::invoke_result_t<F>;
    std::optional<T> resultado;
    QEventLoop espera;
    QThread* hilo = QThread::create([&] {
        resultado.emplace(trabajo());
        TERV_TSAN_ENTREGO(&resultado);
    });
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
    TERV_TSAN_RECIBO(&resultado);
    delete hilo;
    if (cadaIntervalo)
        cadaIntervalo();
    return std::move(*resultado);
}

// Runs f() on destino's thread and waits for it (a blocking queued call): a job
// asks the interface thread something and uses the answer.
template <class F>
void LlamoYEspero(QObject* destino, F&& f)
{
    // Qt destroys the call's copy of Llamada on this thread, inside
    // invokeMethod, right after its own wait: that destructor is the first
    // point where this thread can take over what the other one did.
    class Llamada {
    public:
        Llamada(F& funcion, int* testigo) : f_(funcion), testigo_(testigo) {}
        Llamada(const Llamada&) = default;
        ~Llamada() { TERV_TSAN_RECIBO(testigo_); }
        void operator()() const
        {
            TERV_TSAN_RECIBO(testigo_);
            f_();
            TERV_TSAN_ENTREGO(testigo_);
        }

    private:
        F& f_;
        int* testigo_;
    };
    int testigo = 0; // only its address matters: it names this hand-off
    TERV_TSAN_ENTREGO(&testigo);
    QMetaObject::invokeMethod(destino, Llamada(f, &testigo), Qt::BlockingQueuedConnection);
    TERV_TSAN_RECIBO(&testigo);
}
