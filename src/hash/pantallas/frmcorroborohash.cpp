#include "hash/pantallas/frmcorroborohash.h"

#include "config/pantallas/compartido.h"
#include "hash/nombre_hash.h"
#include "hash/operaciones_hash.h"
#include "system/archivos.h"
#include "system/pantallas/pantalla.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FrmCorroboroHash::FrmCorroboroHash(Contexto& contexto) : PantallaTrabajo(contexto)
{
    setObjectName(QStringLiteral("frmCorroboroHash"));
    setFixedSize(Tw(10245), Tw(3720));
    QGroupBox* frame = Marco(this, "Frame1", QString(), 120, 120, 9975, 2535);
    cmdElegir = Boton(frame, "Command1_0", QString(), 3960, 240, 1695, 375);
    Text1_0 = Caja(frame, "Text1_0", 120, 720, 9735, 375, true);
    cmdCorroborar = Boton(frame, "Command1_1", QString(), 3960, 1320, 1695, 375);
    QLabel* lbFinal = Etiqueta(frame, "lbFinal", QStringLiteral("Archivo &Final:"), 140, 1800, 3615, 255);
    Text1_1 = Caja(frame, "Text1_1", 120, 2040, 9735, 375, true);
    lbFinal->setBuddy(Text1_1);
    lblCorroboroHash = Etiqueta(this, "lblCorroboroHash", QString(), 120, 2760, 5535, 255);
    cmdSalir = Boton(this, "cmdSalir", QStringLiteral("Sa&lir"), 8400, 2760, 1695, 375);
    barra = new QProgressBar(this);
    barra->setObjectName(QStringLiteral("barra"));
    barra->setGeometry(Tw(120), Tw(3240), Tw(9975), Tw(300));
    barra->setValue(0);
    bloqueables_ = {cmdElegir, cmdCorroborar, cmdSalir};

    connect(cmdElegir, &QPushButton::clicked, this, [this] { Command1_Click(0); });
    connect(cmdCorroborar, &QPushButton::clicked, this, [this] { Command1_Click(1); });
    connect(cmdSalir, &QPushButton::clicked, this, [this] { salgo(); });
    InstaloArrastre(this, [this](const QString& ruta) {
        if (!ocupado())
            eligoArchivo(ruta);
    });

    if (!compartido().CarpetaGuardada.isEmpty())
        Text1_0->setText(compartido().CarpetaGuardada);
    setWindowTitle(QStringLiteral("Corroboración de Hash para Archivos de Intercambio de Información"));
    cmdElegir->setText(QStringLiteral("&Seleccione el archivo"));
    cmdCorroborar->setText(QStringLiteral("&Corroborar Hash "));
    Text1_0->setAccessibleName(QStringLiteral("Archivo a corroborar"));
    frame->setTitle(QStringLiteral("Seleccione el archivo que quiere corroborar su Hash:"));
    centroFormulario(this);
}

void FrmCorroboroHash::Command1_Click(int Index)
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    if (Index == 0) {
        const QString ruta =
            ctx_.dialogos.abroArchivo(this, QStringLiteral("Seleccione el archivo al que le desea corroborar el HASH"),
                                      ctx_.carpetaAplicacion, QStringLiteral("Todos los tipos de arhivos"));
        if (!ruta.isEmpty())
            eligoArchivo(ruta);
        return;
    }
    lblCorroboroHash->setText(QStringLiteral("Corroborando Hash... Por Favor Espere..."));
    QApplication::processEvents();
    CorroboroHash();
    lblCorroboroHash->clear();
}

void FrmCorroboroHash::eligoArchivo(const QString& ruta)
{
    Text1_0->setText(ruta);
    Compartido& v = compartido();
    v.UltimaCarpeta = CarpetaDeRuta(ruta);
    if (!v.UltimaCarpeta.isEmpty())
        RecuerdoCarpeta(v.UltimaCarpeta);
}

void FrmCorroboroHash::CorroboroHash()
{
    const QString fin = QStringLiteral("\r\n");
    PlanVerificacion plan{Text1_0->text(), [this, fin](const Verificacion& v) {
                              const Respuesta r = preguntoDesdeTrabajo(
                                  {QStringLiteral("Atención"),
                                   QStringLiteral("El HASH obtenido del archivo solicitado no es valido") + fin
                                       + QStringLiteral("(HASH del archivo: ") + v.hashArchivo + fin
                                       + QStringLiteral("HASH obtenido tras la verificación: ") + v.hashNombre
                                       + QStringLiteral(")") + fin + fin + QStringLiteral("Desea cambiarlo?"),
                                   Icono::Pregunta, Botones::SiNo, Respuesta::No});
                              return r == Respuesta::Si;
                          }};
    Progreso progreso;
    const Verificacion v = ejecuto([&] { return CorroboroArchivo(plan, &progreso); }, progreso, barra);
    barra->setValue(0);
    switch (v.estado) {
    case EstadoHash::SinFormato: mensaje({QStringLiteral("ERROR"), v.falla->descripcion, Icono::Critico}); return;
    case EstadoHash::Correcto: {
        Mensaje correcto{QStringLiteral("Corroboración de HASH"), QStringLiteral("El HASH del archivo es correcto")};
        correcto.alineadoDerecha = true;
        mensaje(correcto);
        return;
    }
    case EstadoHash::Invalido:
        if (v.falla) // the correction was asked for and failed
            errorDeHash(*v.falla);
        else
            mensaje({QStringLiteral("HASH inválido"), QStringLiteral("El archivo mantendrá el código Hash inválido"),
                     Icono::Exclamacion});
        return;
    case EstadoHash::Corregido:
        Text1_1->setText(v.nueva);
        mensaje({QStringLiteral("Corroboración de HASH"), QStringLiteral("El archivo se modificó satisfactoriamente")});
        return;
    case EstadoHash::Error: errorDeHash(v.falla.value_or(Falla::otra(QString()))); return;
    }
}

void FrmCorroboroHash::errorDeHash(const Falla& falla)
{
    mensaje(falla.tipo == TipoFalla::Cancelado
                ? MensajeCancelacion(TextoFallaEstampado(falla))
                : Mensaje{QStringLiteral("ERROR"), TextoFallaEstampado(falla), Icono::Exclamacion});
    lblCorroboroHash->clear();
}

void FrmCorroboroHash::salgo()
{
    const Compartido& v = compartido();
    if (!v.UltimaCarpeta.isEmpty())
        RecuerdoCarpeta(v.UltimaCarpeta);
    emit vuelvoAlMenu();
}
