// Windows as the operator meets them: F1, where boxes open, what fits the screen.
#include "app/pantallas/ayuda.h"
#include "app/pantallas/frmacercade.h"
#include "app/pantallas/frminicio.h"
#include "compress/pantallas/frmcompriarchmulti.h"
#include "config/pantallas/compartido.h"
#include "delivery/pantallas/frmcomprobacioncarpeta.h"
#include "hash/pantallas/frmagregohash.h"
#include "hash/pantallas/frmcorroborohash.h"
#include "join/pantallas/unir.h"
#include "partition/pantallas/cortar.h"
#include "server/pantallas/frmcnx.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"
#include "app/pantallas/arranque.h"
#include "join/juegos.h"
#include "system/pantallas/dialogos_qt.h"
#include "system/pantallas/pantalla.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QSignalSpy>
#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QGroupBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Near enough: window managers and frames move things by a few pixels.
bool Cerca(const QPoint& a, const QPoint& b) { return (a - b).manhattanLength() <= 4; }

// Shows the window, makes it the active one, and presses the key in it.
void Pulso(QWidget* ventana, Qt::Key tecla)
{
    ventana->show();
    QApplication::setActiveWindow(ventana);
    QTest::keyClick(ventana, tecla);
}

// F1 opens the help at each window's section, over that window. The help is
// the file beside the program: missing, a box says so.
TEST(Ventanas, F1AbreLaAyudaEnLaSeccionDeCadaVentana)
{
    Escenario e;
    compartido().TamanoMaximoMB = 20;
    FrmInicio menu(e.ctx);
    menu.archivoAyuda = e.carpeta.filePath(QStringLiteral("AYUDA TERV.hlp"));
    menu.show();
    centroFormulario(&menu);
    Pulso(&menu, Qt::Key_F1);
    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_TRUE(e.dialogos.vistas[0].texto.startsWith(QStringLiteral("No se encuentra el archivo de ayuda")));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TERV_AYUDA), menu.archivoAyuda));

    struct Caso {
        void (FrmInicio::*abre)();
        std::function<QWidget*()> ventana;
        const char* seccion;
    } casos[] = {
        // clang-format off
        {nullptr, [&] { return &menu; }, ""},
        {&FrmInicio::CoArPrPaPu_Click, [&] { return menu.compriArchMulti.data(); }, "comprimir"},
        {&FrmInicio::Chash_Click, [&] { return menu.agregoHash.data(); }, "hash"},
        {&FrmInicio::Part_Click, [&] { return menu.cortar.data(); }, "particiones"},
        {&FrmInicio::uni_Click, [&] { return menu.unir.data(); }, "unir"},
        {&FrmInicio::CompHash_Click, [&] { return menu.corroboroHash.data(); }, "comprobar"},
        {&FrmInicio::CompCarpeta_Click, [&] { return menu.comprobacionCarpeta.data(); }, "carpeta"},
        {&FrmInicio::Acerca_Click, [&] { return menu.acercaDe.data(); }, "inicio"},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.seccion);
        if (c.abre)
            (menu.*c.abre)();
        QWidget* v = c.ventana();
        ASSERT_TRUE(v && v->isVisible());
        Pulso(v, Qt::Key_F1);
        ASSERT_TRUE(menu.ayuda && menu.ayuda->isVisible());
        EXPECT_EQ(menu.ayuda->seccion, QString::fromLatin1(c.seccion));
        EXPECT_TRUE(Cerca(menu.ayuda->frameGeometry().center(), v->frameGeometry().center()));
        menu.ayuda->hide();
        v->hide();
    }
    EXPECT_EQ(e.dialogos.vistas.size(), 1);
    // What the help says of the program is what it does.
    const QString texto = menu.ayuda->texto->toPlainText().simplified();
    for (const char* falso : {"dirección consultada", "particionar y unir quedan deshabilitadas",
                              "desde cualquier ventana", "carpeta que usted elija"})
        EXPECT_FALSE(texto.contains(QString::fromUtf8(falso))) << falso;
    for (const char* cierto :
         {"en producción no se muestra nada", "se guarda en la carpeta de los archivos a comprimir",
          "se entregan a la ventana abierta, sin consultar otra vez", "Generar Código Hash", "Generar Particiones",
          "Unir Particiones", "Comprobación de Hash", "Comprimir Archivos y Preparar Para Publicar"})
        EXPECT_TRUE(texto.contains(QString::fromUtf8(cierto))) << cierto;
}

