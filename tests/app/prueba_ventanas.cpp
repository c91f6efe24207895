// Windows as the operator meets them: F1, where boxes open, what fits the screen.
#include "app/pantallas/ayuda.h"
#include "app/pantallas/frmacercade.h"
#include "app/pantallas/frminicio.h"
#include "compress/pantallas/frmcompriarchmulti.h"
#include "config/compartido.h"
#include "entrega/pantallas/frmcomprobacioncarpeta.h"
#include "hash/pantallas/frmagregohash.h"
#include "hash/pantallas/frmcorroborohash.h"
#include "join/pantallas/unir.h"
#include "partition/pantallas/cortar.h"
#include "soporte/utiles.h"
#include "app/pantallas/arranque.h"
#include "hash/nombre_hash.h"
#include "system/pantallas/dialogos_qt.h"
#include "system/pantallas/pantalla.h"

#include <QAbstractButton>
#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QGroupBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Near enough: window managers and frames move things by a few pixels.
bool Cerca(const QPoint& a, const QPoint& b) { return (a - b).manhattanLength() <= 4; }

void PulsoF1(QWidget* ventana)
{
    QApplication::setActiveWindow(ventana);
    QTest::keyClick(ventana, Qt::Key_F1);
}

TEST(Ventanas, F1AbreLaAyudaEnLaSeccionDeCadaVentana)
{
    Escenario e;
    compartido().TamanoMaximoMB = 20;
    FrmInicio menu(e.ctx);
    menu.archivoAyuda = e.carpeta.filePath(QStringLiteral("AYUDA TERV.hlp"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TERV_AYUDA), menu.archivoAyuda));
    menu.show();
    centroFormulario(&menu);
    PulsoF1(&menu);
    ASSERT_TRUE(menu.ayuda);
    EXPECT_TRUE(menu.ayuda->isVisible());
    EXPECT_EQ(menu.ayuda->seccion, QString());
    EXPECT_TRUE(Cerca(menu.ayuda->frameGeometry().center(), menu.frameGeometry().center()));
    menu.ayuda->hide();

    struct Caso {
        void (FrmInicio::*abre)();
        std::function<QWidget*()> ventana;
        const char* seccion;
    } casos[] = {
        {&FrmInicio::CoArPrPaPu_Click, [&] { return menu.compriArchMulti.data(); }, "comprimir"},
        {&FrmInicio::Chash_Click, [&] { return menu.agregoHash.data(); }, "hash"},
        {&FrmInicio::Part_Click, [&] { return menu.cortar.data(); }, "particiones"},
        {&FrmInicio::uni_Click, [&] { return menu.unir.data(); }, "unir"},
        {&FrmInicio::CompHash_Click, [&] { return menu.corroboroHash.data(); }, "comprobar"},
        {&FrmInicio::CompCarpeta_Click, [&] { return menu.comprobacionCarpeta.data(); }, "carpeta"},
        {&FrmInicio::Acerca_Click, [&] { return menu.acercaDe.data(); }, "inicio"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.seccion);
        (menu.*c.abre)();
        QWidget* v = c.ventana();
        ASSERT_TRUE(v && v->isVisible());
        PulsoF1(v);
        EXPECT_TRUE(menu.ayuda->isVisible());
        EXPECT_EQ(menu.ayuda->seccion, QString::fromLatin1(c.seccion));
        EXPECT_TRUE(Cerca(menu.ayuda->frameGeometry().center(), v->frameGeometry().center()));
        menu.ayuda->hide();
        v->hide();
    }
    // What the help says of the program is what it does.
    const QString texto = menu.ayuda->texto->toPlainText().simplified();
    for (const char* falso : {"dirección consultada", "particionar y unir quedan deshabilitadas", "desde cualquier ventana"})
        EXPECT_FALSE(texto.contains(QString::fromUtf8(falso))) << falso;
    EXPECT_TRUE(texto.contains(QStringLiteral("en producción no se muestra nada")));
}

struct CajaReal {
    QRect marco;
    QString texto;
};

// Shows a real box and closes it as soon as it is on screen.
CajaReal MuestroYCierro(QWidget* padre, const Mensaje& m)
{
    CajaReal vista;
    QTimer::singleShot(0, qApp, [&] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja)
            return;
        vista = {caja->frameGeometry(), caja->text()};
        caja->done(0);
    });
    DialogosQt dialogos;
    dialogos.mensaje(padre, m);
    return vista;
}

TEST(Ventanas, CajasCentradasYDentroDeLaPantalla)
{
    const QRect zona = QGuiApplication::primaryScreen()->availableGeometry();
    // Over an owner that is placed but not shown yet (the start-up warnings).
    QWidget duenio;
    duenio.setGeometry(zona.x() + 120, zona.y() + 90, 420, 300);
    const CajaReal aviso = MuestroYCierro(&duenio, {QStringLiteral("TERV"), QStringLiteral("Aviso"), Icono::Exclamacion});
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
    // An empty text still leaves room for the whole title.
    const QString titulo = QStringLiteral("No se puede leer el archivo de configuración");
    const CajaReal vacia = MuestroYCierro(nullptr, {titulo, QString(), Icono::Critico});
    EXPECT_GE(vacia.marco.width(), QFontMetrics(QApplication::font()).horizontalAdvance(titulo) + 60);
}

