#include "system/pantalla_trabajo.h"

#include "config/compartido.h"

#include <QCloseEvent>
#include <QLocale>

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

bool PantallaTrabajo::tomoTamanoMB(QLineEdit* caja)
{
    QString texto = caja->text();
    bool numero = false;
    const double valor = QLocale().toDouble(texto.trimmed(), &numero);
    if (!texto.isEmpty() && !numero) {
        texto.chop(1);
        caja->setText(texto); // runs the handler again until numeric or empty
        return false;
    }
    if (texto.isEmpty())
        return false;
    Compartido& v = compartido();
    if (valor > v.TamanoMaximoMB) {
        mensaje({QString(), QStringLiteral("El tamaño de las particiones no puede superar los ") + QString::number(v.TamanoMaximoMB)
                                + QStringLiteral(" MB")});
        caja->clear();
        return false;
    }
    v.TamanoMaximoBytes = MegasABytes(valor);
    return true;
}
