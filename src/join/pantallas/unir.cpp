#include "join/pantallas/unir.h"

#include "join/pantallas/mensajes_union.h"

#include "config/pantallas/compartido.h"
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
#include <QTimer>

namespace {

// A path ending in a separator (the root included) is not found.
bool ExisteArchivo(const QString& ruta)
{
    return !ruta.isEmpty() && !ruta.endsWith(QLatin1Char('/')) && QFileInfo::exists(ruta);
}

QString textoAyudaRapida()
{
    return QStringLiteral(
               "Carpeta de Origen: Una vez definido el directorio de origen, seleccione una de las particiones "
               "correspondientes al archivo a unir. De esta manera se cargará automáticamente el siguiente cuadro "
               "con todas las particiones relacionadas a dicha partición.")
        + QString(107, QLatin1Char(' '))
        + QStringLiteral(
               "Lista de particiones a Unir: Es meramente visual. Sirve para mostrar las particiones del archivo seleccionado.");
}

} // namespace

Unir::Unir(Contexto& contexto) : PantallaTrabajo(contexto)
{
    setObjectName(QStringLiteral("Unir"));
    setFixedSize(Tw(9000), Tw(7500));
    QLabel* label2 = Etiqueta(this, "Label2", QStringLiteral("Carpeta de &Origen:"), 240, 240, 1800, 255);
    txtOrigen = Caja(this, "txtOrigen", 2040, 180, 5400, 315, true);
    label2->setBuddy(txtOrigen);
    CmdOrigen = Boton(this, "CmdOrigen", QStringLiteral("Cambiar..."), 7560, 160, 1200, 360);
    QLabel* label3 = Etiqueta(this, "Label3", QStringLiteral("Carpeta &Destino:"), 240, 720, 1800, 255);
    txtDestino = Caja(this, "txtDestino", 2040, 660, 5400, 315, true);
    label3->setBuddy(txtDestino);
    cmdDestino = Boton(this, "cmdDestino", QStringLiteral("Cambiar..."), 7560, 640, 1200, 360);
    // Two buttons with one caption: each is read with what it changes.
    CmdOrigen->setAccessibleName(QStringLiteral("Cambiar carpeta de origen"));
    cmdDestino->setAccessibleName(QStringLiteral("Cambiar carpeta destino"));
    QLabel* lblfile =
        Etiqueta(this, "lblfile",
                 QStringLiteral("&Partición a seleccionar (seleccionar una sola cualquiera del conjunto a unir)"), 240,
                 1200, 8500, 255);
    File1 = new QListWidget(this);
    lblfile->setBuddy(File1);
    File1->setAccessibleName(QStringLiteral("Partición a seleccionar")); // a list is not named by its label
    File1->setObjectName(QStringLiteral("File1"));
    File1->setGeometry(Tw(240), Tw(1480), Tw(8520), Tw(1900));
    QLabel* lblarcaUnir =
        Etiqueta(this, "lblarcaUnir", QStringLiteral("&Lista de particiones a unir (según partición seleccionada)"),
                 240, 3480, 8500, 255);
    fmeValido = new QGroupBox(this);
    fmeValido->setObjectName(QStringLiteral("fmeValido"));
    fmeValido->setFlat(true);
    fmeValido->setStyleSheet(QStringLiteral("QGroupBox { border: 0; margin: 0; padding: 0; }"));
    fmeValido->setGeometry(Tw(240), Tw(3760), Tw(8520), Tw(1900));
    File2 = new QListWidget(fmeValido);
    File2->setObjectName(QStringLiteral("File2"));
    lblarcaUnir->setBuddy(File2);
    File2->setAccessibleName(QStringLiteral("Lista de particiones a unir"));
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
    picture1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(Tw(360), Tw(360)));
    picture1->setGeometry(Tw(240), Tw(6700), Tw(360), Tw(360));
    picture1->installEventFilter(this);
    Etiqueta(this, "Label4", QStringLiteral("Ayuda"), 720, 6760, 900, 255);
    cmdUnir = Boton(this, "cmdUnir", QStringLiteral("&Unir Partes"), 5520, 6660, 1500, 420);
    cmdSalir = Boton(this, "cmdSalir", QStringLiteral("&Salir"), 7260, 6660, 1500, 420);
    cmdUnir->setEnabled(false);
    FmeAyudaRapida = Marco(this, "FmeAyudaRapida", QStringLiteral("Ayuda Rápida"), 240, 3400, 8520, 3200);
    auto* ayuda = Etiqueta(FmeAyudaRapida, "Label1", textoAyudaRapida(), 120, 300, 8280, 2800);
    ayuda->setWordWrap(true);
    FmeAyudaRapida->setAutoFillBackground(true);
    FmeAyudaRapida->hide();
    bloqueables_ = {CmdOrigen, cmdDestino, File1, cmdUnir, cmdSalir};

    connect(CmdOrigen, &QPushButton::clicked, this, &Unir::CmdOrigen_Click);
    connect(cmdDestino, &QPushButton::clicked, this, &Unir::cmdDestino_Click);
    // A partition is picked by a click, or from the keyboard as the selection moves.
    connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem* i) { File1_Click(i->text()); });
    connect(File1, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> elegidas = File1->selectedItems();
        if (!conRaton_ && !elegidas.isEmpty())
            File1_Click(elegidas.first()->text());
    });
    File1->viewport()->installEventFilter(this);
    connect(cmdUnir, &QPushButton::clicked, this, &Unir::cmdUnir_Click);
    connect(cmdSalir, &QPushButton::clicked, this, &Unir::cmdSalir_Click);

    // Form_Load.
    RutaOrigen = CarpetaRaiz();
    const QString& guardada = compartido().CarpetaGuardada;
    const QString inicial = ExisteArchivo(guardada) ? guardada : CarpetaRaiz();
    txtOrigen->setText(inicial);
    txtDestino->setText(inicial);
    RutaOrigen = inicial;
    ListoNombres(File1, ListoParticiones(RutaOrigen));
    fmeValido->setEnabled(false);
    setWindowTitle(QStringLiteral("Unir Archivos fragmentados"));
    lblProg->clear();
    centroFormulario(this);
}

