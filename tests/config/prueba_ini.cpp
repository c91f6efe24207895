#include "config/archivo_ini.h"
#include "config/pantallas/compartido.h"
#include "soporte/utiles.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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
        // A folder Windows-1252 cannot hold: the whole file moves to UTF-8.
        {"a utf8 por omega", "[NETWORK]\r\nNOTA=A\xf1o\r\nPARTGUAR=/viejo/\r\n", QStringLiteral("/datos/Ωmega"),
         "[NETWORK]\r\nNOTA=A\xc3\xb1o\r\nPARTGUAR=/datos/\xce\xa9mega\r\n"},
        {"a utf8 por kanji", "[NETWORK]\r\nNOTA=\x80\r\n", QStringLiteral("/日本/"),
         "[NETWORK]\r\nNOTA=\xe2\x82\xac\r\nPARTGUAR=/\xe6\x97\xa5\xe6\x9c\xac/\r\n"},
        // Line ends mixed by hand: the key is found and replaced, each line keeps its end.
        {"crlf y lf", "[NETWORK]\r\nURL=u\nPARTGUAR=/viejo/\nAMBIENTE=DESA\r\n", QStringLiteral("/nuevo/"),
         "[NETWORK]\r\nURL=u\nPARTGUAR=/nuevo/\nAMBIENTE=DESA\r\n"},
        {"sin fin de linea", "[NETWORK]\nURL=u", QStringLiteral("/d/"), "[NETWORK]\nURL=u\nPARTGUAR=/d/\n"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        QTemporaryDir d;
        const QString ini = d.filePath(QStringLiteral("TERV.ini"));
        if (!c.antes.isEmpty())
            EscriboArchivo(ini, c.antes);
        EXPECT_TRUE(GuardoCarpetaINI(ini, QStringLiteral("NETWORK"), c.valor));
        EXPECT_EQ(LeoArchivo(ini), c.despues);
        EXPECT_EQ(LeoValorINI(ini, QStringLiteral("NETWORK"), QStringLiteral("PARTGUAR")), c.valor);
        EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("TERV.ini")}); // no temporary left
    }
}

// The file stays the operator's: owner and mode kept when root saves it, an
// update in place when the folder cannot take a new file, nothing through a link.
TEST(Ini, GuardoConservaDuenoYModo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "cambiar de dueño requiere root";
    const QString s = QStringLiteral("NETWORK");
    {
        QTemporaryDir d;
        const QString ini = EscriboArchivo(d.filePath(QStringLiteral("TERV.ini")), "[NETWORK]\r\nURL=u\r\n");
        ASSERT_EQ(::chown(QFile::encodeName(ini).constData(), 4321, 4322), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0604), 0);
        EXPECT_TRUE(GuardoCarpetaINI(ini, s, QStringLiteral("/r/")));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &st), 0);
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
        EXPECT_EQ(st.st_mode & 07777, 0604u);
        EXPECT_EQ(LeoValorINI(ini, s, QStringLiteral("PARTGUAR")), QStringLiteral("/r/"));
        EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("TERV.ini")});
    }
    {
        // An operator (uid 65534) whose INI is writable in a folder that is not.
        QTemporaryDir d;
        const QString ini = EscriboArchivo(d.filePath(QStringLiteral("TERV.ini")), "[NETWORK]\nURL=u\nPARTGUAR=/un/largo/camino/\n");
        ASSERT_EQ(::chown(QFile::encodeName(ini).constData(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0640), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(d.path()).constData(), 0555), 0);
        struct stat antes {}, despues {};
        ::stat(QFile::encodeName(ini).constData(), &antes);
        ASSERT_EQ(::setegid(65534), 0);
        ASSERT_EQ(::seteuid(65534), 0);
        const bool escrito = GuardoCarpetaINI(ini, s, QStringLiteral("/c/"));
        ASSERT_EQ(::seteuid(0), 0);
        ASSERT_EQ(::setegid(0), 0);
        EXPECT_TRUE(escrito);
        EXPECT_EQ(LeoArchivo(ini), QByteArray("[NETWORK]\nURL=u\nPARTGUAR=/c/\n"));
        ::stat(QFile::encodeName(ini).constData(), &despues);
        EXPECT_EQ(despues.st_ino, antes.st_ino);
        EXPECT_EQ(despues.st_uid, 65534u);
        EXPECT_EQ(despues.st_mode & 07777, 0640u);
        EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("TERV.ini")});
        ::chmod(QFile::encodeName(d.path()).constData(), 0700);
    }
}

