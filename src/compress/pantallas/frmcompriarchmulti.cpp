#include "compress/pantallas/frmcompriarchmulti.h"

#include "config/pantallas/compartido.h"
#include "partition/pantallas/frmpartarcmult.h"
#include "partition/pantallas/mensajes_particion.h"
#include "system/archivos.h"
#include "system/pantallas/pantalla.h"
#include "system/trabajo.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>

namespace {

QString textoAyudaRapida()
{
    return QStringLiteral(
               "Luego de generar el archivo comprimido, se revisará el tamaño del mismo contra el límite establecido "
               "para generar particiones. Si se supera dicho límite, se ofrecerá la opción de generar automáticamente "
               "las particiones correspondientes, y con el formato especificado para publicación de archivos "
               "particionados en el sistema de Intercambio.")
        + QString(38, QLatin1Char(' '))
        + QStringLiteral(
               "El límite de particionado se puede reducir a voluntad, pero no debe superar el valor que aparece al "
               "ingresar a esta opción.");
}

Mensaje aviso(const QString& texto) { return {TituloAplicacion(), texto, Icono::Exclamacion}; }

} // namespace

FrmCompriArchMulti::FrmCompriArchMulti(Contexto& contexto) : PantallaTrabajo(contexto)
{
    setObjectName(QStringLiteral("frmCompriArchMulti"));
    setWindowTitle(QStringLiteral("Comprimir Archivos y Preparar para Publicar"));
    setFixedSize(Tw(9000), Tw(7200));
    QGroupBox* frmArchComp = Marco(this, "frmArchComp", QStringLiteral("Archivos a comprimir"), 120, 120, 8760, 3000);
    QLabel* label1 = Etiqueta(frmArchComp, "Label1", QStringLiteral("U&bicación:"), 120, 300, 1500, 255);
    lstFiles = new QListWidget(frmArchComp);
    lstFiles->setObjectName(QStringLiteral("lstFiles"));
    label1->setBuddy(lstFiles);
    lstFiles->setAccessibleName(QStringLiteral("Archivos a comprimir")); // a list is not named by its label
    lstFiles->setGeometry(Tw(120), Tw(560), Tw(6600), Tw(2300));
    lstFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    cmdAddFiles = Boton(frmArchComp, "cmdAddFiles", QStringLiteral("Agregar Archivos"), 6840, 560, 1800, 400);
    cmdDelete = Boton(frmArchComp, "cmdDelete", QStringLiteral("Eliminar Selección"), 6840, 1060, 1800, 400);
    cmdClear = Boton(frmArchComp, "cmdClear", QStringLiteral("Eliminar Todo"), 6840, 1560, 1800, 400);
    QGroupBox* frame2 = Marco(this, "Frame2", QStringLiteral("Nombre del Archivo a publicar"), 120, 3240, 8760, 1300);
    chkAgregarFyV = new QCheckBox(QStringLiteral("Agregar &fecha y Versión (recomendado)"), frame2);
    chkAgregarFyV->setObjectName(QStringLiteral("chkAgregarFyV"));
    chkAgregarFyV->setGeometry(Tw(120), Tw(300), Tw(5000), Tw(300));
    txtNombArc = Caja(frame2, "txtNombArc", 120, 700, 7200, 330, false);
    txtNombArc->setAccessibleName(QStringLiteral("Nombre del Archivo a publicar"));
    Etiqueta(frame2, "Label2", QStringLiteral(".zip"), 7400, 750, 600, 255);
    chkAgregarFyV->setEnabled(false);
    txtNombArc->setEnabled(false);
    QLabel* lblLey1 =
        Etiqueta(this, "lblLey1", QStringLiteral("Si el archivo de Compresión generado supera el &limite de"), 240,
                 4700, 5400, 255);
    txtMB = Caja(this, "txtMB", 5700, 4640, 800, 330, false);
    lblLey1->setBuddy(txtMB);
    txtMB->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,9}([.,]\\d{0,6})?")), txtMB));
    txtMB->installEventFilter(this);
    Etiqueta(this, "lblley2", QStringLiteral("MB, se ofrecerá la opción de generar particiones correspondientes."), 240,
             5040, 8400, 255);
    lblMensaje = Etiqueta(this, "lblMensaje", QString(), 240, 5520, 8400, 500);
    QFont negrita = lblMensaje->font();
    negrita.setBold(true);
    lblMensaje->setFont(negrita);
    lblMensaje->hide();
    // The wait text has the progress beside it; "Cancelar" takes the bar's right end.
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(Tw(240), Tw(6000), Tw(8400), Tw(330));
    ProgressBar1->hide();
    auto* picture2 = new QLabel(this);
    picture2->setObjectName(QStringLiteral("Picture2"));
    picture2->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(Tw(360), Tw(360)));
    picture2->setGeometry(Tw(240), Tw(6500), Tw(360), Tw(360));
    picture2->installEventFilter(this);
    cmdProcesar = Boton(this, "cmdProcesar", QStringLiteral("&Procesar"), 5400, 6420, 1600, 450);
    cmdProcesar->setEnabled(false);
    cmdVolver = Boton(this, "cmdVolver", QStringLiteral("&Volver"), 7200, 6420, 1600, 450);
    FmeAyudaRapida = Marco(this, "FmeAyudaRapida", QStringLiteral("Ayuda Rápida"), 120, 3240, 8760, 3000);
    Etiqueta(FmeAyudaRapida, "Label11", textoAyudaRapida(), 120, 300, 8500, 2600)->setWordWrap(true);
    FmeAyudaRapida->setAutoFillBackground(true);
    FmeAyudaRapida->hide();
    bloqueables_ = {cmdAddFiles, cmdDelete,   cmdClear,  chkAgregarFyV, txtNombArc,
                    txtMB,       cmdProcesar, cmdVolver, lstFiles};

    connect(cmdAddFiles, &QPushButton::clicked, this, &FrmCompriArchMulti::cmdAddFiles_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &FrmCompriArchMulti::cmdDelete_Click);
    connect(cmdClear, &QPushButton::clicked, this, &FrmCompriArchMulti::cmdClear_Click);
    connect(cmdProcesar, &QPushButton::clicked, this, &FrmCompriArchMulti::cmdProcesar_Click);
    connect(cmdVolver, &QPushButton::clicked, this, &FrmCompriArchMulti::cmdVolver_Click);
    connect(txtNombArc, &QLineEdit::textChanged, this,
            [this](const QString& t) { cmdProcesar->setEnabled(!t.isEmpty()); });
    connect(chkAgregarFyV, &QCheckBox::toggled, this, &FrmCompriArchMulti::chkAgregarFyV_Click);
    partidor_ = new FrmPartArcMult(this);

    // Form_Load.
    const qint32 maximo = compartido().TamanoMaximoMB;
    txtMB->setText(maximo != 0 ? QString::number(maximo) : QStringLiteral("50"));
    cmdAddFiles->setText(QStringLiteral("&Agregar archivos"));
    cmdDelete->setText(QStringLiteral("&Eliminar selección"));
    cmdClear->setText(QStringLiteral("Eliminar &todo"));
    centroFormulario(this);
}