bool Unir::eventFilter(QObject* objeto, QEvent* evento)
{
    if (objeto == File1->viewport()) {
        // A press selects before the click is reported: the click answers for it.
        if (evento->type() == QEvent::MouseButtonPress || evento->type() == QEvent::MouseButtonDblClick)
            conRaton_ = true;
        else if (evento->type() == QEvent::MouseButtonRelease)
            QTimer::singleShot(0, this, [this] { conRaton_ = false; });
        return PantallaTrabajo::eventFilter(objeto, evento);
    }
    if (evento->type() == QEvent::Enter)
        FmeAyudaRapida->show();
    else if (evento->type() == QEvent::Leave)
        FmeAyudaRapida->hide();
    return PantallaTrabajo::eventFilter(objeto, evento);
}

void Unir::CmdOrigen_Click()
{
    auto turno = tomoTurno();
    if (!turno)
        return;
    const QString F = SeleccionoCarpeta(ctx_.dialogos, this).value_or(LeyendaCarpeta());
    txtOrigen->setText(F);
    txtDestino->setText(F);
    RutaOrigen = F;
    const QStringList particiones = ListoParticiones(F);
    ListoNombres(File1, particiones);
    // The set list follows the new folder; a set must be picked there again.
    ListoNombres(File2, particiones);
    seleccionada_.clear();
    turno.reset();
    cmdUnir->setEnabled(false);
}

void Unir::cmdDestino_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    txtDestino->setText(SeleccionoCarpeta(ctx_.dialogos, this).value_or(LeyendaCarpeta()));
}