struct CajaReal {
    QRect marco;
    QString texto;
    int ancho = 0; // of its text
};

// Runs muestro() and closes the real box it opens as soon as it is on screen.
CajaReal Cierro(const std::function<void()>& muestro)
{
    CajaReal vista;
    QTimer::singleShot(0, qApp, [&] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja)
            return;
        const auto* etiqueta = caja->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        vista = {caja->frameGeometry(), caja->text(), etiqueta ? etiqueta->width() : 0};
        caja->done(0);
    });
    muestro();
    return vista;
}

CajaReal MuestroYCierro(QWidget* padre, const Mensaje& m)
{
    return Cierro([&] { DialogosQt().mensaje(padre, m); });
}

// Real boxes: centred on their owner (placed but not shown yet, as for the
// start-up warnings), inside the screen however long their text.
TEST(Ventanas, CajasCentradasYDentroDeLaPantalla)
{
    const QRect zona = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget duenio;
    duenio.setGeometry(zona.x() + 120, zona.y() + 90, 420, 300);
    const CajaReal aviso =
        MuestroYCierro(&duenio, {QStringLiteral("TERV"), QStringLiteral("Aviso"), Icono::Exclamacion});
    EXPECT_TRUE(Cerca(aviso.marco.center(), duenio.frameGeometry().center())) << aviso.marco.center().x();

    QString palabras;
    while (palabras.size() < 6000)
        palabras += QStringLiteral("mensaje del servicio ");
    const QString largos[] = {palabras, QString(6000, QLatin1Char('x')), QString(1000000, QLatin1Char('y'))};
    for (const QString& largo : largos) {
        const CajaReal c = MuestroYCierro(nullptr, {QStringLiteral("Error"), largo, Icono::Critico});
        EXPECT_TRUE(zona.contains(c.marco)) << c.marco.width() << "x" << c.marco.height();
        EXPECT_TRUE(c.texto.endsWith(QChar(0x2026)));
        EXPECT_LT(c.texto.size(), 6000);
    }
    // The system's own lines are not broken again (no orphan word at their end).
    const QString propias = QStringLiteral(
        "El tamaño del archivo seleccionado es menor al necesario para ser particionado, en este caso debe\r\n"
        "Ingresar por la Opción \"Código Hash \" del Menú principal");
    const CajaReal dos =
        MuestroYCierro(nullptr, {QStringLiteral("Incompatibilidad de Tamaños"), propias, Icono::Informacion});
    const QFontMetrics letra(QApplication::font());
    if (zona.width() >= 1024) {
        EXPECT_GE(dos.ancho, letra.horizontalAdvance(propias.section(QLatin1Char('\r'), 0, 0)));
    }
    // A long path breaks after its separators, never inside a folder's name.
    const QString ruta =
        QStringLiteral("/home/operador/entregas/2024/expedientes_recibidos_de_la_mesa_central/informe_mensual.zip");
    const QString partida = PartoPalabrasLargas(QStringLiteral("No se pudo abrir ") + ruta, 40);
    EXPECT_EQ(QString(partida).remove(QChar(0x200B)), QStringLiteral("No se pudo abrir ") + ruta);
    for (qsizetype k = partida.indexOf(QChar(0x200B)); k >= 0; k = partida.indexOf(QChar(0x200B), k + 1))
        EXPECT_EQ(partida[k - 1], QLatin1Char('/')) << k;
    // An empty text still leaves room for the whole title.
    const QString titulo = QStringLiteral("No se puede leer el archivo de configuración");
    const CajaReal vacia = MuestroYCierro(nullptr, {titulo, QString(), Icono::Critico});
    EXPECT_GE(vacia.marco.width(), letra.horizontalAdvance(titulo) + 60);

    // The start-up's administrator warning, over the menu.
    Escenario e;
    Servicio s(QStringLiteral("respuesta"));
    EscriboArchivo(compartido().RutaIni, "[NETWORK]\r\nAMBIENTE=DESA\r\nURL=" + s.url().toUtf8() + "\r\n");
    DialogosQt reales;
    Contexto ctx{reales, e.reloj};
    ctx.carpetaAplicacion = e.carpeta.path();
    ctx.programa = QStringLiteral("TERV");
    ctx.esAdministrador = [] { return false; };
    FrmInicio menu(ctx);
    const QRect marco = Cierro([&] { menu.Form_Load(); }).marco;
    EXPECT_TRUE(Cerca(marco.center(), menu.frameGeometry().center())) << marco.x() << "," << marco.y();
}

