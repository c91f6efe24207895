#include "delivery/pantallas/frmcomprobacioncarpeta.h"

#include "config/pantallas/compartido.h"
#include "system/archivos.h"
#include "system/pantallas/pantalla.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTreeView>

namespace {

enum Columna { ColNombre, ColCarpeta, ColTamano, ColHashNombre, ColHashContenido, ColEstado, ColDetalle, Columnas };
constexpr int RolFila = Qt::UserRole;      // index of the row in the check, -1 for a set
constexpr int RolJuego = Qt::UserRole + 1; // index of its partition set, -1: none

QColor colorDe(EstadoFila e)
{
    switch (e) {
    case EstadoFila::Correcto:
    case EstadoFila::Corregido: return ColorVerde();
    case EstadoFila::Incorrecto:
    case EstadoFila::Error: return ColorRojo();
    case EstadoFila::SinFormato: return QColor(0x99, 0x66, 0x00);
    }
    return {};
}

QStandardItem* celda(const QString& texto)
{
    auto* i = new QStandardItem(texto);
    i->setEditable(false);
    return i;
}

QStringList rutasSoltadas(const QMimeData* datos)
{
    QStringList rutas;
    if (datos)
        for (const QUrl& u : datos->urls())
            if (u.isLocalFile())
                rutas << u.toLocalFile();
    return rutas;
}

} // namespace

