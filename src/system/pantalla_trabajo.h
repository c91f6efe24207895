#pragma once
// The common ground of the working screens: the way back to the menu, the
// message boxes, and long jobs that run off the interface thread.
#include "system/contexto.h"
#include "system/trabajo.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QWidget>

class PantallaTrabajo : public QWidget {
    Q_OBJECT
public:
    explicit PantallaTrabajo(Contexto& contexto) : ctx_(contexto) {}
    bool ocupado() const { return ocupado_; }

signals:
    void vuelvoAlMenu();

protected:
    Respuesta mensaje(const Mensaje& m) { return ctx_.dialogos.mensaje(this, m); }

    // Runs trabajo() on a worker thread. Meanwhile the controls that could
    // start a second run or change its inputs are disabled, the window cannot
    // be closed, and barra shows progreso (bytes done of total).
    template <class F>
    auto ejecuto(F&& trabajo, Progreso& progreso, QProgressBar* barra, const std::function<void()>& extra = {})
    {
        bloqueo(true);
        if (barra) {
            barra->setRange(0, 1000);
            barra->setValue(0);
        }
        auto resultado = EjecutoTrabajo(std::forward<F>(trabajo), [&] {
            const qint64 total = progreso.total.load();
            if (barra && total > 0)
                barra->setValue(int(progreso.hecho.load() * 1000 / total));
            if (extra)
                extra();
        });
        bloqueo(false);
        return resultado;
    }

    // While busy, the controls that could start a second run or change its
    // inputs are disabled and the window cannot be closed; afterwards those
    // that were enabled before come back.
    void bloqueo(bool ocupado);

    // The partition-size box in MB: strips a trailing character that is not
    // part of a number; a value above TamanoMaximoMB is refused with a message
    // and the box emptied; otherwise TamanoMaximoBytes takes it. Returns
    // whether a value was taken.
    bool tomoTamanoMB(QLineEdit* caja);

    // What leaving the screen does; the window's close button does the same.
    virtual void salgo() { emit vuelvoAlMenu(); }
    void closeEvent(QCloseEvent* e) override;

    Contexto& ctx_;
    QList<QWidget*> bloqueables_;

private:
    bool ocupado_ = false;
    QList<QWidget*> reactivo_;
};
