// Windows as the operator meets them: F1, where boxes open, what fits the screen.
#include "app/ayuda.h"
#include "app/frmacercade.h"
#include "app/frminicio.h"
#include "compress/frmcompriarchmulti.h"
#include "config/compartido.h"
#include "hash/frmagregohash.h"
#include "hash/frmcorroborohash.h"
#include "join/unir.h"
#include "partition/cortar.h"
#include "soporte/utiles.h"
#include "system/dialogos_qt.h"
#include "system/pantalla.h"

#include <QApplication>
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
    Contexto ctx{reales, e.ejecutor, e.reloj};
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
    EscriboArchivo(compartido().RutaIni, "[NETWORK]\r\nAMBIENTE=DESA\r\nURL=http://127.0.0.1:1/\r\n");
    ::chmod(QFile::encodeName(e.carpeta.path()).constData(), 0755);
    ::chmod(QFile::encodeName(compartido().RutaIni).constData(), 0600);
    FrmInicio menu(e.ctx);
    ASSERT_EQ(::seteuid(65534), 0);
    menu.Form_Load();
    ASSERT_EQ(::seteuid(0), 0);
    EXPECT_EQ(e.dialogos.titulos(), QStringList{QStringLiteral("No se puede leer el archivo")});
    EXPECT_TRUE(e.dialogos.vistas[0].texto.contains(QStringLiteral("Permiso denegado")));
    EXPECT_TRUE(menu.lblAmbiente->text().contains(QStringLiteral("No se puede leer el archivo TERV.ini")));
}

} // namespace