bool FrmCompriArchMulti::eventFilter(QObject* objeto, QEvent* evento)
{
    if (objeto == txtMB) {
        if (evento->type() == QEvent::FocusOut && !ocupado())
            txtMB_LostFocus();
    } else if (evento->type() == QEvent::Enter) {
        FmeAyudaRapida->show();
    } else if (evento->type() == QEvent::Leave) {
        FmeAyudaRapida->hide();
    }
    return PantallaTrabajo::eventFilter(objeto, evento);
}

void FrmCompriArchMulti::chkAgregarFyV_Click(bool marcado)
{
    if (marcado) {
        NombreSinFecha = txtNombArc->text();
        QString nombre = NombreSinFecha;
        compartido().SufijoFechaVersion = AgregoFechayVersion(nombre, ctx_.reloj.hoy());
        txtNombArc->setText(nombre);
    } else if (!txtNombArc->text().isEmpty()) {
        txtNombArc->setText(NombreSinFecha);
    }
}

bool FrmCompriArchMulti::txtMB_LostFocus()
{
    const qint32 maximo = compartido().TamanoMaximoMB;
    const QString reinicio = maximo != 0 ? QString::number(maximo) : QStringLiteral("50");
    auto rechazo = [&](const QString& texto) {
        mensaje(aviso(texto));
        txtMB->setText(reinicio);
        txtMB->setFocus();
        return false;
    };
    if (txtMB->text().isEmpty())
        return rechazo(QStringLiteral("Debe ingresar algún valor"));
    // Either decimal separator, whatever the system's language.
    const double valor = QString(txtMB->text()).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    const qint64 tope = maximo != 0 ? maximo : qint64(kMegasMaximos);
    if (valor > double(tope))
        return rechazo(QStringLiteral("El valor máximo no puede superar los ") + QString::number(tope)
                       + QStringLiteral(" MB"));
    if (!LeoMegas(txtMB->text()))
        return rechazo(QStringLiteral("El valor no puede ser 0"));
    return true;
}

