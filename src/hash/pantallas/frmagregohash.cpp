#include "hash/pantallas/frmagregohash.h"

#include "config/pantallas/compartido.h"
#include "hash/nombre_hash.h"
#include "hash/operaciones_hash.h"
#include "system/archivos.h"
#include "system/pantallas/pantalla.h"
#include "system/tamanos.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FrmAgregoHash::FrmAgregoHash(Contexto& contexto) : PantallaTrabajo(contexto)
{
    setObjectName(QStringLiteral("frmAgregoHash"));
    setFixedSize(Tw(8100), Tw(4380));
    QLabel* label2 = Etiqueta(this, "Label2", QStringLiteral("&Tamaño máximo el archivo:"), 240, 120, 2700, 255);
    txtTamMB = Caja(this, "txtTamMB", 3000, 60, 600, 285, true);
    label2->setBuddy(txtTamMB);
    Etiqueta(this, "lblMB", QStringLiteral("MB"), 3660, 120, 375, 255);
    QGroupBox* frame = Marco(this, "Frame1", QString(), 240, 600, 7800, 2760);
    Text1 = Caja(frame, "Text1", 240, 360, 5055, 375, true);
    cmdElegir = Boton(frame, "Command1_0", QString(), 5400, 360, 1695, 375);
    lblnoesZip = Etiqueta(frame, "lblnoesZip", QString(), 120, 840, 5175, 1560);
    PongoColor(lblnoesZip, ColorRojo());
    Label1 = Etiqueta(frame, "Label1_2", QString(), 240, 2430, 5000, 255);
    cmdGenerar = Boton(frame, "Command1_2", QString(), 5400, 1200, 1695, 375);
    lblEspere = Etiqueta(this, "lblEspere", QString(), 120, 3480, 5295, 375);
    QFont negrita = lblEspere->font();
    negrita.setBold(true);
    lblEspere->setFont(negrita);
    cmdSalir = Boton(this, "cmdSalir", QStringLiteral("Sa&lir"), 5640, 3480, 1695, 375);
    barra = new QProgressBar(this);
    barra->setObjectName(QStringLiteral("barra"));
    barra->setGeometry(Tw(120), Tw(3960), Tw(7860), Tw(300));
    barra->setValue(0);
    bloqueables_ = {cmdElegir, cmdGenerar, cmdSalir};

    connect(cmdElegir, &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(cmdGenerar, &QPushButton::clicked, this, [this] { Command1_Click(2); });
    connect(cmdSalir, &QPushButton::clicked, this, [this] { salgo(); });
    connect(txtTamMB, &QLineEdit::textChanged, this, &FrmAgregoHash::txtTamMB_Change);
    InstaloArrastre(this, [this](const QString& ruta) {
        if (!ocupado())
            eligoArchivo(ruta);
    });

    // Load step.
    const Compartido& v = compartido();
    if (!v.CarpetaGuardada.isEmpty())
        Text1->setText(v.CarpetaGuardada);
    CalculoTamanoBytes();
    txtTamMB->setText(QString::number(v.TamanoMaximoMB));
    lblEspere->clear();
    setWindowTitle(QStringLiteral("Generador de Hash para Intercambio de Información"));
    cmdElegir->setText(QStringLiteral("&Seleccione el archivo"));
    cmdGenerar->setText(QStringLiteral("&Generar Hash "));
    Text1->setAccessibleName(QStringLiteral("Archivo al que se le generará el Hash"));
    frame->setTitle(
        QStringLiteral("Seleccione el archivo al que se le generará el Hash y la ruta donde se guardarán:"));
    centroFormulario(this);
}

void FrmAgregoHash::txtTamMB_Change() { tomoTamanoMB(txtTamMB, compartido().TamanoMaximoMB); }

void FrmAgregoHash::Command1_Click(int Index)
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    if (Index == 0) {
        const QString& guardada = compartido().CarpetaGuardada;
        const QString ruta = ctx_.dialogos.abroArchivo(
            this, QStringLiteral("Seleccione el archivo al que le desea generar el HASH"),
            guardada.isEmpty() ? ctx_.carpetaAplicacion : guardada, QStringLiteral("Todos los tipos de arhivos"));
        if (!ruta.isEmpty())
            eligoArchivo(ruta);
        return;
    }
    if (txtTamMB->text().isEmpty()) {
        mensaje({QString(), QStringLiteral("Debe asiganar un tamaño de particiones")});
        return;
    }
    if (Text1->text().isEmpty()) {
        mensaje({QStringLiteral("Faltan Datos"),
                 QStringLiteral("Debe Seleccionar un archivo para la Generación del HASH"), Icono::Informacion});
        return;
    }
    lblEspere->setText(QStringLiteral("Generando Hash. Por favor espere..."));
    QApplication::processEvents();
    AgregoHash();
}

void FrmAgregoHash::eligoArchivo(const QString& ruta)
{
    Text1->setText(ruta);
    const NombreyExtension ne = ObtengoNombreyExtension(ruta);
    MuestroConNombre(lblnoesZip, ne.nombre, TextoNoEsZip);
    lblnoesZip->setVisible(NoEsZip(ruta));
    auto tamano = TamanoDe(ruta);
    if (!tamano) {
        errorDeHash(tamano.falla());
        return;
    }
    TamanoArchivo = tamano.valor();
    const qint64 maximo = compartido().TamanoMaximoBytes;
    if (maximo != 0 && maximo < TamanoArchivo) {
        mensaje(
            {QStringLiteral("Incompatibilidad de Tamaños"),
             QStringLiteral(
                 "El archivo que quiere generar supera el tamaño máximo permitido. En este caso debe ingresar por la Opción \"particionar\" del Menú Principal"),
             Icono::Informacion});
        emit vuelvoAlMenu();
        return;
    }
    Label1->setText(QStringLiteral("Tamaño del archivo es de: ") + QString::number(TamanoArchivo)
                    + QStringLiteral(" Bytes"));
    PongoColor(Label1, ColorAzul());
}

void FrmAgregoHash::AgregoHash()
{
    // The file is measured again by the run: it may have changed since it was chosen.
    const QString P = Text1->text();
    const PlanSellado plan{P, MegasABytes(compartido().TamanoMaximoMB)};
    Progreso progreso;
    const Resultado<Sellado> r = ejecuto([&] { return EstampoArchivo(plan, &progreso); }, progreso, barra);
    barra->setValue(0);
    if (!r) {
        errorDeHash(r.falla());
        return;
    }
    Text1->clear();
    Label1->clear();
    mensaje({QStringLiteral("Generación de Hash Correcta"),
             QStringLiteral("Hash generado exitosamente") + QStringLiteral("\r\n")
                 + QStringLiteral("Nombre del archivo generado:") + NombreDeRuta(r.valor().ruta),
             Icono::Informacion});
    lblEspere->setText(QStringLiteral("Generación de Hash finalizada"));
}

void FrmAgregoHash::errorDeHash(const Falla& falla)
{
    if (falla.tipo == TipoFalla::MuyGrande || falla.tipo == TipoFalla::Vacio) {
        Text1->clear();
        Label1->clear();
        mensaje({QStringLiteral("Incompatibilidad de Tamaños"), falla.descripcion, Icono::Informacion});
        lblEspere->clear();
        return;
    }
    mensaje(falla.tipo == TipoFalla::Cancelado
                ? MensajeCancelacion(TextoFallaEstampado(falla))
                : Mensaje{QStringLiteral("ERROR"), TextoFallaEstampado(falla), Icono::Exclamacion});
    lblEspere->setText(QStringLiteral("Error en la Generación del HASH"));
}
