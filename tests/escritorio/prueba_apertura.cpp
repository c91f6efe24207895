// Opening files with TERV: which screen, filled in how, and where TERV.ini is.
#include "app/pantallas/frminicio.h"
#include "app/instance/instancia.h"
#include "compress/pantallas/frmcompriarchmulti.h"
#include "config/pantallas/compartido.h"
#include "config/ubicacion_ini.h"
#include "hash/pantallas/frmcorroborohash.h"
#include "join/pantallas/unir.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"
#include "system/archivos.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLineEdit>
#include <QTimer>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

const QString kHash = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");

TEST(Apertura, ArgumentosYPantalla)
{
    const QString parte = QStringLiteral("informe_") + kHash + QStringLiteral(".zip.part002.003.vesk");
    const QString sellado = QStringLiteral("informe_") + kHash + QStringLiteral(".zip");
    struct Caso {
        const char* nombre;
        QStringList argumentos;
        Pedido leido;
        Apertura pantalla;
    } casos[] = {
        // clang-format off
        {"sin archivos", {}, {}, Apertura::Segun},
        {"una particion", {parte}, {Apertura::Segun, {QStringLiteral("/w/") + parte}}, Apertura::Unir},
        {"particion relativa", {QStringLiteral("../r/") + parte}, {Apertura::Segun, {QStringLiteral("/r/") + parte}}, Apertura::Unir},
        {"un sellado", {sellado}, {Apertura::Segun, {QStringLiteral("/w/") + sellado}}, Apertura::Comprobar},
        {"dos sellados se comprimen", {sellado, QStringLiteral("/x/b.txt")},
         {Apertura::Segun, {QStringLiteral("/w/") + sellado, QStringLiteral("/x/b.txt")}}, Apertura::Comprimir},
        {"otros", {QStringLiteral("a.txt")}, {Apertura::Segun, {QStringLiteral("/w/a.txt")}}, Apertura::Comprimir},
        {"accion de sellar", {QStringLiteral("--sellar"), QStringLiteral("file:///x/a%20b.pdf")},
         {Apertura::Sellar, {QStringLiteral("/x/a b.pdf")}}, Apertura::Sellar},
        {"accion sin archivos", {QStringLiteral("--comprimir")}, {Apertura::Comprimir, {}}, Apertura::Comprimir},
        {"fin de opciones", {QStringLiteral("--unir"), QStringLiteral("--"), QStringLiteral("--sellar")},
         {Apertura::Unir, {QStringLiteral("/w/--sellar")}}, Apertura::Unir},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        const Pedido p = LeoArgumentos(c.argumentos, QStringLiteral("/w"));
        EXPECT_EQ(p.rutas, c.leido.rutas);
        EXPECT_EQ(int(p.como), int(c.leido.como));
        EXPECT_EQ(int(ElijoPantalla(p)), int(c.pantalla));
    }
}

