#include "join/pantallas/unir.h"

#include "config/archivo_ini.h"
#include "config/compartido.h"
#include "partition/particionado.h"
#include "system/archivos.h"
#include "system/pantallas/pantalla.h"

#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

namespace {

const QString kPatronTodas = QStringLiteral("*.vesk");

// A path ending in a separator (the root included) is not found.
bool ExisteArchivo(const QString& ruta)
{
    return !ruta.isEmpty() && !ruta.endsWith(QLatin1Char('/')) && QFileInfo::exists(ruta);
}

QString textoAyudaRapida()
{
    return QStringLiteral("Carpeta de Origen: Una vez definido el directorio de origen, seleccione una de las particiones "
                          "correspondientes al archivo a unir. De esta manera se cargará automáticamente el siguiente cuadro "
                          "con todas las particiones relacionadas a dicha partición.")
        + QString(107, QLatin1Char(' '))
        + QStringLiteral("Lista de particiones a Unir: Es meramente visual. Sirve para mostrar las particiones del archivo seleccionado.");
}

} // namespace

Unir::Unir(Contexto& contexto) : PantallaTrabajo(contexto)
{
    setObjectName(QStringLiteral("Unir"));
    setFixedSize(Tw(9000), Tw(7500));
    Etiqueta(this, "Label2", QStringLiteral("Carpeta de Origen:"), 240, 240, 1800, 255);
    txtOrigen = Caja(this, "txtOrigen", 2040, 180, 5400, 315, true);
    CmdOrigen = Boton(this, "CmdOrigen", QStringLiteral("Cambiar..."), 7560, 160, 1200, 360);
    Etiqueta(this, "Label3", QStringLiteral("Carpeta Destino:"), 240, 720, 1800, 255);
    txtDestino = Caja(this, "txtDestino", 2040, 660, 5400, 315, true);
    cmdDestino = Boton(this, "cmdDestino", QStringLiteral("Cambiar..."), 7560, 640, 1200, 360);
    Etiqueta(this, "lblfile", QStringLiteral("Partición a seleccionar (seleccionar una sola cualquiera del conjunto a unir)"),
             240, 1200, 8500, 255);
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(Tw(240), Tw(1480), Tw(8520), Tw(1900));
    Etiqueta(this, "lblarcaUnir", QStringLiteral("Lista de particiones a unir (según partición seleccionada)"), 240, 3480, 8500, 255);
    fmeValido = new QGroupBox(this);
    fmeValido->setObjectName(QStringLiteral("fmeValido"));
    fmeValido->setFlat(true);
    fmeValido->setStyleSheet(QStringLiteral("QGroupBox { border: 0; margin: 0; padding: 0; }"));
    fmeValido->setGeometry(Tw(240), Tw(3760), Tw(8520), Tw(1900));
    File2 = new QListWidget(fmeValido);
    File2->setObjectName(QStringLiteral("File2"));
    File2->setGeometry(0, 0, Tw(8520), Tw(1900));
    // The list only shows the set, and is kept disabled: it must still read clearly.
    QPalette legible = File2->palette();
    for (const auto rol : {QPalette::Text, QPalette::Base, QPalette::WindowText})
        legible.setColor(QPalette::Disabled, rol, legible.color(QPalette::Active, rol));
    File2->setPalette(legible);
    lblProg = Etiqueta(this, "lblProg", QString(), 240, 5800, 6000, 255);
    barra = new QProgressBar(this);
    barra->setObjectName(QStringLiteral("barra"));
    barra->setGeometry(Tw(240), Tw(6120), Tw(8520), Tw(300));
    barra->setValue(0);
    auto* picture1 = new QLabel(this);
    picture1->setObjectName(QStringLiteral("Picture1"));
    picture1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(24, 24));
    picture1->setGeometry(Tw(240), Tw(6700), 24, 24);
    picture1->installEventFilter(this);
    Etiqueta(this, "Label4", QStringLiteral("Ayuda"), 720, 6760, 900, 255);
    cmdUnir = Boton(this, "cmdUnir", QStringLiteral("Unir Partes"), 5520, 6660, 1500, 420);
    cmdSalir = Boton(this, "cmdSalir", QStringLiteral("Salir"), 7260, 6660, 1500, 420);
    cmdUnir->setEnabled(false);
    FmeAyudaRapida = Marco(this, "FmeAyudaRapida", QStringLiteral("Ayuda Rápida"), 240, 3400, 8520, 3200);
    auto* ayuda = Etiqueta(FmeAyudaRapida, "Label1", textoAyudaRapida(), 120, 300, 8280, 2800);
    ayuda->setWordWrap(true);
    FmeAyudaRapida->setAutoFillBackground(true);
    FmeAyudaRapida->hide();
    bloqueables_ = {CmdOrigen, cmdDestino, File1, cmdUnir, cmdSalir};

    connect(CmdOrigen, &QPushButton::clicked, this, &Unir::CmdOrigen_Click);
    connect(cmdDestino, &QPushButton::clicked, this, &Unir::cmdDestino_Click);
    connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem* i) { File1_Click(i->text()); });
    connect(cmdUnir, &QPushButton::clicked, this, &Unir::cmdUnir_Click);
    connect(cmdSalir, &QPushButton::clicked, this, &Unir::cmdSalir_Click);

    // Form_Load.
    RutaOrigen = CarpetaRaiz();
    const QString& guardada = compartido().CarpetaGuardada;
    const QString inicial = ExisteArchivo(guardada) ? guardada : CarpetaRaiz();
    txtOrigen->setText(inicial);
    txtDestino->setText(inicial);
    RutaOrigen = inicial;
    listo(File1, RutaOrigen, kPatronTodas);
    fmeValido->setEnabled(false);
    setWindowTitle(QStringLiteral("Unir Archivos fragmentados"));
    lblProg->clear();
    centroFormulario(this);
}