// Where a widget really paints: a label only as far as its text reaches.
QRect Ocupa(QWidget* w)
{
    QRect r = w->geometry();
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->text().isEmpty())
            return l->pixmap().isNull() ? QRect() : r;
        if (l->wordWrap())
            r.setHeight(qMin(r.height(), l->heightForWidth(r.width())));
        else
            r.setSize(r.size().boundedTo(l->sizeHint()));
    }
    return r;
}

// Texts cut by their own box or set smaller to fit, and siblings painting over
// each other (a frame shown over others must cover them whole).
QStringList Defectos(QWidget* ventana)
{
    QStringList d;
    const QList<QWidget*> todos = ventana->findChildren<QWidget*>();
    auto visible = [&](QWidget* w) {
        return w->isVisibleTo(ventana) && !w->objectName().startsWith(QLatin1String("qt_"));
    };
    for (QWidget* w : todos) {
        if (!visible(w))
            continue;
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) {
            if (l->wordWrap() ? l->heightForWidth(l->width()) > l->height() : l->sizeHint().width() > l->width())
                d << QStringLiteral("texto cortado: %1 (%2x%3)")
                         .arg(w->objectName())
                         .arg(l->sizeHint().width())
                         .arg(l->wordWrap() ? l->heightForWidth(l->width()) : l->height());
            if (l->font().pointSizeF() < ventana->font().pointSizeF())
                d << QStringLiteral("letra reducida: ") + w->objectName();
        }
        if (auto* g = qobject_cast<QGroupBox*>(w);
            g && g->fontMetrics().horizontalAdvance(g->title()) + 16 > g->width())
            d << QStringLiteral("título cortado: ") + w->objectName();
    }
    for (QWidget* a : todos)
        for (QWidget* b : todos) {
            if (a >= b || a->parentWidget() != b->parentWidget() || !visible(a) || !visible(b))
                continue;
            const QRect ra = Ocupa(a), rb = Ocupa(b);
            if (ra.isEmpty() || rb.isEmpty() || !ra.intersects(rb))
                continue;
            auto* ga = qobject_cast<QGroupBox*>(a);
            auto* gb = qobject_cast<QGroupBox*>(b);
            if ((ga && ga->autoFillBackground() && ra.contains(rb))
                || (gb && gb->autoFillBackground() && rb.contains(ra)))
                continue;
            d << QStringLiteral("se pisan: %1 / %2").arg(a->objectName(), b->objectName());
        }
    return d;
}

void PongoTexto(QWidget* ventana, const char* nombre, const QString& texto)
{
    auto* l = ventana->findChild<QLabel*>(QString::fromLatin1(nombre));
    ASSERT_TRUE(l) << nombre;
    l->setText(texto);
    l->show();
}

// Every window a person works in, as it opens.
struct Ventanas {
    explicit Ventanas(qint32 tamano = 20) { compartido().TamanoMaximoMB = tamano; }
    Escenario e;
    FrmInicio menu{e.ctx};
    FrmAgregoHash hash{e.ctx};
    FrmCorroboroHash corroboro{e.ctx};
    Cortar cortar{e.ctx};
    Unir unir{e.ctx};
    FrmCompriArchMulti comprimir{e.ctx};
    FrmComprobacionCarpeta carpeta{e.ctx};
    FrmAcercaDe* acerca = new FrmAcercaDe(&menu);
    ~Ventanas() { delete acerca; }
    QList<QWidget*> todas() { return {&menu, &hash, &corroboro, &cortar, &unir, &comprimir, &carpeta, acerca}; }
};

