#include "system/pantallas/pantalla_trabajo.h"

#include "system/tamanos.h"

#include <QCloseEvent>
#include <QShortcut>
#include <QThread>

void PantallaTrabajo::closeEvent(QCloseEvent* e)
{
    // The screen is only ever hidden; while a run is in progress it stays.
    e->ignore();
    if (!ocupado())
        salgo();
}

Respuesta PantallaTrabajo::preguntoDesdeTrabajo(const Mensaje& m)
{
    if (QThread::currentThread() == thread())
        return mensaje(m);
    Respuesta r = Respuesta::Cancelar;
    LlamoYEspero(this, [&] { r = mensaje(m); });
    return r;
}

void PantallaTrabajo::bloqueo(bool ocupado)
{
    if (ocupado) {
        if (bloqueos_++ > 0)
            return;
        reactivo_.clear();
        for (QWidget* w : bloqueables_)
            if (w->isEnabled()) {
                // Disabled without the mark a handler's own setEnabled(false)
                // leaves: what a handler decides while locked is kept on release.
                w->setEnabled(false);
                w->setAttribute(Qt::WA_ForceDisabled, false);
                reactivo_ << w;
            }
        return;
    }
    if (bloqueos_ == 0 || --bloqueos_ > 0)
        return;
    for (QWidget* w : reactivo_)
        if (!w->testAttribute(Qt::WA_ForceDisabled))
            w->setEnabled(true);
    reactivo_.clear();
}

void PantallaTrabajo::muestroCancelar(Progreso* progreso, QProgressBar* barra)
{
    if (!cmdCancelar_) {
        cmdCancelar_ = new QPushButton(QStringLiteral("Cancelar"), this);
        cmdCancelar_->setObjectName(QStringLiteral("cmdCancelar"));
        cmdCancelar_->setAutoDefault(true);
        cmdCancelar_->hide();
        // Escape stops a run as "Cancelar" does.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
        connect(escape, &QShortcut::activated, cmdCancelar_, [this] {
            if (cmdCancelar_->isVisible() && cmdCancelar_->isEnabled())
                cmdCancelar_->click();
        });
    }
    QObject::disconnect(cmdCancelar_, &QPushButton::clicked, nullptr, nullptr);
    if (!progreso) {
        cmdCancelar_->hide();
        if (barra && anchoBarra_ > 0)
            barra->resize(anchoBarra_, barra->height());
        anchoBarra_ = 0;
        return;
    }
    // The button takes the right end of the progress bar while the job runs.
    const int ancho = cmdCancelar_->sizeHint().width();
    if (barra) {
        anchoBarra_ = barra->width();
        barra->resize(std::max(40, anchoBarra_ - ancho - 6), barra->height());
        const QPoint p = barra->mapTo(this, QPoint(barra->width() + 6, 0));
        cmdCancelar_->setGeometry(p.x(), p.y() + (barra->height() - cmdCancelar_->sizeHint().height()) / 2, ancho,
                                  cmdCancelar_->sizeHint().height());
    } else {
        cmdCancelar_->setGeometry(width() - ancho - 8, height() - cmdCancelar_->sizeHint().height() - 8, ancho,
                                  cmdCancelar_->sizeHint().height());
    }
    cmdCancelar_->setEnabled(true);
    connect(cmdCancelar_, &QPushButton::clicked, this, [this, progreso] {
        progreso->cancelar.store(true);
        cmdCancelar_->setEnabled(false);
    });
    cmdCancelar_->show();
    cmdCancelar_->raise();
}

void MuestroAvance(QProgressBar* barra, const Progreso& progreso)
{
    const qint64 total = progreso.total.load();
    if (total > 0)
        barra->setValue(int(progreso.hecho.load() * 1000 / total));
}

std::optional<double> PantallaTrabajo::tomoTamanoMB(QLineEdit* caja, qint32 maximoMB)
{
    QString texto = caja->text();
    QString limpio;
    for (QChar c : texto)
        if (EsCaracterDeTamano(c))
            limpio += c;
    if (limpio != texto) {
        caja->setText(limpio); // runs the handler again with what may stand
        return std::nullopt;
    }
    const auto valor = LeoMegas(texto);
    if (!valor)
        return std::nullopt;
    if (maximoMB > 0 && *valor > maximoMB) {
        mensaje({QString(),
                 QStringLiteral("El tamaño de las particiones no puede superar los ") + QString::number(maximoMB)
                     + QStringLiteral(" MB")});
        caja->clear();
        return std::nullopt;
    }
    return valor;
}
