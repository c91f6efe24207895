#include "app/pantallas/frminicio.h"

#include "app/instance/instancia.h"
#include "app/pantallas/ayuda.h"
#include "app/pantallas/frmacercade.h"
#include "compress/pantallas/frmcompriarchmulti.h"
#include "config/pantallas/compartido.h"
#include "config/ubicacion_ini.h"
#include "delivery/pantallas/frmcomprobacioncarpeta.h"
#include "hash/pantallas/frmagregohash.h"
#include "hash/pantallas/frmcorroborohash.h"
#include "join/pantallas/unir.h"
#include "partition/pantallas/cortar.h"
#include "server/pantallas/frmcnx.h"
#include "system/pantallas/contexto.h"
#include "system/pantallas/pantalla.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QShortcut>

FrmInicio::FrmInicio(Contexto& contexto, std::unique_ptr<Portada> portada)
    : ctx_(contexto), portada_(std::move(portada))
{
    if (!portada_)
        portada_ = std::make_unique<Portada>(TamanoPortada());
    setObjectName(QStringLiteral("FrmInicio"));
    setWindowTitle(QStringLiteral("Utilitario para Intercambio de Información"));
    auto* centro = new QWidget(this);
    setCentralWidget(centro);
    centro->setFixedSize(Tw(9600), Tw(5400));
    picture1_ = new QLabel(centro);
    picture1_->setObjectName(QStringLiteral("Picture1"));
    picture1_->setGeometry(QRect(QPoint(0, 0), TamanoPortada()));
    lblAmbiente = new QLabel(centro);
    lblAmbiente->setObjectName(QStringLiteral("lblAmbiente"));
    lblAmbiente->setGeometry(Tw(120), Tw(3650), Tw(9360), Tw(1650));
    lblAmbiente->setAlignment(Qt::AlignCenter);
    lblAmbiente->setWordWrap(true);
    PongoColor(lblAmbiente, QColor(0xc0, 0x00, 0x00));

    auto accion = [this](QMenu* menu, const char* nombre, const QString& texto, void (FrmInicio::*f)()) {
        QAction* a = menu->addAction(texto);
        a->setObjectName(QString::fromLatin1(nombre));
        connect(a, &QAction::triggered, this, f);
        return a;
    };
    QMenu* gestArch = menuBar()->addMenu(QStringLiteral("&Gestión de Archivos"));
    gestArch->setObjectName(QStringLiteral("GestArch"));
    QMenu* oasc = gestArch->addMenu(QStringLiteral("&Operar con Archivos sin Comprimir"));
    oasc->setObjectName(QStringLiteral("OASC"));
    accion(oasc, "CoArPrPaPu", QStringLiteral("Com&primir Archivos y Preparar Para Publicar"),
           &FrmInicio::CoArPrPaPu_Click);
    QMenu* oac = gestArch->addMenu(QStringLiteral("Operar con &Archivos ya Comprimidos"));
    oac->setObjectName(QStringLiteral("OAC"));
    accion(oac, "Chash", QStringLiteral("Generar Código& Hash"), &FrmInicio::Chash_Click);
    accion(oac, "Part", QStringLiteral("&Generar Particiones"), &FrmInicio::Part_Click);
    accion(oac, "uni", QStringLiteral("&Unir Particiones"), &FrmInicio::uni_Click);
    accion(oac, "CompHash", QStringLiteral("Compro&bación de Hash"), &FrmInicio::CompHash_Click);
    accion(oac, "CompCarpeta", QStringLiteral("Comprobación de &Carpeta"), &FrmInicio::CompCarpeta_Click);
    accion(gestArch, "Sal", QStringLiteral("&Salir"), &FrmInicio::Sal_Click);
    QMenu* menuAyuda = menuBar()->addMenu(QStringLiteral("Ay&uda"));
    menuAyuda->setObjectName(QStringLiteral("Ayuda"));
    accion(menuAyuda, "Acerca", QStringLiteral("Acerca de..."), &FrmInicio::Acerca_Click);
    QAction* ayu = accion(menuAyuda, "Ayu", QStringLiteral("Ayuda"), &FrmInicio::Ayu_Click);
    ayu->setShortcut(QKeySequence(Qt::Key_F1));
    ayu->setShortcutContext(Qt::WindowShortcut);

    // A fixed size: maximised, the menu would be a small panel in a grey field.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
}

QSize FrmInicio::TamanoPortada() { return {Tw(9600), Tw(3600)}; }

void FrmInicio::showEvent(QShowEvent* evento)
{
    if (portada_) {
        picture1_->setPixmap(portada_->imagen());
        portada_.reset();
    }
    QMainWindow::showEvent(evento);
}

