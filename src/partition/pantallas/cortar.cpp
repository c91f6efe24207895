#include "partition/pantallas/cortar.h"

#include "config/pantallas/compartido.h"
#include "partition/pantallas/mensajes_particion.h"
#include "system/archivos.h"
#include "system/pantallas/pantalla.h"

#include <QApplication>
#include <algorithm>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Cortar::Cortar(Contexto& contexto) : PantallaTrabajo(contexto)
{
    setObjectName(QStringLiteral("Cortar"));
    setFixedSize(Tw(8400), Tw(5280));
    QGroupBox* frame0 = Marco(this, "Frame1_0", QString(), 120, 120, 8160, 2760);
    cmdElegir = Boton(frame0, "Command1_0", QString(), 6240, 360, 1695, 375);
    txtArchivo = Caja(frame0, "Text1_0", 120, 360, 6000, 375, true);
    cmdGuardarEn = Boton(frame0, "Command1_1", QString(), 6240, 840, 1695, 375);
    txtCarpeta = Caja(frame0, "Text1_1", 120, 840, 6000, 375, true);
    Label1 = Etiqueta(frame0, "Label1_2", QString(), 120, 1320, 6000, 255);
    lblnoesZip = Etiqueta(frame0, "lblnoesZip", QString(), 120, 1600, 7800, 1080);
    PongoColor(lblnoesZip, ColorRojo());
    QLabel* label2 = Etiqueta(this, "Label2", QStringLiteral("&Tamaño de las particiones:"), 240, 3060, 2580, 255);
    txtTamMB = Caja(this, "txtTamMB", 2880, 3000, 900, 315, false);
    label2->setBuddy(txtTamMB);
    Etiqueta(this, "lblMB", QStringLiteral("MB"), 3840, 3060, 400, 255);
    lblTamBytes = Etiqueta(this, "lblTamBytes", QString(), 4320, 3060, 3800, 255);
    lblTamBytes->hide();
    lblProgHash = Etiqueta(this, "lblProgHash", QString(), 240, 3480, 7900, 255);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(Tw(240), Tw(3800), Tw(7920), Tw(300));
    ProgressBar1->setValue(0);
    QGroupBox* frame1 = Marco(this, "Frame1_1", QString(), 120, 4260, 8160, 900);
    cmdSalir = Boton(frame1, "Command1_2", QString(), 6240, 300, 1695, 420);
    cmdParticionar = Boton(frame1, "Command1_3", QStringLiteral("Particionar"), 4320, 300, 1695, 420);
    bloqueables_ = {cmdElegir, cmdGuardarEn, cmdSalir, cmdParticionar, txtTamMB};

    connect(cmdElegir, &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(cmdGuardarEn, &QPushButton::clicked, this, [this] { Command1_Click(1); });
    connect(cmdSalir, &QPushButton::clicked, this, [this] { Command1_Click(2); });
    connect(cmdParticionar, &QPushButton::clicked, this, [this] { Command1_Click(3); });
    connect(txtTamMB, &QLineEdit::textChanged, this, &Cortar::txtTamMB_Change);
    InstaloArrastre(this, [this](const QString& ruta) {
        if (!ocupado()) {
            eligoArchivo(ruta);
            finComun();
        }
    });

    // Form_Load.
    CalculoTamanoBytes();
    const Compartido& v = compartido();
    lblTamBytes->setText(QString::number(v.TamanoMaximoBytes));
    txtTamMB->setText(QString::number(v.TamanoMaximoMB));
    setWindowTitle(QStringLiteral("Particionador de Archivos para Intercambio de Información"));
    cmdElegir->setText(QStringLiteral("&Seleccione el archivo"));
    cmdGuardarEn->setText(QStringLiteral("&Guardar en "));
    cmdSalir->setText(QStringLiteral("Sa&lir"));
    cmdParticionar->setText(QStringLiteral("&Particionar"));
    // The boxes sit beside their buttons, with no label of their own.
    txtArchivo->setAccessibleName(QStringLiteral("Archivo a particionar"));
    txtCarpeta->setAccessibleName(QStringLiteral("Carpeta donde se guardarán las particiones"));
    cmdParticionar->setEnabled(false);
    txtArchivo->setText(v.CarpetaGuardada);
    txtCarpeta->setText(v.CarpetaGuardada);
    frame0->setTitle(
        QStringLiteral("Seleccione el archivo a particionar y la carpeta donde se guardarán las particiones:"));
    centroFormulario(this);
}

void Cortar::txtTamMB_Change()
{
    // The run takes what this box shows; the shared maximum stays as obtained.
    if (const auto mb = tomoTamanoMB(txtTamMB, compartido().TamanoMaximoMB))
        lblTamBytes->setText(QString::number(MegasABytes(*mb)));
}

void Cortar::Command1_Click(int Index)
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    Compartido& v = compartido();
    switch (Index) {
    case 0: {
        const QString ruta =
            ctx_.dialogos.abroArchivo(this, QStringLiteral("Seleccione el archivo que desea partir"),
                                      v.CarpetaGuardada.isEmpty() ? ctx_.carpetaAplicacion : v.CarpetaGuardada,
                                      QStringLiteral("Todos los tipos de arhivos"));
        if (ruta.isEmpty())
            return;
        eligoArchivo(ruta);
        break;
    }
    case 1: {
        if (!v.UltimaCarpeta.isEmpty())
            RecuerdoCarpeta(v.UltimaCarpeta);
        if (const auto carpeta = SeleccionoCarpeta(ctx_.dialogos, this))
            txtCarpeta->setText(*carpeta);
        else
            cmdParticionar->setEnabled(false);
        break;
    }
    case 2:
        RecuerdoCarpeta(txtCarpeta->text().isEmpty() ? CarpetaRaiz() : txtCarpeta->text());
        VuelvoAlMenu();
        break;
    case 3:
        // A size of 0 is a size: the split refuses it as too many partitions.
        if (txtTamMB->text().trimmed().isEmpty()) {
            mensaje({QString(), QStringLiteral("Debe asiganar un tamaño de particiones")});
            return;
        }
        GeneroParticiones();
        break;
    }
    finComun();
}