// Every screen with its longest texts, also with its quick help shown. The
// suite runs this at 96 dpi and again at 144 (QT_FONT_DPI). A long file name
// breaks inside its label, whole or cut in the middle, and the tooltip has it whole.
TEST(Ventanas, NadaSeCortaNiSePisa)
{
    Ventanas v(2047);
    auto reviso = [](QWidget* w) {
        w->show();
        QApplication::processEvents();
        const QStringList d = Defectos(w);
        EXPECT_TRUE(d.isEmpty()) << qPrintable(w->objectName() + QStringLiteral(": ") + d.join(QStringLiteral("; ")));
    };
    QString nombre;
    while (nombre.size() < 176)
        nombre += QStringLiteral("expediente_mesa_central_");
    nombre = nombre.left(176) + QStringLiteral(".pdf");
    const QString ruta = EscriboArchivo(v.e.carpeta.filePath(nombre), "x");
    v.hash.eligoArchivo(ruta);
    v.cortar.eligoArchivo(ruta);
    for (QWidget* w : std::initializer_list<QWidget*>{&v.hash, &v.cortar}) {
        const auto* l = Control<QLabel>(*w, "lblnoesZip");
        EXPECT_TRUE(QString(l->text()).remove(QChar(0x200B)).contains(nombre.right(12))); // the end tells names apart
        EXPECT_TRUE(l->toolTip().isEmpty() || l->toolTip() == nombre);
        PongoTexto(w, "Label1_2", QStringLiteral("Tamaño del archivo es de: 2147483648 Bytes"));
    }
    PongoTexto(&v.hash, "lblEspere", QStringLiteral("Generando Hash... Por favor espere..."));
    PongoTexto(&v.cortar, "lblTamBytes", QStringLiteral("2146435072 Bytes"));
    PongoTexto(&v.comprimir, "lblMensaje", QStringLiteral("Armando Archivo... Por Favor espere..."));
    for (QWidget* w : v.todas())
        reviso(w);
    // The list of the set is disabled but must read as clearly as any other.
    const QPalette lista = v.unir.findChild<QWidget*>(QStringLiteral("File2"))->palette();
    EXPECT_EQ(lista.color(QPalette::Disabled, QPalette::Text), lista.color(QPalette::Active, QPalette::Text));
    for (QWidget* w : std::initializer_list<QWidget*>{&v.unir, &v.comprimir}) {
        w->findChild<QWidget*>(QStringLiteral("FmeAyudaRapida"))->show();
        reviso(w);
    }
}

// A handler that disables a control while the screen holds its turn keeps
// it disabled when the turn ends: the enabled state after each such action.
TEST(Ventanas, HabilitadosTrasCadaAccion)
{
    auto clic = [](QWidget& f, const char* nombre) {
        QTest::mouseClick(Control<QPushButton>(f, nombre), Qt::LeftButton);
    };
    for (const qint64 tamano : {qint64(0), qint64(100), qint64(3 << 20)}) {
        SCOPED_TRACE(tamano);
        Escenario e;
        compartido().TamanoMaximoMB = 1;
        Cortar f(e.ctx);
        f.show();
        e.dialogos.archivos.push_back(EscriboArchivo(e.carpeta.filePath(QStringLiteral("a.zip")), Datos(tamano)));
        clic(f, "Command1_0"); // too small: back to the menu, "Particionar" still offered
        ASSERT_TRUE(Control<QPushButton>(f, "Command1_3")->isEnabled());
        if (tamano < (1 << 20)) {
            clic(f, "Command1_3"); // refused again: both boxes emptied
            EXPECT_TRUE(Control<QPushButton>(f, "Command1_1")->isEnabled());
        } else {
            Control<QLineEdit>(f, "Text1_0")->clear();
            Control<QLineEdit>(f, "Text1_1")->clear();
            e.dialogos.carpetas.push_back(std::nullopt);
            clic(f, "Command1_1"); // the folder choice cancelled, both boxes empty
        }
        EXPECT_FALSE(Control<QPushButton>(f, "Command1_3")->isEnabled());
    }
    Escenario e;
    FrmCompriArchMulti f(e.ctx);
    f.show();
    e.dialogos.listas.push_back({EscriboArchivo(e.carpeta.filePath(QStringLiteral("a.txt")), "a")});
    clic(f, "cmdAddFiles");
    ASSERT_TRUE(Control<QPushButton>(f, "cmdProcesar")->isEnabled());
    clic(f, "cmdClear");
    for (const char* nombre : {"cmdProcesar", "txtNombArc", "chkAgregarFyV"})
        EXPECT_FALSE(Control<QWidget>(f, nombre)->isEnabled()) << nombre;
    for (const char* nombre : {"cmdAddFiles", "cmdVolver", "txtMB"})
        EXPECT_TRUE(Control<QWidget>(f, nombre)->isEnabled()) << nombre;
}