bool Unir::eventFilter(QObject* objeto, QEvent* evento)
{
    if (evento->type() == QEvent::Enter)
        FmeAyudaRapida->show();
    else if (evento->type() == QEvent::Leave)
        FmeAyudaRapida->hide();
    return PantallaTrabajo::eventFilter(objeto, evento);
}

void Unir::listo(QListWidget* lista, const QString& carpeta, const QString& patron)
{
    lista->clear();
    lista->addItems(ListoParticiones(carpeta, patron));
}

void Unir::CmdOrigen_Click()
{
    const QString F = SeleccionoCarpeta(ctx_.dialogos, this).value_or(LeyendaCarpeta());
    txtOrigen->setText(F);
    txtDestino->setText(F);
    RutaOrigen = F;
    listo(File1, F, kPatronTodas);
    estado.CarpetaOrigen = F;
    // The set list follows the new folder; a set must be picked there again.
    PatronParticiones = kPatronTodas;
    listo(File2, F, kPatronTodas);
    cmdUnir->setEnabled(false);
}

void Unir::cmdDestino_Click()
{
    const QString F = SeleccionoCarpeta(ctx_.dialogos, this).value_or(LeyendaCarpeta());
    txtDestino->setText(F);
    estado.CarpetaDestino = F;
}

void Unir::File1_Click(const QString& S)
{
    File1->setToolTip(S);
    const auto patron = ArmoPatronParticiones(S);
    PatronParticiones = patron.value_or(QString());
    File2->clear();
    if (patron)
        listo(File2, RutaOrigen, *patron);
    const int C = File2->count();
    if (C == 0) {
        cmdUnir->setEnabled(false);
        mensaje(MensajeSinParticiones());
        return;
    }
    QStringList lista;
    for (int i = 0; i < C; ++i)
        lista << File2->item(i)->text();
    if (!CorroboroCantidadArchivos(lista)) {
        mensaje(MensajeFaltanParticiones());
        BorroArchivo(UnoRuta(RutaOrigen, NombreListaUnion()));
        txtOrigen->clear();
        txtDestino->clear();
        listo(File2, CarpetaRaiz(), *patron);
        cmdUnir->setEnabled(false);
        return;
    }
    if (!txtDestino->text().isEmpty())
        cmdUnir->setEnabled(true);
}