TEST(Ini, NoSeEscribeAtravesDeUnEnlace)
{
    QTemporaryDir d;
    const QString otro = EscriboArchivo(d.filePath(QStringLiteral("otro.txt")), "[NETWORK]\r\nURL=u\r\n");
    const QString ini = d.filePath(QStringLiteral("TERV.ini"));
    ASSERT_TRUE(QFile::link(otro, ini));
    EXPECT_FALSE(GuardoCarpetaINI(ini, QStringLiteral("NETWORK"), QStringLiteral("/x/")));
    EXPECT_EQ(LeoArchivo(otro), QByteArray("[NETWORK]\r\nURL=u\r\n"));
    EXPECT_TRUE(QFileInfo(ini).isSymLink());
    EXPECT_EQ(Archivos(d.path()).size(), 2);
}

// An INI that is there but cannot be read says so, and why.
TEST(Ini, IlegibleDiceQueNoSePuedeLeer)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "hace falta root para leer como otro usuario";
    Escenario e;
    PreparoIniIlegible("[NETWORK]\r\nAMBIENTE=DESA\r\nURL=http://u/\r\n");
    ASSERT_EQ(::seteuid(65534), 0);
    const Configuracion c = CargoConfiguracion(compartido().RutaIni);
    ASSERT_EQ(::seteuid(0), 0);
    EXPECT_TRUE(c.existe);
    EXPECT_TRUE(c.ilegible.contains(QStringLiteral("Permiso denegado"))) << qPrintable(c.ilegible);
    EXPECT_TRUE(c.urlServicio.isEmpty());
}

TEST(Ini, GuardoEnCarpetaInexistenteFallaSinTocarNada)
{
    QTemporaryDir d;
    EXPECT_FALSE(GuardoCarpetaINI(d.filePath(QStringLiteral("no/TERV.ini")), QStringLiteral("NETWORK"), QStringLiteral("/x/")));
    EXPECT_FALSE(QFileInfo::exists(d.filePath(QStringLiteral("no"))));
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
        const Configuracion conf = CargoConfiguracion(compartido().RutaIni);
        EXPECT_EQ(conf.existe, c.existe);
        EXPECT_EQ(conf.ambiente, c.ambiente);
    }
    // Read through a link, as any program reads it; the values come back as
    // a record and the shared values stay as they were.
    Escenario e;
    const QString real = EscriboArchivo(e.carpeta.filePath(QStringLiteral("real.ini")),
                                        "[NETWORK]\r\nAMBIENTE=DESA\r\nURL='http://u/'\r\nPARTGUAR=\"/g/\"\r\n");
    ASSERT_TRUE(QFile::link(real, compartido().RutaIni));
    const Configuracion conf = CargoConfiguracion(compartido().RutaIni);
    EXPECT_TRUE(conf.existe);
    EXPECT_EQ(conf.ambiente, Ambiente::Prueba);
    EXPECT_EQ(conf.urlServicio, QStringLiteral("http://u/"));
    EXPECT_EQ(conf.carpetaGuardada, QStringLiteral("/g/"));
    EXPECT_TRUE(compartido().UrlServicio.isEmpty());
}

// What PARTGUAR never does to the file: break its lines, drop its byte-order
// mark, or replace a read-only file (even for root).
TEST(Ini, GuardoRespetaLineasMarcaYSoloLectura)
{
    struct Caso {
        const char* nombre;
        QByteArray antes;
        QString valor;
        bool escrito;
        QByteArray despues;
        int modo = 0644;
    } casos[] = {
        {"salto de linea", "[NETWORK]\nURL=u\n", QStringLiteral("/a\nAMBIENTE=PROD\nURL=http://x/"), false, "[NETWORK]\nURL=u\n"},
        {"retorno", "[NETWORK]\nURL=u\n", QStringLiteral("/a\r[OTRA]"), false, "[NETWORK]\nURL=u\n"},
        {"marca utf8", "\xEF\xBB\xBF[NETWORK]\r\nURL=u\r\n", QStringLiteral("/d/"), true,
         "\xEF\xBB\xBF[NETWORK]\r\nURL=u\r\nPARTGUAR=/d/\r\n"},
        {"solo lectura", "[NETWORK]\nURL=u\n", QStringLiteral("/d/"), false, "[NETWORK]\nURL=u\n", 0444},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        QTemporaryDir d;
        const QString ini = EscriboArchivo(d.filePath(QStringLiteral("TERV.ini")), c.antes);
        ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), mode_t(c.modo)), 0);
        EXPECT_EQ(GuardoCarpetaINI(ini, QStringLiteral("NETWORK"), c.valor), c.escrito);
        EXPECT_EQ(LeoArchivo(ini), c.despues);
        EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("TERV.ini")});
    }
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