// Each control the keyboard reaches, walking the window's focus chain, is
// read by its name; names do not repeat, and neither do the mnemonics.
TEST(Ventanas, NombresAccesiblesYTeclas)
{
    Ventanas v;
    for (QWidget* w : v.todas()) {
        SCOPED_TRACE(qPrintable(w->objectName()));
        w->show();
        QStringList nombres;
        for (QWidget* c = w->nextInFocusChain(); c != w; c = c->nextInFocusChain()) {
            if (!(c->focusPolicy() & Qt::TabFocus) || !c->isVisibleTo(w) || c->window() != w)
                continue;
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
            ASSERT_TRUE(a);
            const QString nombre = a->text(QAccessible::Name).remove(QLatin1Char('&')).trimmed();
            EXPECT_FALSE(nombre.isEmpty()) << qPrintable(c->objectName());
            EXPECT_FALSE(nombres.contains(nombre)) << qPrintable(c->objectName() + QStringLiteral(": ") + nombre);
            nombres << nombre;
        }
        QStringList teclas;
        for (QWidget* c : w->findChildren<QWidget*>()) {
            QString texto;
            if (auto* b = qobject_cast<QAbstractButton*>(c))
                texto = b->text();
            else if (auto* l = qobject_cast<QLabel*>(c); l && l->buddy())
                texto = l->text();
            const QKeySequence tecla = QKeySequence::mnemonic(texto);
            if (tecla.isEmpty())
                continue;
            EXPECT_FALSE(teclas.contains(tecla.toString()))
                << qPrintable(c->objectName() + QStringLiteral(": ") + texto);
            teclas << tecla.toString();
        }
        EXPECT_TRUE(w == &v.menu || w == v.acerca || teclas.size() >= 3) << qPrintable(teclas.join(QLatin1Char(' ')));
        w->hide();
    }
}

