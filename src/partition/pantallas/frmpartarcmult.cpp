#include "partition/pantallas/frmpartarcmult.h"

#include "system/pantallas/pantalla.h"
#include "system/pantallas/pantalla_trabajo.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>

FrmPartArcMult::FrmPartArcMult(QWidget* compresion) : QWidget(compresion, Qt::Window), compresion_(compresion)
{
    setObjectName(QStringLiteral("frmPartArcMult"));
    setWindowTitle(QStringLiteral("Particionando archivo comprimido"));
    setFixedSize(Tw(6000), Tw(1500));
    Etiqueta(this, "Label1", QStringLiteral("Particionando Archivos... Por favor espere..."), 240, 240, 5500, 300);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(Tw(240), Tw(720), Tw(4200), Tw(360));
    ProgressBar1->setRange(0, 1000);
    cmdCancelar = Boton(this, "cmdCancelar", QStringLiteral("Cancelar"), 4560, 690, 1200, 420);
    connect(cmdCancelar, &QPushButton::clicked, this, [this] {
        if (progreso_)
            progreso_->cancelar.store(true);
        cmdCancelar->setEnabled(false);
    });
    // Escape stops the split as "Cancelar" does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, cmdCancelar, [this] {
        if (cmdCancelar->isEnabled())
            cmdCancelar->click();
    });
}

void FrmPartArcMult::CargoFormulario(Progreso* progreso)
{
    progreso_ = progreso;
    ProgressBar1->setValue(0);
    cmdCancelar->setEnabled(true);
    show();
    centroFormulario(this);
}

void FrmPartArcMult::muestroAvance()
{
    if (progreso_ && isVisible())
        MuestroAvance(ProgressBar1, *progreso_);
}

void FrmPartArcMult::VuelvoACompresion()
{
    termino();
    if (compresion_) {
        compresion_->show();
        compresion_->raise();
    }
}

void FrmPartArcMult::termino()
{
    progreso_ = nullptr;
    ProgressBar1->setValue(0);
    hide();
}

void FrmPartArcMult::closeEvent(QCloseEvent* e)
{
    // Closing the window mid-run means stopping the run, as "Cancelar" does.
    if (progreso_) {
        progreso_->cancelar.store(true);
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}