void FrmInicio::instaloF1(QWidget* ventana)
{
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), ventana);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this,
            [this, ventana] { muestroAyuda(SeccionAyuda(ventana->objectName()), ventana); });
}

FrmInicio::~FrmInicio()
{
    // The screens are top-level windows of their own.
    delete agregoHash;
    delete corroboroHash;
    delete comprobacionCarpeta;
    delete cortar;
    delete unir;
    delete compriArchMulti;
    delete acercaDe;
    delete ayuda;
}

void FrmInicio::Form_Load()
{
    // The INI file is read, and the service asked, before anything is on
    // screen: the answer comes while the menu is laid out and while the boxes
    // before the query wait for the operator.
    const UbicacionIni ubicacion = UbicoIni(ctx_.carpetaAplicacion);
    const Configuracion c = CargoConfiguracion(ubicacion);
    AplicoConfiguracion(c);
    // A new installation names no service yet: nothing to ask.
    const bool sinServicio = c.existe && c.ilegible.isEmpty() && c.urlServicio.isEmpty();
    std::unique_ptr<ConsultaEnCurso> consulta;
    if (c.ilegible.isEmpty() && !sinServicio)
        consulta = FrmCnx::Anticipo(ctx_);
    // Placed first, so the start-up boxes open over the menu.
    adjustSize();
    centroFormulario(this);
    if (!ctx_.esAdministrador())
        ctx_.dialogos.mensaje(
            this,
            {TituloAplicacion(),
             QStringLiteral(
                 "Se ha detectado que está ingresando a este sistema con un usuario que no es administrador ")
                 + QStringLiteral(
                     "de este equipo. Lamentablemente en estas condiciones no podrá generar particiones ni unirlas. ")
                 + QStringLiteral("Sí podrá generar código hash de un archivo sin particionar."),
             Icono::Exclamacion});
    archivoAyuda = UbicoAyuda(ctx_.carpetaAplicacion);
    if (!c.existe)
        ctx_.dialogos.mensaje(
            this,
            {QStringLiteral("No se encuentra archivo"),
             QStringLiteral(
                 "No se encuentra el archivo TERV.ini, reinstale el Aplicativo descargandolo nuevamente de la página"),
             Icono::Exclamacion});
    if (!c.ilegible.isEmpty()) {
        // The query would only fail for want of a URL: say what is really wrong.
        const QString texto = QStringLiteral("No se puede leer el archivo TERV.ini: ") + c.ilegible;
        ctx_.dialogos.mensaje(this, {QStringLiteral("No se puede leer el archivo"), texto, Icono::Exclamacion});
        muestroAmbiente(c);
        lblAmbiente->setText(texto);
        return;
    }
    muestroAmbiente(c);
    if (sinServicio) {
        ctx_.dialogos.mensaje(
            this, {QStringLiteral("Servicio sin configurar"), TextoSinServicio(ubicacion), Icono::Informacion});
        if (c.ambiente == Ambiente::Invalido)
            lblAmbiente->setText(QStringLiteral("Servicio sin configurar: vea AMBIENTE y URL en TERV.ini"));
        return;
    }
    FrmCnx cnx(ctx_);
    cnx.inicio(std::move(consulta));
}

void FrmInicio::muestroAmbiente(const Configuracion& c)
{
    // "MS Sans Serif" of the design is this platform's interface font: asking
    // for a family that is not installed costs a font-substitution search.
    QFont f = QApplication::font();
    f.setBold(true);
    switch (c.ambiente) {
    case Ambiente::Prueba:
        f.setPointSizeF(f.pointSizeF() * 48.75 / 8); // in proportion to the interface font
        lblAmbiente->setText(c.entorno);
        lblAmbiente->setVisible(true);
        break;
    case Ambiente::Produccion: lblAmbiente->setVisible(false); break;
    case Ambiente::Invalido:
        f.setPointSizeF(f.pointSizeF() * 12 / 8);
        lblAmbiente->setText(QStringLiteral(
            "No se encuentra archivo TERV.ini, reinstale el Aplicativo descargandolo nuevamente de la página"));
        lblAmbiente->setVisible(true);
        break;
    }
    lblAmbiente->setFont(f);
    // Without a banner the menu ends with its cover.
    centralWidget()->setFixedHeight(lblAmbiente->isVisibleTo(this) ? Tw(5400) : TamanoPortada().height());
    adjustSize();
    centroFormulario(this);
}

template <class T>
void FrmInicio::abro(QPointer<T>& pantalla, bool descargarAlVolver)
{
    hide();
    if (!pantalla) {
        pantalla = new T(ctx_);
        instaloF1(pantalla);
        connect(pantalla.data(), &T::vuelvoAlMenu, this, [this, p = pantalla.data(), descargarAlVolver] {
            p->hide();
            if (descargarAlVolver)
                p->deleteLater();
            show();
            raise();
            activateWindow();
        });
    }
    pantalla->show();
    pantalla->raise();
    pantalla->activateWindow();
}