// Every window fits the screen it opens on, title bar included; the one
// whose content is a table can be resized, the menu cannot. The suite runs
// this at 100, 150 and 200% of a 1366x768 screen.
TEST(Ventanas, CabenEnLaPantalla)
{
    Ventanas v;
    VisorAyuda ayuda(v.e.dialogos);
    FrmCnx cnx(v.e.ctx);
    QList<QWidget*> ventanas = v.todas();
    ventanas << &ayuda << &cnx;
    const QRect zona = QGuiApplication::primaryScreen()->availableGeometry();
    for (QWidget* w : ventanas) {
        SCOPED_TRACE(qPrintable(w->objectName()));
        if (w == &ayuda)
            ayuda.abro(QStringLiteral(TERV_AYUDA), QString(), nullptr);
        else
            w->show();
        if (w == &v.menu || w == &cnx) // placed by the start-up
            centroFormulario(w);
        QApplication::processEvents();
        const QRect marco = w->frameGeometry().united(w->geometry().adjusted(0, -32, 0, 0)); // a title bar at least
        EXPECT_TRUE(zona.contains(marco)) << marco.x() << "," << marco.y() << " " << marco.width() << "x"
                                          << marco.height() << " en " << zona.width() << "x" << zona.height();
        w->hide();
    }
    EXPECT_LT(v.carpeta.minimumSize().height(), v.carpeta.maximumSize().height());
    EXPECT_LT(ayuda.minimumSize().width(), ayuda.maximumSize().width());
    // Window managers do not maximise a window whose least and greatest sizes agree.
    EXPECT_EQ(v.menu.minimumSize(), v.menu.maximumSize());
    EXPECT_EQ(v.menu.size(), v.menu.minimumSize());
    EXPECT_FALSE(v.menu.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

// Enter (keypad Enter too) presses the focused button; Escape cancels a run
// and closes the about box and the help window.
TEST(Ventanas, EnterYEscape)
{
    Ventanas v;
    for (const Qt::Key tecla : {Qt::Key_Return, Qt::Key_Enter}) {
        for (PantallaTrabajo* p : std::initializer_list<PantallaTrabajo*>{&v.hash, &v.corroboro, &v.cortar, &v.unir,
                                                                          &v.comprimir, &v.carpeta}) {
            SCOPED_TRACE(qPrintable(p->objectName()));
            p->show();
            QApplication::setActiveWindow(p);
            QSignalSpy vuelta(p, &PantallaTrabajo::vuelvoAlMenu);
            const char* nombre = p->findChild<QPushButton*>(QStringLiteral("cmdSalir")) ? "cmdSalir" : "cmdVolver";
            QPushButton* salir = Control<QPushButton>(*p, p == &v.cortar ? "Command1_2" : nombre);
            ASSERT_TRUE(salir);
            salir->setFocus();
            QTest::keyClick(salir, tecla, tecla == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
            EXPECT_EQ(vuelta.count(), 1);
        }
    }
    // Escape while a run goes on: as "Cancelar".
    QTemporaryDir d;
    v.corroboro.show();
    QApplication::setActiveWindow(&v.corroboro);
    const QByteArray datos = Datos(3000, 2);
    v.e.dialogos.archivos.push_back(
        EscriboArchivo(d.filePath(QStringLiteral("a_") + HashDe(datos) + QStringLiteral(".zip")), datos));
    QTest::mouseClick(Control<QPushButton>(v.corroboro, "Command1_0"), Qt::LeftButton);
    {
        const AlEvento escape(&v.corroboro, "cmdCancelar", QEvent::Show,
                              [&] { QTest::keyClick(&v.corroboro, Qt::Key_Escape); });
        QTest::mouseClick(Control<QPushButton>(v.corroboro, "Command1_1"), Qt::LeftButton);
        ASSERT_TRUE(escape.hecho);
    }
    ASSERT_FALSE(v.e.dialogos.vistas.isEmpty());
    EXPECT_EQ(v.e.dialogos.vistas.last().icono, Icono::Informacion);
    EXPECT_TRUE(v.e.dialogos.vistas.last().texto.contains(QStringLiteral("cancel")))
        << qPrintable(v.e.dialogos.vistas.last().texto);

    // The about box and the help window close.
    Pulso(v.acerca, Qt::Key_Escape);
    EXPECT_TRUE(v.menu.isVisible());
    v.acerca = nullptr; // it unloads itself when closed
    VisorAyuda ayuda(v.e.dialogos);
    Pulso(&ayuda, Qt::Key_Escape);
    EXPECT_FALSE(ayuda.isVisible());
}

// TERV's own icon and the desktop file that names it; Qt's file dialogs
// speak Spanish even where its own translation falls short, and the folder
// chooser says what it is for.
TEST(Ventanas, IconoYDialogosDeArchivosEnEspanol)
{
    InstaloIdentidad();
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("local.terv.TERV"));
    Escenario e;
    EXPECT_TRUE(Unir(e.ctx).windowIcon().availableSizes().contains(QSize(48, 48)));
    InstaloTraducciones();
    QString titulo;
    QTimer::singleShot(0, qApp, [&] {
        if (QWidget* dialogo = QApplication::activeModalWidget()) {
            titulo = dialogo->windowTitle();
            dialogo->close();
        }
    });
    DialogosQt dialogos;
    EXPECT_FALSE(dialogos.eligoCarpeta(nullptr, QStringLiteral("/")));
    EXPECT_EQ(titulo, QStringLiteral("Seleccione una carpeta (/)"));
    QTemporaryDir d;
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(d.path())), QStringLiteral("Carpeta"));
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Date Modified"), QStringLiteral("Última modificación"));
    // TERV says "archivo" where Qt's Spanish says "fichero".
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("&Nombre de archivo:"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Files of type:"), QStringLiteral("Archivos de tipo:"));
}

} // namespace