void Unir::File1_Click(const QString& S)
{
    auto turno = tomoTurno();
    if (!turno)
        return;
    File1->setToolTip(S);
    seleccionada_ = S;
    const JuegoReunido juego = ReunoJuego(RutaOrigen, S);
    ListoNombres(File2, juego.miembros);
    bool habilito = false;
    if (juego.rechazo == RechazoUnion::SinParticiones) {
        mensaje(MensajeSinParticiones());
    } else if (juego.rechazo != RechazoUnion::Ninguno) {
        mensaje(MensajeFaltanParticiones(juego.rechazo, juego.numero));
        txtOrigen->clear();
        txtDestino->clear();
        File2->clear();
    } else {
        habilito = !txtDestino->text().isEmpty();
    }
    turno.reset(); // the lock would give the button back its former state
    cmdUnir->setEnabled(habilito);
}

void Unir::cmdUnir_Click()
{
    auto turno = tomoTurno();
    if (!turno)
        return;
    PlanUnion plan;
    plan.CarpetaOrigen = txtOrigen->text();
    plan.CarpetaDestino = txtDestino->text();
    if (plan.CarpetaOrigen.isEmpty() || plan.CarpetaDestino.isEmpty()) {
        mensaje(MensajeFaltaCarpeta(plan.CarpetaOrigen.isEmpty()));
        return;
    }
    plan.seleccionada = seleccionada_;
    plan.escriboListaYLote = true;
    plan.conservoDanado = [this](const QList<int>& danadas) {
        return preguntoDesdeTrabajo(MensajeConservoDanado(danadas)) == Respuesta::Si;
    };
    plan.reemplazoConDanado = [this](const QString& destino) {
        return preguntoDesdeTrabajo(MensajeReemplazoDanado(destino)) == Respuesta::Si;
    };

    lblProg->setText(TextoPasoUnion(Ordenando));
    QApplication::processEvents();
    Progreso progreso;
    const ResultadoUnion r = ejecuto([&] { return UnoJuego(plan, &progreso); }, progreso, barra,
                                     [&] { lblProg->setText(TextoPasoUnion(progreso.paso.load())); });
    barra->setValue(0);
    lblProg->setText(TextoFinUnion(r));
    bool sigo = true;
    if (r.rechazo == RechazoUnion::SinParticiones) {
        mensaje(MensajeSinParticiones());
        sigo = false;
    } else if (r.rechazo != RechazoUnion::Ninguno) {
        mensaje(MensajeFaltanParticiones(r.rechazo, r.numero));
        sigo = false;
    } else if (r.falla) {
        for (const Mensaje& m : MensajesFallaUnion(*r.falla))
            mensaje(m);
    } else if (r.entregado()) {
        mensaje(MensajeUnionTerminada(r));
    }
    turno.reset();
    if (!sigo)
        cmdUnir->setEnabled(false);
}

void Unir::cmdSalir_Click()
{
    const auto turno = tomoTurno();
    if (!turno)
        return;
    const QString O = txtOrigen->text().isEmpty() ? CarpetaRaiz() : txtOrigen->text();
    const QString D = txtDestino->text().isEmpty() ? CarpetaRaiz() : txtDestino->text();
    RecuerdoCarpeta(O);
    RecuerdoCarpeta(D);
    VuelvoAlMenu();
}

void Unir::abroCon(const QString& particion)
{
    if (particion.isEmpty())
        return;
    const QFileInfo una(particion);
    const QString carpeta = una.absolutePath();
    txtOrigen->setText(carpeta);
    txtDestino->setText(carpeta);
    RutaOrigen = carpeta;
    ListoNombres(File1, ListoParticiones(carpeta));
    const QList<QListWidgetItem*> hallada = File1->findItems(una.fileName(), Qt::MatchExactly);
    if (hallada.isEmpty())
        return;
    {
        const QSignalBlocker callada(File1);
        File1->setCurrentItem(hallada.first());
    }
    File1_Click(una.fileName());
}