void Unir::cmdUnir_Click()
{
    estado = EstadoUnion{}; // each join cleans up only its own files
    estado.CarpetaOrigen = txtOrigen->text();
    estado.CarpetaDestino = txtDestino->text();
    if (estado.CarpetaOrigen.isEmpty() || estado.CarpetaDestino.isEmpty()) {
        mensaje({QStringLiteral("Unión de archivos"),
                 estado.CarpetaOrigen.isEmpty() ? QStringLiteral("Falta ingresar el directorio de Origen")
                                                : QStringLiteral("Falta ingresar el directorio de Destino"),
                 Icono::Exclamacion});
        return;
    }
    QStringList candidatos;
    for (int i = 0; i < File2->count(); ++i)
        candidatos << File2->item(i)->text();

    lblProg->setText(QStringLiteral("Ordenando archivos a unir..."));
    QApplication::processEvents();
    const Ordenamiento orden = OrdenoParticiones(estado, candidatos);
    if (orden.motivo == Ordenamiento::Ninguna) {
        mensaje(MensajeNoSonParticiones());
        LimpioUnion(estado, {});
        VuelvoAlMenu();
        return;
    }
    if (orden.motivo != Ordenamiento::Completo) {
        mensaje(MensajeFaltanParticiones(&orden));
        LimpioUnion(estado, {});
        lblProg->clear();
        return;
    }
    if (auto f = GeneroTXTconNomArchivos(estado.CarpetaOrigen, orden.ordenadas)) {
        fallaUnion(*f, {});
        return;
    }
    lblProg->setText(QStringLiteral("Generando archivo Final..."));
    QApplication::processEvents();
    ObtengoNombreFinal(estado, orden.ordenadas.first());
    lblProg->setText(QStringLiteral("Uniendo Partes..."));
    if (auto f = GeneroBatUnion(estado, orden.ordenadas)) {
        fallaUnion(*f, {});
        return;
    }
    Progreso progreso;
    const ResultadoUnion r = ejecuto(
        [&] { return UnoParticiones(estado.CarpetaOrigen, orden.ordenadas, estado.CarpetaDestino, estado.NombreArchivoFinal, &progreso); },
        progreso, barra);
    if (r.falla) {
        fallaUnion(*r.falla, {});
        return;
    }
    if (!r.diferentes.isEmpty()) {
        const Respuesta conservo = mensaje(
            {QStringLiteral("Atención"),
             TextoParticionesDanadas(r.diferentes) + QStringLiteral("\r\n\r\n") + QStringLiteral("Desea conservar el archivo armado de todos modos?"),
             Icono::Pregunta, Botones::SiNo, Respuesta::No});
        if (conservo != Respuesta::Si) {
            LimpioUnion(estado, r.temporal);
            barra->setValue(0);
            lblProg->setText(QStringLiteral("Unión cancelada: particiones dañadas"));
            return;
        }
    }
    lblProg->setText(QStringLiteral("Moviendo Archivo a Destino..."));
    QApplication::processEvents();
    if (auto f = MuevoArchivoFinal(r.temporal, estado.CarpetaDestino, estado.NombreArchivoFinal)) {
        fallaUnion(*f, r.temporal);
        return;
    }
    LimpioUnion(estado, {});
    barra->setValue(0);
    lblProg->setText(QStringLiteral("Unión de Particiones finalizada con éxito..."));
    mensaje({TituloAplicacion(), QStringLiteral("El archivo fue armado exitosamente")});
}

void Unir::fallaUnion(const Falla& falla, const QString& temporal)
{
    mensaje({TituloAplicacion(), falla.descripcion});
    mensaje({QStringLiteral("ERROR"),
             QStringLiteral("Hubo un error en el armado del Archivo, corrobore tener todas las particiones del archivo en cuestión."),
             Icono::Critico});
    LimpioUnion(estado, temporal);
    barra->setValue(0);
    lblProg->clear();
}

void Unir::cmdSalir_Click()
{
    const QString O = txtOrigen->text().isEmpty() ? CarpetaRaiz() : txtOrigen->text();
    const QString D = txtDestino->text().isEmpty() ? CarpetaRaiz() : txtDestino->text();
    const Compartido& v = compartido();
    GuardoCarpetaINI(v.RutaIni, QStringLiteral("NETWORK"), O);
    GuardoCarpetaINI(v.RutaIni, QStringLiteral("NETWORK"), D);
    VuelvoAlMenu();
}