void FrmCompriArchMulti::cmdAddFiles_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    lblMensaje->hide();
    const QStringList rutas = ctx_.dialogos.abroArchivos(this, QStringLiteral("Agregar archivos"), QString(),
                                                         QStringLiteral("Todos los Archivos (*)"));
    if (!rutas.isEmpty())
        AgregoArchivos(rutas);
}

void FrmCompriArchMulti::agregoRutas(const QStringList& rutas)
{
    const auto turno = tomoTurno();
    if (!turno || rutas.isEmpty())
        return;
    lblMensaje->hide();
    AgregoArchivos(rutas);
}

void FrmCompriArchMulti::AgregoArchivos(const QStringList& rutas)
{
    const Agregado a = ::AgregoArchivos(Lista, rutas);
    if (a.cambioCarpeta) {
        chkAgregarFyV->setEnabled(true);
        txtNombArc->setEnabled(true);
        CarpetaArchivos = a.carpeta;
        txtNombArc->setText(a.nombre);
    }
    CargoListaArchivos();
}

void FrmCompriArchMulti::CargoListaArchivos()
{
    ListoNombres(lstFiles, Lista.entradas());
    if (Lista.isEmpty()) {
        chkAgregarFyV->setChecked(false);
        chkAgregarFyV->setEnabled(false);
        txtNombArc->clear();
        txtNombArc->setEnabled(false);
    } else {
        lstFiles->setCurrentRow(0);
        lstFiles->setFocus();
    }
}

void FrmCompriArchMulti::cmdDelete_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    lblMensaje->hide();
    for (const QListWidgetItem* i : lstFiles->selectedItems())
        Lista.quito(i->text());
    CargoListaArchivos();
}

void FrmCompriArchMulti::cmdClear_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    lblMensaje->hide();
    Lista.vacio();
    CargoListaArchivos();
}

void FrmCompriArchMulti::estado(const QString& texto, const QColor& color)
{
    lblMensaje->setText(texto);
    PongoColor(lblMensaje, color);
    lblMensaje->show();
}

void FrmCompriArchMulti::cmdProcesar_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    if (!txtMB_LostFocus())
        return;
    const QString Nombre = txtNombArc->text().trimmed();
    if (Nombre.isEmpty() || Lista.isEmpty())
        return;
    const qint64 limite = MegasABytes(*LeoMegas(txtMB->text()));
    estado(QStringLiteral("Armando Archivo... Por Favor espere..."), ColorRojo());
    const ResultadoCompresion r = ComprimoArchivosMulti(Nombre, limite);
    muestroDesenlace(r);
}