void FrmInicio::Chash_Click()
{
    if (compartido().TamanoMaximoMB == 0)
        ctx_.dialogos.mensaje(
            this,
            {TituloAplicacion(),
             QStringLiteral("No se pudo recuperar el tamaño máximo para definir si un archivo se debe particionar.\r\n")
                 + QStringLiteral(
                     "Si está seguro que su archivo se encuentra dentro del tamaño permitido, entonces puede\r\n")
                 + QStringLiteral("proceder a generar el código hash y publicarlo sin particionar"),
             Icono::Ninguno});
    abro(agregoHash, true);
}

void FrmInicio::Part_Click()
{
    if (compartido().TamanoMaximoMB == 0) {
        ctx_.dialogos.mensaje(
            this,
            {QStringLiteral("Imposibilidad de Particionar"),
             QStringLiteral("No se pudo recuperar el tamaño máximo para definir si un archivo se debe particionar,\r\n")
                 + QStringLiteral("por lo que esta opción queda momentáneamente deshabilitada."),
             Icono::Informacion});
        return;
    }
    abro(cortar, false);
}

void FrmInicio::uni_Click() { abro(unir, true); }
void FrmInicio::CompHash_Click() { abro(corroboroHash, true); }
void FrmInicio::CompCarpeta_Click()
{
    // Kept when left, so that the check is still there after joining one of its sets.
    const bool nueva = !comprobacionCarpeta;
    abro(comprobacionCarpeta, false);
    if (!nueva)
        return;
    connect(comprobacionCarpeta.data(), &FrmComprobacionCarpeta::abroUnion, this, [this](const QString& particion) {
        comprobacionCarpeta->hide();
        uni_Click();
        unir->abroCon(particion);
    });
}

void FrmInicio::CoArPrPaPu_Click() { abro(compriArchMulti, true); }

void FrmInicio::Sal_Click()
{
    const Respuesta r =
        ctx_.dialogos.mensaje(this,
                              {QStringLiteral("Atención"), QStringLiteral("Realmente desea Salir de la aplicación?"),
                               Icono::Pregunta, Botones::SiNo, Respuesta::No});
    if (r == Respuesta::Si) {
        hide();
        QApplication::exit(0);
    }
}

void FrmInicio::Acerca_Click()
{
    if (!acercaDe) {
        acercaDe = new FrmAcercaDe(this);
        instaloF1(acercaDe);
    }
    acercaDe->show();
    acercaDe->raise();
}

void FrmInicio::Ayu_Click() { muestroAyuda(QString(), this); }

void FrmInicio::muestroAyuda(const QString& seccion, QWidget* sobre)
{
    if (!ayuda)
        ayuda = new VisorAyuda(ctx_.dialogos);
    ayuda->abro(archivoAyuda, seccion, sobre);
}

bool FrmInicio::abroArchivos(const Pedido& pedido)
{
    const Apertura como = ElijoPantalla(pedido);
    const QList<std::pair<PantallaTrabajo*, bool>> pantallas{{agregoHash, como == Apertura::Sellar},
                                                             {corroboroHash, como == Apertura::Comprobar},
                                                             {cortar, false},
                                                             {unir, como == Apertura::Unir},
                                                             {compriArchMulti, como == Apertura::Comprimir},
                                                             {comprobacionCarpeta, false}};
    // A run in progress is never interrupted: the request waits for it.
    for (const auto& [p, destino] : pantallas)
        if (p && p->ocupado())
            return false;
    // One working screen at a time: another one on screen is left as its own
    // Salir leaves it.
    for (const auto& [p, destino] : pantallas) {
        if (!p || !p->isVisible())
            continue;
        if (destino || como == Apertura::Segun) {
            p->raise();
            p->activateWindow();
            if (!destino)
                return true;
        } else {
            p->close();
        }
    }
    const QString primera = pedido.rutas.value(0);
    switch (como) {
    case Apertura::Segun:
        show();
        raise();
        activateWindow();
        break;
    case Apertura::Sellar:
        Chash_Click();
        if (!primera.isEmpty())
            agregoHash->eligoArchivo(primera);
        break;
    case Apertura::Comprobar:
        CompHash_Click();
        if (!primera.isEmpty())
            corroboroHash->eligoArchivo(primera);
        break;
    case Apertura::Unir:
        uni_Click();
        unir->abroCon(primera);
        break;
    case Apertura::Comprimir:
        CoArPrPaPu_Click();
        if (!pedido.rutas.isEmpty())
            compriArchMulti->agregoRutas(pedido.rutas);
        break;
    }
    return true;
}
