#include "config/archivo_ini.h"
#include "config/compartido.h"
#include "soporte/utiles.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TEST(Ini, LeoValores)
{
    QTemporaryDir d;
    const QString ini = EscriboArchivo(d.filePath(QStringLiteral("TERV.ini")),
        "; comentario\r\n[otra]\r\nURL=mal\r\n[Network]\r\n  ambiente = DESA \r\nurl=\"http://h/x?programa=\"\r\n"
        "LARGO=" + QByteArray(300, 'x') + "\r\n[fin]\r\nAMBIENTE=PROD\r\n");
    struct Caso {
        const char* seccion;
        const char* clave;
        QString esperado;
    } casos[] = {
        {"NETWORK", "AMBIENTE", QStringLiteral("DESA")},
        {"network", "URL", QStringLiteral("http://h/x?programa=")},
        {"NETWORK", "LARGO", QString(255, QLatin1Char('x'))},
        {"NETWORK", "PARTGUAR", QString()},
        {"NADA", "URL", QString()},
        {"fin", "AMBIENTE", QStringLiteral("PROD")},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.clave);
        EXPECT_EQ(LeoValorINI(ini, QString::fromLatin1(c.seccion), QString::fromLatin1(c.clave)), c.esperado);
    }
    EXPECT_EQ(LeoValorINI(d.filePath(QStringLiteral("no.ini")), QStringLiteral("NETWORK"), QStringLiteral("URL")), QString());
}

// Saving the folder keeps every other byte of the file and its encoding.
TEST(Ini, GuardoCarpetaConservaElArchivo)
{
    struct Caso {
        const char* nombre;
        QByteArray antes;
        QString valor;
        QByteArray despues;
    } casos[] = {
        {"agrega", "[NETWORK]\r\nURL=u\r\n\r\n[X]\r\nA=1\r\n", QStringLiteral("/datos/"),
         "[NETWORK]\r\nURL=u\r\nPARTGUAR=/datos/\r\n\r\n[X]\r\nA=1\r\n"},
        {"reemplaza", "[NETWORK]\nPartGuar=/viejo/\nURL=u\n", QStringLiteral("/nuevo/"),
         "[NETWORK]\nPartGuar=/nuevo/\nURL=u\n"},
        {"sin seccion", "[X]\r\nA=1\r\n", QStringLiteral("/d/"), "[X]\r\nA=1\r\n[NETWORK]\r\nPARTGUAR=/d/\r\n"},
        {"archivo nuevo", "", QStringLiteral("/d/"), "[NETWORK]\r\nPARTGUAR=/d/\r\n"},
        // Windows-1252 stays Windows-1252: "Año" and the new "Gráficos".
        {"cp1252", "[NETWORK]\r\nNOTA=A\xf1o\r\n", QStringLiteral("/Gráficos/"),
         "[NETWORK]\r\nNOTA=A\xf1o\r\nPARTGUAR=/Gr\xe1" "ficos/\r\n"},
        {"utf8", "[NETWORK]\r\nNOTA=A\xc3\xb1o\r\n", QStringLiteral("/Gráficos/"),
         "[NETWORK]\r\nNOTA=A\xc3\xb1o\r\nPARTGUAR=/Gr\xc3\xa1" "ficos/\r\n"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        QTemporaryDir d;
        const QString ini = d.filePath(QStringLiteral("TERV.ini"));
        if (!c.antes.isEmpty())
            EscriboArchivo(ini, c.antes);
        EXPECT_TRUE(GuardoCarpetaINI(ini, QStringLiteral("NETWORK"), c.valor));
        EXPECT_EQ(LeoArchivo(ini), c.despues);
        EXPECT_EQ(compartido().CarpetaGuardada, c.valor);
        EXPECT_EQ(LeoValorINI(ini, QStringLiteral("NETWORK"), QStringLiteral("PARTGUAR")), c.valor);
        EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("TERV.ini")}); // no temporary left
    }
}

TEST(Ini, GuardoEnCarpetaInexistenteFallaSinTocarNada)
{
    QTemporaryDir d;
    EXPECT_FALSE(GuardoCarpetaINI(d.filePath(QStringLiteral("no/TERV.ini")), QStringLiteral("NETWORK"), QStringLiteral("/x/")));
    EXPECT_EQ(compartido().CarpetaGuardada, QStringLiteral("/x/"));
}

TEST(Ini, CargoConfiguracionYAmbiente)
{
    struct Caso {
        QByteArray contenido; // empty: no file
        bool existe;
        Ambiente ambiente;
    } casos[] = {
        {"[NETWORK]\r\nAMBIENTE=DESA\r\nURL=http://u/\r\nPARTGUAR=/g/\r\n", true, Ambiente::Prueba},
        {"[NETWORK]\r\nAMBIENTE=TEST\r\n", true, Ambiente::Prueba},
        {"[NETWORK]\r\nAMBIENTE=PROD\r\n", true, Ambiente::Produccion},
        {"[NETWORK]\r\nAMBIENTE=prod\r\n", true, Ambiente::Invalido},
        {"", false, Ambiente::Invalido},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.contenido.constData());
        Escenario e;
        if (!c.contenido.isEmpty())
            EscriboArchivo(compartido().RutaIni, c.contenido);
        const Configuracion conf = CargoConfiguracion();
        EXPECT_EQ(conf.existe, c.existe);
        EXPECT_EQ(conf.ambiente, c.ambiente);
    }
    Escenario e;
    EscriboArchivo(compartido().RutaIni, "[NETWORK]\r\nAMBIENTE=DESA\r\nURL=http://u/\r\nPARTGUAR=/g/\r\n");
    CargoConfiguracion();
    EXPECT_EQ(compartido().UrlServicio, QStringLiteral("http://u/"));
    EXPECT_EQ(compartido().CarpetaGuardada, QStringLiteral("/g/"));
}

TEST(Compartido, TamanoEnBytesSinDesborde)
{
    const std::pair<qint32, qint64> casos[] = {{20, 20971520}, {0, 0}, {2048, 2147483648LL}, {4096, 4294967296LL}};
    for (const auto& [mb, bytes] : casos) {
        compartido().TamanoMaximoMB = mb;
        CalculoTamanoBytes();
        EXPECT_EQ(compartido().TamanoMaximoBytes, bytes);
    }
    EXPECT_EQ(MegasABytes(0.5), 524288);
}

} // namespace