TEST(Ventanas, LaAdvertenciaDeAdministradorSaleSobreElMenu)
{
    Escenario e;
    Servicio s(QStringLiteral("respuesta"));
    EscriboArchivo(compartido().RutaIni, "[NETWORK]\r\nAMBIENTE=DESA\r\nURL=" + s.url().toUtf8() + "\r\n");
    DialogosQt reales;
    Contexto ctx{reales, e.reloj};
    ctx.carpetaAplicacion = e.carpeta.path();
    ctx.programa = QStringLiteral("TERV");
    ctx.esAdministrador = [] { return false; };
    FrmInicio menu(ctx);
    QRect marco;
    QTimer::singleShot(0, qApp, [&] {
        if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            marco = caja->frameGeometry();
            caja->done(0);
        }
    });
    menu.Form_Load();
    EXPECT_TRUE(Cerca(marco.center(), menu.frameGeometry().center())) << marco.x() << "," << marco.y();
}

TEST(Ventanas, ElMenuNoSeMaximiza)
{
    Escenario e;
    FrmInicio menu(e.ctx);
    menu.show();
    // Window managers do not maximise a window whose least and greatest sizes agree.
    EXPECT_EQ(menu.minimumSize(), menu.maximumSize());
    EXPECT_EQ(menu.size(), menu.minimumSize());
    EXPECT_FALSE(menu.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

// An INI that is there but cannot be read: one box that says why, no query.
TEST(Ventanas, IniIlegibleAlIniciar)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "hace falta root para leer como otro usuario";
    Escenario e;
    PreparoIniIlegible("[NETWORK]\r\nAMBIENTE=DESA\r\nURL=http://127.0.0.1:1/\r\n");
    FrmInicio menu(e.ctx);
    ASSERT_EQ(::seteuid(65534), 0);
    menu.Form_Load();
    ASSERT_EQ(::seteuid(0), 0);
    EXPECT_EQ(e.dialogos.titulos(), QStringList{QStringLiteral("No se puede leer el archivo")});
    EXPECT_TRUE(e.dialogos.vistas[0].texto.contains(QStringLiteral("Permiso denegado")));
    EXPECT_TRUE(menu.lblAmbiente->text().contains(QStringLiteral("No se puede leer el archivo TERV.ini")));
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
    auto visible = [&](QWidget* w) { return w->isVisibleTo(ventana) && !w->objectName().startsWith(QLatin1String("qt_")); };
    for (QWidget* w : todos) {
        if (!visible(w))
            continue;
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty()) {
            if (l->wordWrap() ? l->heightForWidth(l->width()) > l->height() : l->sizeHint().width() > l->width())
                d << QStringLiteral("texto cortado: %1 (%2x%3)").arg(w->objectName()).arg(l->sizeHint().width()).arg(l->wordWrap() ? l->heightForWidth(l->width()) : l->height());
            if (l->font().pointSizeF() < ventana->font().pointSizeF())
                d << QStringLiteral("letra reducida: ") + w->objectName();
        }
        if (auto* g = qobject_cast<QGroupBox*>(w); g && g->fontMetrics().horizontalAdvance(g->title()) + 16 > g->width())
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
            if ((ga && ga->autoFillBackground() && ra.contains(rb)) || (gb && gb->autoFillBackground() && rb.contains(ra)))
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

// Every screen with its longest texts, also with its quick help shown. The
// suite runs this at 96 dpi and again at 144 (QT_FONT_DPI).
TEST(Ventanas, NadaSeCortaNiSePisa)
{
    Escenario e;
    compartido().TamanoMaximoMB = 2047;
    const QString noZip = TextoNoEsZip(QStringLiteral("informe_mensual_2024.pdf"));
    const QString tamano = QStringLiteral("Tamaño del archivo es de: 2147483648 Bytes");
    auto reviso = [](QWidget* w) {
        w->show();
        QApplication::processEvents();
        const QStringList d = Defectos(w);
        EXPECT_TRUE(d.isEmpty()) << qPrintable(w->objectName() + QStringLiteral(": ") + d.join(QStringLiteral("; ")));
    };
    FrmInicio menu(e.ctx);
    reviso(&menu);
    FrmAgregoHash hash(e.ctx);
    PongoTexto(&hash, "lblnoesZip", noZip);
    PongoTexto(&hash, "Label1_2", tamano);
    PongoTexto(&hash, "lblEspere", QStringLiteral("Generando Hash... Por favor espere..."));
    reviso(&hash);
    FrmCorroboroHash corroboro(e.ctx);
    reviso(&corroboro);
    Cortar cortar(e.ctx);
    PongoTexto(&cortar, "lblnoesZip", noZip);
    PongoTexto(&cortar, "Label1_2", tamano);
    PongoTexto(&cortar, "lblTamBytes", QStringLiteral("2146435072 Bytes"));
    reviso(&cortar);
    Unir unir(e.ctx);
    reviso(&unir);
    // The list of the set is disabled but must read as clearly as any other.
    const QPalette lista = unir.findChild<QWidget*>(QStringLiteral("File2"))->palette();
    EXPECT_EQ(lista.color(QPalette::Disabled, QPalette::Text), lista.color(QPalette::Active, QPalette::Text));
    unir.findChild<QWidget*>(QStringLiteral("FmeAyudaRapida"))->show();
    reviso(&unir);
    FrmCompriArchMulti comprimir(e.ctx);
    PongoTexto(&comprimir, "lblMensaje", QStringLiteral("Armando Archivo... Por Favor espere..."));
    reviso(&comprimir);
    comprimir.findChild<QWidget*>(QStringLiteral("FmeAyudaRapida"))->show();
    reviso(&comprimir);
}

// Qt's file dialogs speak Spanish even where its own translation falls short,
// and the folder chooser says what it is for.
TEST(Ventanas, DialogosDeArchivosEnEspanol)
{
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
}

} // namespace
