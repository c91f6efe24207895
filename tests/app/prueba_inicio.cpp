#include "app/pantallas/frminicio.h"
#include "config/pantallas/compartido.h"
#include "hash/pantallas/frmagregohash.h"
#include "partition/pantallas/cortar.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// The start-up boxes come strictly in order: administrator, INI file, size query.
TEST(Inicio, SecuenciaDeArranque)
{
    struct Caso {
        const char* nombre;
        bool administrador;
        const char* ambiente; // nullptr: no INI file; "": the shipped one, all commented out
        QStringList titulos;
        qint32 tamano;
        QString leyenda;       // null: no banner; %1: the INI file
        bool ilegible = false; // there, but for uid 65534 it cannot be read
    } casos[] = {
        // clang-format off
        {"todo bien", true, "DESA", {}, 20, QStringLiteral("DESA")},
        {"produccion", true, "PROD", {}, 20, QString()},
        {"no administrador", false, "TEST", {QStringLiteral("TERV")}, 20, QStringLiteral("TEST")},
        {"sin INI", false, nullptr,
         {QStringLiteral("TERV"), QStringLiteral("No se encuentra archivo"), QStringLiteral("0 ")}, 0,
         QStringLiteral("No se encuentra archivo TERV.ini, reinstale el Aplicativo descargandolo nuevamente de la página")},
        // A new installation: one plain box, no query, no false "No se encuentra".
        {"sin servicio", true, "", {QStringLiteral("Servicio sin configurar")}, 0,
         QStringLiteral("Servicio sin configurar: vea AMBIENTE y URL en TERV.ini")},
        // One box that says why, no query.
        {"INI ilegible", true, "DESA", {QStringLiteral("No se puede leer el archivo")}, 0,
         QStringLiteral("No se puede leer el archivo TERV.ini: Permiso denegado: %1"), true},
        // clang-format on
    };
    Servicio s(QStringLiteral("respuesta"));
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        if (c.ilegible && ::geteuid() != 0)
            continue; // reading as another user takes root
        Escenario e;
        e.ctx.esAdministrador = [&] { return c.administrador; };
        const QByteArray comentario = c.ambiente && !*c.ambiente ? ";" : "";
        if (c.ambiente)
            EscriboArchivo(e.carpeta.filePath(QStringLiteral("TERV.ini")),
                           "[NETWORK]\r\n" + comentario + "AMBIENTE=" + QByteArray(c.ambiente) + "\r\n" + comentario
                               + "URL=" + s.url().toUtf8() + "\r\n");
        if (c.ilegible)
            PreparoIniIlegible(LeoArchivo(compartido().RutaIni));
        FrmInicio menu(e.ctx);
        ASSERT_TRUE(!c.ilegible || ::seteuid(65534) == 0);
        menu.Form_Load();
        ASSERT_TRUE(!c.ilegible || ::seteuid(0) == 0);
        EXPECT_EQ(e.dialogos.titulos(), c.titulos);
        if (comentario.size()) {
            EXPECT_TRUE(e.dialogos.vistas[0].texto.contains(e.carpeta.filePath(QStringLiteral("TERV.ini"))));
            EXPECT_EQ(e.dialogos.vistas[0].icono, Icono::Informacion);
        }
        EXPECT_EQ(compartido().TamanoMaximoMB, c.tamano);
        EXPECT_EQ(menu.lblAmbiente->isVisibleTo(&menu), !c.leyenda.isNull());
        // No empty band where a hidden banner would be.
        EXPECT_EQ(menu.centralWidget()->height() > FrmInicio::TamanoPortada().height(), !c.leyenda.isNull());
        const QString leyenda = QString(c.leyenda).replace(QStringLiteral("%1"), compartido().RutaIni);
        EXPECT_TRUE(c.leyenda.isNull() || menu.lblAmbiente->text() == leyenda) << qPrintable(menu.lblAmbiente->text());
        EXPECT_TRUE(!c.ilegible || e.dialogos.vistas[0].texto == leyenda); // the box says why
    }
}

// The menu's options with their keys, and its cover. Without a size, splitting is refused
// and hashing warns but opens; leaving asks first, "No" by default.
TEST(Inicio, Menu)
{
    Escenario e;
    compartido().TamanoMaximoMB = 0;
    FrmInicio menu(e.ctx);
    const std::pair<const char*, const char*> opciones[] = {
        // clang-format off
        {"CoArPrPaPu", "Com&primir Archivos y Preparar Para Publicar"},
        {"Chash", "Generar Código& Hash"},
        {"Part", "&Generar Particiones"},
        {"uni", "&Unir Particiones"},
        {"CompHash", "Compro&bación de Hash"},
        {"Sal", "&Salir"},
        {"Acerca", "Acerca de..."},
        {"Ayu", "Ayuda"},
        // clang-format on
    };
    for (const auto& [nombre, texto] : opciones) {
        const auto* a = menu.findChild<QAction*>(QString::fromLatin1(nombre));
        ASSERT_TRUE(a) << nombre;
        EXPECT_EQ(a->text(), QString::fromUtf8(texto));
    }
    menu.show();
    // The cover, drawn on another thread, is on the menu when it shows.
    const QImage portada = Control<QLabel>(menu, "Picture1")->pixmap().toImage();
    ASSERT_EQ(portada.size(), FrmInicio::TamanoPortada());
    EXPECT_EQ(portada.pixelColor(0, 0), QColor(0x1d, 0x4e, 0x89));
    int blancos = 0;
    for (int y = 0; y < portada.height(); ++y)
        for (int x = 0; x < portada.width(); ++x)
            blancos += portada.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(blancos, 500); // the texts

    e.dialogos.respuestas.push_back(Respuesta::No);
    menu.Sal_Click();
    EXPECT_TRUE(menu.isVisible());
    menu.Part_Click();
    EXPECT_FALSE(menu.cortar);
    EXPECT_TRUE(menu.isVisible());
    menu.Chash_Click();
    ASSERT_TRUE(menu.agregoHash);
    EXPECT_TRUE(menu.agregoHash->isVisible());
    EXPECT_FALSE(menu.isVisible());
    const QStringList titulos{QStringLiteral("Atención"), QStringLiteral("Imposibilidad de Particionar"),
                              QStringLiteral("TERV")};
    EXPECT_EQ(e.dialogos.titulos(), titulos);
    const CajaVista& salir = e.dialogos.vistas[0];
    EXPECT_EQ(salir.texto, QStringLiteral("Realmente desea Salir de la aplicación?"));
    EXPECT_EQ(salir.botones, Botones::SiNo);
    EXPECT_EQ(salir.porDefecto, Respuesta::No);
    EXPECT_EQ(e.dialogos.vistas[2].icono, Icono::Ninguno);

    menu.agregoHash->findChild<QPushButton*>(QStringLiteral("cmdSalir"))->click();
    EXPECT_TRUE(menu.isVisible());
}

} // namespace