FrmComprobacionCarpeta::FrmComprobacionCarpeta(Contexto& contexto) : PantallaTrabajo(contexto)
{
    setObjectName(QStringLiteral("frmComprobacionCarpeta"));
    setWindowTitle(QStringLiteral("Comprobación de Carpeta"));
    // A table of any length: the window takes what the screen allows.
    setMinimumSize(Tw(10400), Tw(5400));
    resize(Tw(14400), Tw(8400));
    QGroupBox* marco = Marco(
        this, "Frame1", QStringLiteral("Elija la carpeta o los archivos que quiere comprobar (o arrástrelos aquí):"),
        120, 120, 14160, 1080);
    cmdCarpeta = Boton(marco, "cmdCarpeta", QStringLiteral("Seleccione la &carpeta"), 120, 300, 2400, 375);
    cmdArchivos = Boton(marco, "cmdArchivos", QStringLiteral("Seleccione &archivos"), 2640, 300, 2400, 375);
    chkSubcarpetas = new QCheckBox(QStringLiteral("Incluir &subcarpetas"), marco);
    chkSubcarpetas->setObjectName(QStringLiteral("chkSubcarpetas"));
    chkSubcarpetas->setGeometry(Tw(5280), Tw(300), Tw(2400), Tw(375));
    cmdComprobar = Boton(marco, "cmdComprobar", QStringLiteral("C&omprobar"), 11640, 300, 2400, 375);
    txtOrigen = Caja(marco, "txtOrigen", 120, 720, 13920, 300, true);
    txtOrigen->setAccessibleName(QStringLiteral("Carpeta o archivos a comprobar"));

    QLabel* lblFiltro = Etiqueta(this, "lblFiltro", QStringLiteral("&Mostrar:"), 120, 1340, 900, 255);
    cboEstado = new QComboBox(this);
    lblFiltro->setBuddy(cboEstado);
    cboEstado->setAccessibleName(QStringLiteral("Mostrar"));
    cboEstado->setObjectName(QStringLiteral("cboEstado"));
    cboEstado->setGeometry(Tw(1020), Tw(1280), Tw(2400), Tw(360));
    cboEstado->addItem(QStringLiteral("Todos"));
    for (EstadoFila e : {EstadoFila::Correcto, EstadoFila::Incorrecto, EstadoFila::SinFormato, EstadoFila::Error,
                         EstadoFila::Corregido})
        cboEstado->addItem(TextoEstado(e));

    modelo = new QStandardItemModel(0, Columnas, this);
    modelo->setHorizontalHeaderLabels({QStringLiteral("Nombre"), QStringLiteral("Carpeta"), QStringLiteral("Tamaño"),
                                       QStringLiteral("Hash en el nombre"), QStringLiteral("Hash del contenido"),
                                       QStringLiteral("Estado"), QStringLiteral("Detalle")});
    filtro = new QSortFilterProxyModel(this);
    filtro->setSourceModel(modelo);
    filtro->setFilterKeyColumn(ColEstado);
    filtro->setRecursiveFilteringEnabled(true); // a set stays while one of its partitions is shown
    filtro->setSortRole(Qt::DisplayRole);
    tblArchivos = new QTreeView(this);
    tblArchivos->setObjectName(QStringLiteral("tblArchivos"));
    tblArchivos->setAccessibleName(QStringLiteral("Archivos comprobados"));
    tblArchivos->setGeometry(Tw(120), Tw(1740), Tw(14160), Tw(5040));
    tblArchivos->setModel(filtro);
    tblArchivos->setLocale(QLocale(QLocale::Spanish, QLocale::Argentina)); // sizes with thousands separators
    tblArchivos->setTextElideMode(Qt::ElideMiddle);                        // a set's names differ at their end
    tblArchivos->setRootIsDecorated(true);
    tblArchivos->setUniformRowHeights(true); // keeps 10,000 rows cheap
    tblArchivos->setSortingEnabled(true);
    tblArchivos->sortByColumn(-1, Qt::AscendingOrder); // walking order until the operator sorts
    tblArchivos->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblArchivos->header()->setStretchLastSection(true);
    for (auto [col, ancho] : {std::pair{ColNombre, 260},
                              {ColCarpeta, 90},
                              {ColTamano, 80},
                              {ColHashNombre, 160},
                              {ColHashContenido, 160},
                              {ColEstado, 80}})
        tblArchivos->setColumnWidth(col, ancho);

    lblResumen = Etiqueta(this, "lblResumen", QString(), 120, 6870, 14160, 255);
    barra = new QProgressBar(this);
    barra->setObjectName(QStringLiteral("barra"));
    barra->setGeometry(Tw(120), Tw(7200), Tw(14160), Tw(300));
    barra->setValue(0);
    cmdCorregir = Boton(this, "cmdCorregir", QStringLiteral("Co&rregir nombres"), 120, 7800, 2400, 375);
    cmdGuardar = Boton(this, "cmdGuardar", QStringLiteral("&Guardar informe"), 2640, 7800, 2400, 375);
    cmdUnir = Boton(this, "cmdUnir", QStringLiteral("&Unir"), 5160, 7800, 2400, 375);
    cmdSalir = Boton(this, "cmdSalir", QStringLiteral("Sa&lir"), 12480, 7800, 1800, 375);
    bloqueables_ = {cmdCarpeta, cmdArchivos, chkSubcarpetas, cmdComprobar, cmdCorregir, cmdGuardar, cmdUnir, cmdSalir};

    connect(cmdCarpeta, &QPushButton::clicked, this, [this] { cmdCarpeta_Click(); });
    connect(cmdArchivos, &QPushButton::clicked, this, [this] { cmdArchivos_Click(); });
    connect(cmdComprobar, &QPushButton::clicked, this, [this] { cmdComprobar_Click(); });
    connect(cmdCorregir, &QPushButton::clicked, this, [this] {
        cmdCorregir_Click();
        actualizoBotones(); // once the controls are released
    });
    connect(cmdGuardar, &QPushButton::clicked, this, [this] {
        cmdGuardar_Click();
        actualizoBotones(); // once the controls are released
    });
    connect(cmdUnir, &QPushButton::clicked, this, [this] {
        cmdUnir_Click();
        actualizoBotones(); // once the controls are released
    });
    connect(cmdSalir, &QPushButton::clicked, this, [this] { salgo(); });
    connect(cboEstado, &QComboBox::currentIndexChanged, this, [this] { cboEstado_Change(); });
    connect(tblArchivos->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { actualizoBotones(); });
    setAcceptDrops(true);
    actualizoBotones();
    centroFormulario(this);
}