void Cortar::finComun()
{
    if (!txtCarpeta->text().isEmpty() && !txtArchivo->text().isEmpty())
        cmdParticionar->setEnabled(true);
}

void Cortar::eligoArchivo(const QString& ruta)
{
    Compartido& v = compartido();
    txtArchivo->setText(ruta);
    MuestroConNombre(lblnoesZip, ObtengoNombreyExtension(ruta).nombre, TextoNoEsZip);
    lblnoesZip->setVisible(NoEsZip(ruta));
    v.UltimaCarpeta = CarpetaDeRuta(ruta);
    const auto tamano = TamanoDe(ruta);
    if (!tamano) {
        mensaje(ManejoErrores(tamano.falla()));
        return;
    }
    F = tamano.valor();
    if (F == 0 || F < MegasABytes(LeoMegas(txtTamMB->text()).value_or(v.TamanoMaximoMB))) {
        mensaje(MensajeRechazo(F == 0 ? RechazoParticion::Vacio : RechazoParticion::MuyChico));
        VuelvoAlMenu(); // the handler goes on, on the hidden screen
    }
    Label1->setText(QStringLiteral("Tamaño del archivo es de: ") + QString::number(F) + QStringLiteral(" Bytes"));
    PongoColor(Label1, ColorAzul());
    txtCarpeta->setText(CarpetaDeRuta(ruta));
}

void Cortar::GeneroParticiones()
{
    const QString origen = txtArchivo->text();
    PlanParticion plan;
    // The name is judged first; then the size is measured again, since the
    // file may have changed since it was chosen.
    RechazoParticion rechazo = RevisoNombreParticion(origen);
    if (rechazo != RechazoParticion::Ninguno) {
        mensaje(MensajeRechazo(rechazo));
        return;
    }
    const auto tamano = TamanoDe(origen);
    if (!tamano) {
        mensaje(ManejoErrores(tamano.falla()));
        return;
    }
    F = tamano.valor();
    rechazo = PlanificoParticion(origen, F, MegasABytes(LeoMegas(txtTamMB->text()).value_or(0)), plan);
    if (rechazo == RechazoParticion::Demasiadas) {
        mensaje(MensajeRechazo(rechazo));
        return;
    }
    ProgressBar1->setValue(0);
    if (rechazo == RechazoParticion::MuyChico || rechazo == RechazoParticion::Vacio) {
        mensaje(MensajeRechazo(rechazo));
        txtArchivo->clear();
        txtCarpeta->clear();
        cmdParticionar->setEnabled(false);
        Label1->clear();
        VuelvoAlMenu();
        return;
    }
    if (mensaje(MensajeConfirmacion(plan)) != Respuesta::Aceptar) {
        Label1->clear();
        return;
    }
    L = plan.L;
    Progreso progreso;
    ResultadoParticion r;
    {
        CursorOcupado ocupado;
        r = ejecuto([&] { return ::GeneroParticiones(plan, txtCarpeta->text(), false, &progreso); }, progreso,
                    ProgressBar1,
                    [&] {
                        // Partitions are cut side by side: the caption follows the bar.
                        const qint64 hecho = progreso.hecho.load();
                        const int i = int(std::clamp<qint64>(plan.S > 0 ? hecho / plan.S + 1 : 1, 1, plan.N));
                        lblProgHash->setText(QStringLiteral("Generando Hash para la Partición ") + QString::number(i)
                                             + QStringLiteral(" de ") + QString::number(plan.N));
                    });
    }
    if (r.falla) {
        // The bar stays where the run stopped.
        mensaje(ManejoErrores(*r.falla));
        lblProgHash->clear();
        return;
    }
    lblProgHash->setText(QStringLiteral("Generación de Hash para las Particiones terminada"));
    ProgressBar1->setValue(0);
    Label1->clear();
    mensaje(MensajeParticionesGeneradas());
}
