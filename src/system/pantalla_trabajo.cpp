#include "system/pantalla_trabajo.h"

#include <QCloseEvent>

void PantallaTrabajo::closeEvent(QCloseEvent* e)
{
    // The screen is only ever hidden; while a run is in progress it stays.
    e->ignore();
    if (!ocupado_)
        salgo();
}

void PantallaTrabajo::bloqueo(bool ocupado)
{
    if (ocupado == ocupado_)
        return;
    ocupado_ = ocupado;
    if (ocupado) {
        reactivo_.clear();
        for (QWidget* w : bloqueables_)
            if (w->isEnabled()) {
                w->setEnabled(false);
                reactivo_ << w;
            }
    } else {
        for (QWidget* w : reactivo_)
            w->setEnabled(true);
        reactivo_.clear();
    }
}
