#pragma once
// The common ground of the working screens: the way back to the menu, the
// message boxes, and long jobs that run off the interface thread.
#include "system/pantallas/contexto.h"
#include "system/trabajo.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

// A job's progress on a bar of range 0..1000 (nothing while its size is unknown).
void MuestroAvance(QProgressBar* barra, const Progreso& progreso);

class PantallaTrabajo : public QWidget {
    Q_OBJECT
public:
    explicit PantallaTrabajo(Contexto& contexto) : ctx_(contexto) {}
    bool ocupado() const { return bloqueos_ > 0; }

signals:
    void vuelvoAlMenu();

protected:
    Respuesta mensaje(const Mensaje& m) { return ctx_.dialogos.mensaje(this, m); }
    // A question asked from a job's worker thread: it waits for the answer.
    Respuesta preguntoDesdeTrabajo(const Mensaje& m);

    // Held by a handler for as long as it works: the controls that could
    // start a second run or change its inputs are locked at once, before any
    // event is processed, and the window cannot be closed.
    class Turno {
    public:
        explicit Turno(PantallaTrabajo* p) : p_(p) { p_->bloqueo(true); }
        ~Turno()
        {
            if (p_)
                p_->bloqueo(false);
        }
        Turno(Turno&& otro) noexcept : p_(std::exchange(otro.p_, nullptr)) {}
        Turno& operator=(Turno&&) = delete;

    private:
        PantallaTrabajo* p_;
    };
    // At the start of a handler that may start a run; empty when one is already
    // running (a second click is ignored).
    std::optional<Turno> tomoTurno()
    {
        std::optional<Turno> t;
        if (!ocupado())
            t.emplace(this);
        return t;
    }

    // Runs trabajo() on a worker thread, the controls locked; barra shows
    // progreso (bytes done of total) and a "Cancelar" button beside it sets
    // progreso's cancel flag.
    template <class F>
    auto ejecuto(F&& trabajo, Progreso& progreso, QProgressBar* barra, const std::function<void()>& extra = {})
    {
        Turno turno(this);
        if (barra) {
            barra->setRange(0, 1000);
            barra->setValue(0);
        }
        muestroCancelar(&progreso, barra);
        auto resultado = EjecutoTrabajo(std::forward<F>(trabajo), [&] {
            if (barra)
                MuestroAvance(barra, progreso);
            if (extra)
                extra();
        });
        muestroCancelar(nullptr, barra);
        return resultado;
    }

    // Locks (true) or releases (false) the controls; calls nest.
    void bloqueo(bool ocupado);

    // The value of a size box in MB: as typed, with "," or "." as the decimal
    // separator. A character that cannot belong to a size is taken out of the
    // box as it is typed; a value above maximoMB (when known) is refused
    // with a message and the box emptied. nullopt when there is no valid value.
    std::optional<double> tomoTamanoMB(QLineEdit* caja, qint32 maximoMB);

    // What leaving the screen does; the window's close button does the same.
    virtual void salgo() { emit vuelvoAlMenu(); }
    void closeEvent(QCloseEvent* e) override;

    Contexto& ctx_;
    QList<QWidget*> bloqueables_;

private:
    void muestroCancelar(Progreso* progreso, QProgressBar* barra);
    int bloqueos_ = 0;
    QList<QWidget*> reactivo_;
    QPushButton* cmdCancelar_ = nullptr;
    int anchoBarra_ = 0;
};
