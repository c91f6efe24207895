#include "partition/pantallas/frmpartarcmult.h"

#include "config/compartido.h"
#include "partition/pantallas/mensajes_particion.h"
#include "system/archivos.h"
#include "system/pantallas/contexto.h"
#include "system/pantallas/pantalla.h"

#include <QLabel>
#include <QProgressBar>

FrmPartArcMult::FrmPartArcMult(Contexto& contexto, QWidget* compresion) : ctx_(contexto), compresion_(compresion)
{
    setObjectName(QStringLiteral("frmPartArcMult"));
    setWindowTitle(QStringLiteral("Particionando archivo comprimido"));
    setFixedSize(Tw(6000), Tw(1500));
    Etiqueta(this, "Label1", QStringLiteral("Particionando Archivos... Por favor espere..."), 240, 240, 5500, 300);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(Tw(240), Tw(720), Tw(5520), Tw(360));
}

void FrmPartArcMult::CargoFormulario(const ArchivoArmado& zip, qint64 tamanioMAX, const QString& rutaFinal)
{
    show();
    centroFormulario(this);
    Cortar_Archivo(zip, tamanioMAX, rutaFinal);
}

void FrmPartArcMult::Cortar_Archivo(const ArchivoArmado& zip, qint64 tamanioMAX, const QString& rutaFinal)
{
    Compartido& v = compartido();
    PlanParticion plan;
    const RechazoParticion rechazo = PlanificoParticion(zip.archivo, zip.tamano, tamanioMAX, plan);
    if (rechazo == RechazoParticion::SinArchivo || rechazo == RechazoParticion::SinPunto
        || rechazo == RechazoParticion::Demasiadas) {
        ctx_.dialogos.mensaje(this, MensajeRechazo(rechazo));
        BorroCorrida(zip.corrida);
        v.ComprimidoPendiente = false;
        VuelvoACompresion();
        return;
    }
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setValue(0);
    if (ctx_.dialogos.mensaje(this, MensajeConfirmacion(plan)) != Respuesta::Aceptar) {
        BorroCorrida(zip.corrida);
        v.ComprimidoPendiente = false;
        VuelvoACompresion();
        return;
    }
    Progreso progreso;
    const ResultadoParticion r = EjecutoTrabajo([&] { return GeneroParticiones(plan, rutaFinal, true, &progreso); },
                                                [&] {
                                                    const qint64 total = progreso.total.load();
                                                    if (total > 0)
                                                        ProgressBar1->setValue(int(progreso.hecho.load() * 1000 / total));
                                                });
    // Partitions already delivered stay; nothing of the run stays in the work folder.
    BorroCorrida(zip.corrida);
    if (r.falla) {
        ctx_.dialogos.mensaje(this, ManejoErrores(*r.falla));
        close();
        return;
    }
    ProgressBar1->setValue(0);
    v.ParticionesGeneradas = true;
    ctx_.dialogos.mensaje(this, MensajeParticionesGeneradas());
    close();
}

void FrmPartArcMult::VuelvoACompresion()
{
    hide();
    if (compresion_) {
        compresion_->show();
        compresion_->raise();
    }
}