void FrmComprobacionCarpeta::resizeEvent(QResizeEvent* e)
{
    PantallaTrabajo::resizeEvent(e);
    // The table takes what the window gains; the rows around it follow its edges.
    const int ancho = width() - Tw(240);
    const int abajo = height();
    auto* marco = findChild<QWidget*>(QStringLiteral("Frame1"));
    marco->resize(ancho, marco->height());
    cmdComprobar->move(ancho - Tw(2520), cmdComprobar->y());
    txtOrigen->resize(ancho - Tw(240), txtOrigen->height());
    tblArchivos->setGeometry(Tw(120), Tw(1740), ancho, abajo - Tw(1740) - Tw(1620));
    lblResumen->setGeometry(Tw(120), abajo - Tw(1530), ancho, lblResumen->height());
    if (!ocupado()) // a run's "Cancelar" sits at the bar's end
        barra->setGeometry(Tw(120), abajo - Tw(1200), ancho, barra->height());
    for (QWidget* b :
         {static_cast<QWidget*>(cmdCorregir), static_cast<QWidget*>(cmdGuardar), static_cast<QWidget*>(cmdUnir)})
        b->move(b->x(), abajo - Tw(600));
    cmdSalir->move(width() - Tw(1920), abajo - Tw(600));
}

void FrmComprobacionCarpeta::dragEnterEvent(QDragEnterEvent* e)
{
    if (!ocupado() && !rutasSoltadas(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void FrmComprobacionCarpeta::dropEvent(QDropEvent* e)
{
    const QStringList rutas = rutasSoltadas(e->mimeData());
    if (ocupado() || rutas.isEmpty())
        return;
    e->acceptProposedAction();
    CompruebaRutas(rutas);
}

void FrmComprobacionCarpeta::cmdCarpeta_Click()
{
    std::optional<QString> carpeta;
    {
        const auto turno = tomoTurno();
        if (!turno)
            return;
        carpeta = SeleccionoCarpeta(ctx_.dialogos, this);
    }
    if (carpeta && !carpeta->isEmpty())
        CompruebaRutas({*carpeta});
}

void FrmComprobacionCarpeta::cmdArchivos_Click()
{
    QStringList rutas;
    {
        const auto turno = tomoTurno();
        if (!turno)
            return;
        const QString inicio =
            compartido().UltimaCarpeta.isEmpty() ? compartido().CarpetaGuardada : compartido().UltimaCarpeta;
        rutas = ctx_.dialogos.abroArchivos(this,
                                           QStringLiteral("Seleccione los archivos a los que desea corroborar el HASH"),
                                           inicio, QStringLiteral("Todos los tipos de arhivos"));
    }
    if (!rutas.isEmpty())
        CompruebaRutas(rutas);
}

void FrmComprobacionCarpeta::cmdComprobar_Click()
{
    if (!rutas_.isEmpty())
        CompruebaRutas(rutas_);
}

void FrmComprobacionCarpeta::CompruebaRutas(const QStringList& rutas)
{
    if (compruebo(rutas))
        actualizoBotones(); // once the controls are released
}

bool FrmComprobacionCarpeta::compruebo(const QStringList& rutas)
{
    const auto turno = tomoTurno();
    if (!turno)
        return false;
    rutas_ = rutas;
    txtOrigen->setText(rutas.join(QStringLiteral("; ")));
    modelo->removeRows(0, modelo->rowCount());
    hecha_ = {};
    hecha_.raiz = RaizComprobacion(rutas); // rows show relative folders as they come
    vistas_ = 0;
    PongoColor(lblResumen, QColor(0, 0, 0));
    lblResumen->setText(QStringLiteral("Comprobando Hash... Por Favor Espere..."));
    actualizoBotones();

    PlanComprobacion plan{rutas, chkSubcarpetas->isChecked(), [this](qsizetype, const FilaComprobacion& f) {
                              std::lock_guard l(mutex_);
                              pendientes_.push_back(f);
                          }};
    Progreso progreso;
    hecha_ = ejecuto([&] { return CompruebaEntrega(plan, &progreso); }, progreso, barra, [this] { vacioPendientes(); });
    {
        std::lock_guard l(mutex_);
        pendientes_.clear();
    }
    barra->setValue(0);
    muestroResultado();
    return true;
}

void FrmComprobacionCarpeta::vacioPendientes()
{
    std::vector<FilaComprobacion> nuevas;
    {
        std::lock_guard l(mutex_);
        nuevas.swap(pendientes_);
    }
    for (const FilaComprobacion& f : nuevas)
        agregoFila(-1, f);
    vistas_ += int(nuevas.size());
    lblResumen->setText(QStringLiteral("Comprobando Hash... Por Favor Espere... ") + QString::number(vistas_)
                        + QStringLiteral(" archivos comprobados"));
}

void FrmComprobacionCarpeta::agregoFila(int indice, const FilaComprobacion& f, QStandardItem* padre)
{
    const EstadoFila e = f.estado();
    QList<QStandardItem*> fila{celda(f.nombre()),      celda(CarpetaRelativa(hecha_, f)),
                               celda(QString()),       celda(f.v.hashNombre),
                               celda(f.v.hashArchivo), celda(TextoEstado(e)),
                               celda(CausaFila(f))};
    if (f.tamano >= 0)
        fila[ColTamano]->setData(QVariant::fromValue<qlonglong>(f.tamano), Qt::DisplayRole);
    fila[ColTamano]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fila[ColEstado]->setForeground(colorDe(e));
    fila[ColNombre]->setData(indice, RolFila);
    fila[ColNombre]->setData(f.juego, RolJuego);
    fila[ColNombre]->setToolTip(f.v.nueva.isEmpty() ? f.v.ruta : f.v.nueva);
    fila[ColDetalle]->setToolTip(fila[ColDetalle]->text());
    if (padre)
        padre->appendRow(fila);
    else
        modelo->appendRow(fila);
}

void FrmComprobacionCarpeta::muestroResultado()
{
    modelo->removeRows(0, modelo->rowCount());
    QList<QStandardItem*> grupos;
    for (size_t k = 0; k < hecha_.juegos.size(); ++k) {
        const JuegoParticiones& j = hecha_.juegos[k];
        QList<QStandardItem*> fila{celda(QStringLiteral("Juego de particiones: ") + j.nombreFinal),
                                   celda(CarpetaRelativa(hecha_.raiz, j.carpeta)),
                                   celda(QString()),
                                   celda(QString()),
                                   celda(QString()),
                                   celda(j.completo ? QStringLiteral("Completo") : QStringLiteral("Incompleto")),
                                   celda(TextoJuego(j))};
        fila[ColEstado]->setForeground(j.correcto() ? ColorVerde() : ColorRojo());
        fila[ColDetalle]->setToolTip(fila[ColDetalle]->text());
        fila[ColNombre]->setData(-1, RolFila);
        fila[ColNombre]->setData(int(k), RolJuego);
        QFont negrita = fila[ColNombre]->font();
        negrita.setBold(true);
        fila[ColNombre]->setFont(negrita);
        modelo->appendRow(fila);
        grupos << fila[ColNombre];
    }
    // Each set's partitions under it, in number order; the other files after.
    for (const JuegoParticiones& j : hecha_.juegos)
        for (int i : j.filas)
            agregoFila(i, hecha_.filas[size_t(i)], grupos[hecha_.filas[size_t(i)].juego]);
    for (int i = 0; i < int(hecha_.filas.size()); ++i)
        if (hecha_.filas[size_t(i)].juego < 0)
            agregoFila(i, hecha_.filas[size_t(i)]);
    tblArchivos->expandAll();

    const QString resumen = TextoResumen(Resumo(hecha_.filas));
    if (hecha_.cancelada) {
        PongoColor(lblResumen, ColorRojo());
        lblResumen->setText(QStringLiteral("Comprobación cancelada. ") + resumen);
    } else {
        PongoColor(lblResumen, QColor(0, 0, 0));
        lblResumen->setText(resumen);
    }
    actualizoBotones();
}

void FrmComprobacionCarpeta::cboEstado_Change()
{
    if (cboEstado->currentIndex() <= 0)
        filtro->setFilterRegularExpression(QString());
    else
        filtro->setFilterRegularExpression(QRegularExpression(
            QLatin1Char('^') + QRegularExpression::escape(cboEstado->currentText()) + QLatin1Char('$')));
    tblArchivos->expandAll();
}

int FrmComprobacionCarpeta::juegoElegido() const
{
    const QModelIndex actual = tblArchivos->currentIndex();
    if (!actual.isValid())
        return -1;
    const QModelIndex origen = filtro->mapToSource(actual);
    const QModelIndex nombre = origen.siblingAtColumn(ColNombre);
    const int juego = modelo->data(nombre, RolJuego).toInt();
    return juego >= 0 && juego < int(hecha_.juegos.size()) ? juego : -1;
}

void FrmComprobacionCarpeta::actualizoBotones()
{
    if (ocupado())
        return; // bloqueo() restores them
    cmdComprobar->setEnabled(!rutas_.isEmpty());
    cmdCorregir->setEnabled(!FilasACorregir(hecha_).isEmpty());
    cmdGuardar->setEnabled(!hecha_.filas.empty());
    const int juego = juegoElegido();
    cmdUnir->setEnabled(juego >= 0 && hecha_.juegos[size_t(juego)].correcto());
}

void FrmComprobacionCarpeta::cmdCorregir_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    const qsizetype cuantos = FilasACorregir(hecha_).size();
    if (cuantos == 0)
        return;
    const Respuesta r = mensaje({QStringLiteral("Atención"),
                                 QStringLiteral("Se cambiará el código Hash del nombre de ") + QString::number(cuantos)
                                     + (cuantos == 1 ? QStringLiteral(" archivo") : QStringLiteral(" archivos"))
                                     + QStringLiteral(" por el HASH de su contenido.\r\n\r\nDesea cambiarlos?"),
                                 Icono::Pregunta, Botones::SiNo, Respuesta::No});
    if (r != Respuesta::Si)
        return;
    const QStringList fallas = CorrijoNombres(hecha_);
    muestroResultado();
    if (!fallas.isEmpty())
        mensaje({QStringLiteral("ERROR"),
                 QStringLiteral("No se pudo cambiar el nombre de estos archivos:\r\n")
                     + fallas.join(QStringLiteral("\r\n")),
                 Icono::Exclamacion});
    else
        mensaje({QStringLiteral("Corroboración de HASH"),
                 QStringLiteral("Los archivos se modificaron satisfactoriamente")});
}

void FrmComprobacionCarpeta::cmdGuardar_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    const auto carpeta = SeleccionoCarpeta(ctx_.dialogos, this);
    if (!carpeta || carpeta->isEmpty())
        return;
    const auto guardados = GuardoInformes(hecha_, *carpeta);
    if (!guardados) {
        mensaje({QStringLiteral("ERROR"), guardados.falla().descripcion, Icono::Exclamacion});
        return;
    }
    mensaje({QStringLiteral("Guardar informe"),
             QStringLiteral("El informe se guardó en:\r\n") + guardados.valor().join(QStringLiteral("\r\n"))});
}

void FrmComprobacionCarpeta::cmdUnir_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    const int juego = juegoElegido();
    if (juego >= 0 && hecha_.juegos[size_t(juego)].correcto())
        emit abroUnion(hecha_.juegos[size_t(juego)].primera);
}