// A partition opens the join screen with its folder and its set listed; a
// later request for another screen leaves the join first.
TEST(Apertura, ParticionAbreUnirConElla)
{
    Escenario e;
    const QString carpeta = e.carpeta.filePath(QStringLiteral("recibidos"));
    QDir().mkpath(carpeta);
    QStringList juego;
    for (int i = 1; i <= 3; ++i)
        juego << EscriboArchivo(
            carpeta + QStringLiteral("/informe_%1.zip.part%2.003.vesk").arg(kHash).arg(i, 3, 10, QLatin1Char('0')),
            "x");
    for (int i = 1; i <= 2; ++i)
        EscriboArchivo(carpeta + QStringLiteral("/otro_%1.zip.part00%2.002.vesk").arg(kHash).arg(i), "y");
    FrmInicio menu(e.ctx);
    menu.show();
    const auto abro = [&](const QStringList& rutas) {
        menu.abroArchivos(LeoArgumentos(rutas, QDir::currentPath()));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    abro({juego[1]});
    ASSERT_TRUE(menu.unir);
    EXPECT_FALSE(menu.isVisible());
    EXPECT_TRUE(menu.unir->isVisible());
    EXPECT_EQ(Control<QLineEdit>(*menu.unir, "txtOrigen")->text(), carpeta);
    EXPECT_EQ(Control<QLineEdit>(*menu.unir, "txtDestino")->text(), carpeta);
    EXPECT_EQ(Control<QListWidget>(*menu.unir, "File2")->count(), 3); // its set, not the other one
    EXPECT_TRUE(Control<QPushButton>(*menu.unir, "cmdUnir")->isEnabled());
    EXPECT_TRUE(e.dialogos.titulos().isEmpty());

    // Other files: the join screen is left (as its Salir does) and the
    // compression screen opens with them listed; one more file joins the
    // same list instead of opening a second window.
    const QPointer<Unir> unir = menu.unir;
    const QString a = EscriboArchivo(e.carpeta.filePath(QStringLiteral("a.txt")), "a");
    abro({a, EscriboArchivo(e.carpeta.filePath(QStringLiteral("b.txt")), "b")});
    EXPECT_FALSE(unir);
    ASSERT_TRUE(menu.compriArchMulti);
    EXPECT_TRUE(menu.compriArchMulti->isVisible());
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(Control<QListWidget>(*menu.compriArchMulti, "lstFiles")->count(), 2);
    abro({EscriboArchivo(e.carpeta.filePath(QStringLiteral("c.txt")), "c")});
    EXPECT_EQ(Control<QListWidget>(*menu.compriArchMulti, "lstFiles")->count(), 3);

    // A stamped name: verification with it chosen.
    const QString sellado =
        EscriboArchivo(e.carpeta.filePath(QStringLiteral("envio_") + kHash + QStringLiteral(".zip")), "z");
    abro({sellado});
    EXPECT_FALSE(menu.compriArchMulti);
    ASSERT_TRUE(menu.corroboroHash);
    EXPECT_TRUE(menu.corroboroHash->isVisible());
    EXPECT_EQ(Control<QLineEdit>(*menu.corroboroHash, "Text1_0")->text(), sellado);
}

// Installed (PREFIX/bin with no TERV.ini beside it), the organisation's file
// is read from PREFIX/etc/terv (/etc/terv for a /usr prefix) and the
// operator's file overrides it key by key and takes PARTGUAR.
TEST(Apertura, UbicacionDelIni)
{
    const QByteArray organizacion = "[NETWORK]\nAMBIENTE=TEST\nURL=http://o/\nPARTGUAR=/org\n";
    const char* const manda = "[NETWORK]\nAMBIENTE=PROD\nPARTGUAR=/mia\n";
    const char* const carpetaPropia = "[NETWORK]\nPARTGUAR=/mia\n";
    struct Caso {
        const char* nombre;
        const char* aplicacion; // under the temporary folder
        bool junto;             // a TERV.ini (DESA) beside the executable
        const char* etc;        // where the organisation's file is put, or nullptr
        const char* usuario;    // the operator's file, or nullptr
        const char* leido;      // the folder of the organisation's file it looks for
        bool existe;
        const char *entorno, *url, *carpeta;
        bool escribeUsuario;
    } casos[] = {
        // clang-format off
        {"portatil", "usr/bin", true, "etc/terv", nullptr, "usr/bin", true, "DESA", "", "", false},
        {"carpeta de compilacion", "build/src", false, "etc/terv", nullptr, "build/src", false, "", "", "", false},
        {"bajo /usr", "usr/bin", false, "etc/terv", nullptr, "etc/terv", true, "TEST", "http://o/", "/org", true},
        {"instalado en otro prefijo", "opt/terv/bin", false, "opt/terv/etc/terv", nullptr, "opt/terv/etc/terv", true,
         "TEST", "http://o/", "/org", true},
        {"el usuario manda", "usr/bin", false, "etc/terv", manda, "etc/terv", true, "PROD", "http://o/", "/mia", true},
        {"solo el usuario", "usr/bin", false, nullptr, carpetaPropia, "etc/terv", true, "", "", "/mia", true},
        {"ninguno", "usr/bin", false, nullptr, nullptr, "etc/terv", false, "", "", "", true},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Escenario e;
        const QDir t(e.carpeta.path());
        const QString aplicacion = t.filePath(QString::fromLatin1(c.aplicacion));
        const QString usuario = t.filePath(QStringLiteral("config"));
        const QString propio = usuario + QStringLiteral("/terv/TERV.ini");
        const auto pongo = [](const QString& ruta, const QByteArray& contenido) {
            QDir().mkpath(CarpetaDeRuta(ruta));
            return EscriboArchivo(ruta, contenido);
        };
        QDir().mkpath(aplicacion);
        if (c.junto)
            pongo(aplicacion + QStringLiteral("/TERV.ini"), "[NETWORK]\nAMBIENTE=DESA\n");
        const QString etc =
            c.etc ? pongo(t.filePath(QLatin1String(c.etc) + QStringLiteral("/TERV.ini")), organizacion) : QString();
        if (c.usuario)
            pongo(propio, c.usuario);
        const UbicacionIni u = UbicoIni(aplicacion, usuario);
        EXPECT_EQ(u.organizacion, t.filePath(QLatin1String(c.leido) + QStringLiteral("/TERV.ini")));
        const Configuracion conf = CargoConfiguracion(u);
        EXPECT_EQ(conf.existe, c.existe);
        EXPECT_EQ(conf.entorno, QString::fromLatin1(c.entorno));
        EXPECT_EQ(conf.urlServicio, QString::fromLatin1(c.url));
        EXPECT_EQ(conf.carpetaGuardada, QString::fromLatin1(c.carpeta));
        // Reading creates nothing, not even the operator's folder.
        EXPECT_EQ(QFileInfo::exists(usuario), bool(c.usuario));

        // Remembering a folder writes the operator's file, never the organisation's.
        EXPECT_EQ(conf.rutaIni, c.escribeUsuario ? propio : u.organizacion);
        AplicoConfiguracion(conf);
        RecuerdoCarpeta(QStringLiteral("/nueva"));
        EXPECT_EQ(compartido().CarpetaGuardada, QStringLiteral("/nueva"));
        EXPECT_EQ(LeoValorINI(propio, QStringLiteral("NETWORK"), QStringLiteral("PARTGUAR")),
                  c.escribeUsuario ? QStringLiteral("/nueva") : QString());
        EXPECT_TRUE(etc.isEmpty() || LeoArchivo(etc) == organizacion);
    }
}

TEST(Apertura, UbicacionDeLaAyuda)
{
    QTemporaryDir t;
    QDir().mkpath(t.filePath(QStringLiteral("usr/bin")));
    QDir().mkpath(t.filePath(QStringLiteral("build/src")));
    EXPECT_EQ(UbicoAyuda(t.filePath(QStringLiteral("usr/bin"))),
              t.filePath(QStringLiteral("usr/share/terv/AYUDA TERV.hlp")));
    EXPECT_EQ(UbicoAyuda(t.filePath(QStringLiteral("build/src"))),
              t.filePath(QStringLiteral("build/src/AYUDA TERV.hlp")));
    EscriboArchivo(t.filePath(QStringLiteral("usr/bin/AYUDA TERV.hlp")), "portable");
    EXPECT_EQ(UbicoAyuda(t.filePath(QStringLiteral("usr/bin"))), t.filePath(QStringLiteral("usr/bin/AYUDA TERV.hlp")));
}

// A second copy's request that makes the running one open a box: the box's
// event loop runs while the request's socket goes away, so the request is
// served once the socket's handler has returned; both requests arrive.
TEST(Apertura, PedidoQueAbreUnaCaja)
{
    QTemporaryDir d;
    const QString canal = d.filePath(QStringLiteral("canal"));
    Instancia primera(canal);
    ASSERT_FALSE(primera.entregoOEscucho({}));
    QList<Pedido> atendidos;
    std::atomic<bool> entregado{false}, termino{false};
    primera.atiendoCon([&](const Pedido& p) {
        atendidos << p;
        // The box: its own event loop, until the second copy has ended and
        // its socket has closed.
        QEventLoop caja;
        QTimer mira;
        QObject::connect(&mira, &QTimer::timeout, &caja, [&] {
            if (termino)
                caja.quit();
        });
        mira.start(0);
        caja.exec();
    });
    for (const QString& ruta : {QStringLiteral("/x/noexiste.zip"), QStringLiteral("/x/otro.zip")}) {
        const Pedido pedido{Apertura::Sellar, {ruta}};
        termino = false;
        std::thread segunda([&] {
            entregado = Instancia(canal).entregoOEscucho(pedido);
            termino = true;
        });
        while (atendidos.size() < (ruta.endsWith(QStringLiteral("otro.zip")) ? 2 : 1))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        segunda.join();
        EXPECT_TRUE(entregado);
        EXPECT_EQ(atendidos.last(), pedido);
    }
}

} // namespace