ResultadoCompresion FrmCompriArchMulti::ComprimoArchivosMulti(const QString& Nombre, qint64 limite)
{
    Progreso progreso;
    PlanCompresion plan;
    plan.rutas = Lista.entradas();
    plan.nombre = Nombre;
    plan.limite = limite;
    plan.carpeta = CarpetaArchivos;
    plan.alComprimir = alComprimir;
    // The answers are asked on the interface thread while the job waits.
    const QString megas = txtMB->text();
    plan.particiono = [this, megas, &progreso](qint64) {
        const Respuesta r =
            preguntoDesdeTrabajo({QStringLiteral("Atención"),
                                  QStringLiteral("El tamaño del/los archivos comprimidos supera el máximo permitido (")
                                      + megas + QStringLiteral("MB). Desea Particionar el archivo?"),
                                  Icono::Pregunta, Botones::SiNo, Respuesta::No});
        if (r != Respuesta::Si)
            return false;
        LlamoYEspero(this, [&] { partidor_->CargoFormulario(&progreso); });
        return true;
    };
    plan.confirmo = [this](const PlanParticion& p) {
        bool acepto = false;
        LlamoYEspero(this, [&] {
            acepto = ctx_.dialogos.mensaje(partidor_, MensajeConfirmacion(p)) == Respuesta::Aceptar;
            if (!acepto)
                partidor_->VuelvoACompresion();
        });
        return acepto;
    };
    plan.reemplazo = [this](const QString& existente) {
        return preguntoDesdeTrabajo({TituloAplicacion(),
                                     QStringLiteral("Ya existe el archivo ") + existente
                                         + QStringLiteral(". ¿Desea reemplazarlo por el archivo comprimido nuevo?"),
                                     Icono::Pregunta, Botones::SiNo, Respuesta::No})
            == Respuesta::Si;
    };
    ProgressBar1->show();
    ResultadoCompresion r;
    {
        CursorOcupado ocupado;
        r = ejecuto([&] { return ::ComprimoArchivosMulti(plan, &progreso); }, progreso, ProgressBar1,
                    [this] { partidor_->muestroAvance(); });
    }
    ProgressBar1->hide();
    return r;
}

void FrmCompriArchMulti::muestroDesenlace(const ResultadoCompresion& r)
{
    const bool enParticion = partidor_->isVisible();
    switch (r.desenlace) {
    case Desenlace::Sellado:
        mensaje({TituloAplicacion(), QStringLiteral("Archivo armado exitosamente")});
        estado(QStringLiteral("Archivo armado exitosamente"), ColorVerde());
        return;
    case Desenlace::Particionado:
        ctx_.dialogos.mensaje(partidor_, MensajeParticionesGeneradas());
        partidor_->termino();
        estado(QStringLiteral("Particiones generadas con Éxito"), ColorVerde());
        return;
    case Desenlace::Entero:
        partidor_->termino();
        if (!r.aviso.isEmpty())
            mensaje({TituloAplicacion(), r.aviso, Icono::Informacion});
        estado(r.demasiadas ? QStringLiteral("Archivo armado sin particionar")
                            : QStringLiteral("Generación de particiones cancelada por el usuario"),
               ColorRojo());
        return;
    case Desenlace::Rechazado:
        lblMensaje->hide();
        mensaje(aviso(r.falla.descripcion));
        return;
    case Desenlace::Cancelado:
        partidor_->termino();
        estado(enParticion || r.alConfirmar ? QStringLiteral("Generación de particiones cancelada por el usuario")
                                            : r.falla.descripcion,
               ColorRojo());
        return;
    case Desenlace::Fallido:
        if (enParticion) {
            ctx_.dialogos.mensaje(partidor_, ManejoErrores(r.falla));
            partidor_->termino();
            estado(QStringLiteral("Error al armar el Archivo"), ColorRojo());
            return;
        }
        fallaArmado(r.falla.descripcion);
        return;
    }
}

void FrmCompriArchMulti::fallaArmado(const QString& causa)
{
    estado(QStringLiteral("Error al armar el Archivo"), ColorRojo());
    mensaje({TituloAplicacion(), causa, Icono::Critico});
}

void FrmCompriArchMulti::cmdVolver_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    const Compartido& v = compartido();
    if (!v.UltimaCarpeta.isEmpty())
        RecuerdoCarpeta(v.UltimaCarpeta);
    emit vuelvoAlMenu();
}
