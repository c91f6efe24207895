#include "config/archivo_ini.h"
#include "config/pantallas/compartido.h"
#include "soporte/utiles.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Saving the folder keeps every other byte of the file and its encoding; it
// never breaks the file's lines, drops its byte-order mark, replaces a
// read-only file (even for root) or writes through a link.
TEST(Ini, GuardoCarpetaConservaElArchivo)
{
    struct Caso {
        const char* nombre;
        QByteArray antes; // empty: no file
        QString valor;
        QByteArray despues;
        bool escrito = true;
        int modo = 0644;
        bool enlace = false; // TERV.ini is a link to a file elsewhere
    } casos[] = {
        // clang-format off
        {"agrega", "[NETWORK]\r\nURL=u\r\n\r\n[X]\r\nA=1\r\n", QStringLiteral("/datos/"),
         "[NETWORK]\r\nURL=u\r\nPARTGUAR=/datos/\r\n\r\n[X]\r\nA=1\r\n"},
        {"sin seccion", "[X]\r\nA=1\r\n", QStringLiteral("/d/"), "[X]\r\nA=1\r\n[NETWORK]\r\nPARTGUAR=/d/\r\n"},
        {"archivo nuevo", "", QStringLiteral("/d/"), "[NETWORK]\r\nPARTGUAR=/d/\r\n"},
        // Windows-1252 stays Windows-1252: "Año" and the new "Gráficos".
        {"cp1252", "[NETWORK]\r\nNOTA=A\xf1o\r\n", QStringLiteral("/Gráficos/"),
         "[NETWORK]\r\nNOTA=A\xf1o\r\nPARTGUAR=/Gr\xe1" "ficos/\r\n"},
        {"utf8", "[NETWORK]\r\nNOTA=A\xc3\xb1o\r\n", QStringLiteral("/Gráficos/"),
         "[NETWORK]\r\nNOTA=A\xc3\xb1o\r\nPARTGUAR=/Gr\xc3\xa1" "ficos/\r\n"},
        // A folder Windows-1252 cannot hold: the whole file moves to UTF-8, "€" too.
        {"a utf8", "[NETWORK]\r\nNOTA=\x80\r\n", QStringLiteral("/日本/"),
         "[NETWORK]\r\nNOTA=\xe2\x82\xac\r\nPARTGUAR=/\xe6\x97\xa5\xe6\x9c\xac/\r\n"},
        // Line ends mixed by hand: the key is found whatever its case and replaced, each line keeps its end.
        {"reemplaza", "[NETWORK]\r\nURL=u\nPartGuar=/viejo/\nAMBIENTE=DESA\r\n", QStringLiteral("/nuevo/"),
         "[NETWORK]\r\nURL=u\nPartGuar=/nuevo/\nAMBIENTE=DESA\r\n"},
        {"sin fin de linea", "[NETWORK]\nURL=u", QStringLiteral("/d/"), "[NETWORK]\nURL=u\nPARTGUAR=/d/\n"},
        {"marca utf8", "\xEF\xBB\xBF[NETWORK]\r\nURL=u\r\n", QStringLiteral("/d/"),
         "\xEF\xBB\xBF[NETWORK]\r\nURL=u\r\nPARTGUAR=/d/\r\n"},
        {"salto de linea", "[NETWORK]\nURL=u\n", QStringLiteral("/a\nAMBIENTE=PROD\nURL=http://x/"), "[NETWORK]\nURL=u\n",
         false},
        {"retorno", "[NETWORK]\nURL=u\n", QStringLiteral("/a\r[OTRA]"), "[NETWORK]\nURL=u\n", false},
        {"solo lectura", "[NETWORK]\nURL=u\n", QStringLiteral("/d/"), "[NETWORK]\nURL=u\n", false, 0444},
        {"enlace", "[NETWORK]\r\nURL=u\r\n", QStringLiteral("/x/"), "[NETWORK]\r\nURL=u\r\n", false, 0644, true},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        QTemporaryDir d, fuera;
        const QString ini = d.filePath(QStringLiteral("TERV.ini"));
        if (c.enlace) {
            ASSERT_TRUE(QFile::link(EscriboArchivo(fuera.filePath(QStringLiteral("otro.txt")), c.antes), ini));
        } else if (!c.antes.isEmpty()) {
            ASSERT_EQ(::chmod(QFile::encodeName(EscriboArchivo(ini, c.antes)).constData(), mode_t(c.modo)), 0);
        }
        EXPECT_EQ(GuardoCarpetaINI(ini, QStringLiteral("NETWORK"), c.valor), c.escrito);
        EXPECT_EQ(LeoArchivo(ini), c.despues);
        if (c.escrito) {
            EXPECT_EQ(LeoValorINI(ini, QStringLiteral("NETWORK"), QStringLiteral("PARTGUAR")), c.valor);
        }
        EXPECT_EQ(QFileInfo(ini).isSymLink(), c.enlace);
        EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("TERV.ini")}); // no temporary left
    }
    // A folder that is not there: nothing made.
    QTemporaryDir d;
    EXPECT_FALSE(
        GuardoCarpetaINI(d.filePath(QStringLiteral("no/TERV.ini")), QStringLiteral("NETWORK"), QStringLiteral("/x/")));
    EXPECT_FALSE(QFileInfo::exists(d.filePath(QStringLiteral("no"))));
}

// The file stays the operator's: owner and mode kept when root saves it, an
// update in place when the folder cannot take a new file.
TEST(Ini, GuardoConservaDuenoYModo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "cambiar de dueño requiere root";
    struct Caso {
        const char* nombre;
        QByteArray antes, despues;
        unsigned dueno, grupo, modo;
        bool operador; // saved as uid 65534, in a folder it cannot write: updated in place
    } casos[] = {
        // clang-format off
        {"root", "[NETWORK]\r\nURL=u\r\n", "[NETWORK]\r\nURL=u\r\nPARTGUAR=/c/\r\n", 4321, 4322, 0604, false},
        {"operador", "[NETWORK]\nURL=u\nPARTGUAR=/un/largo/camino/\n", "[NETWORK]\nURL=u\nPARTGUAR=/c/\n", 65534, 65534,
         0640, true},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        QTemporaryDir d;
        const QByteArray ini = QFile::encodeName(EscriboArchivo(d.filePath(QStringLiteral("TERV.ini")), c.antes));
        ASSERT_EQ(::chown(ini.constData(), c.dueno, c.grupo), 0);
        ASSERT_EQ(::chmod(ini.constData(), c.modo), 0);
        struct stat antes {};
        struct stat despues {};
        ::stat(ini.constData(), &antes);
        if (c.operador) {
            ASSERT_EQ(::chmod(QFile::encodeName(d.path()).constData(), 0555), 0);
            ASSERT_EQ(::setegid(65534), 0);
            ASSERT_EQ(::seteuid(65534), 0);
        }
        const bool escrito = GuardoCarpetaINI(QFile::decodeName(ini), QStringLiteral("NETWORK"), QStringLiteral("/c/"));
        ASSERT_EQ(::seteuid(0), 0);
        ASSERT_EQ(::setegid(0), 0);
        ::chmod(QFile::encodeName(d.path()).constData(), 0700);
        EXPECT_TRUE(escrito);
        EXPECT_EQ(LeoArchivo(QFile::decodeName(ini)), c.despues);
        ASSERT_EQ(::stat(ini.constData(), &despues), 0);
        EXPECT_EQ(despues.st_uid, c.dueno);
        EXPECT_EQ(despues.st_gid, c.grupo);
        EXPECT_EQ(despues.st_mode & 07777, c.modo);
        EXPECT_TRUE(!c.operador || despues.st_ino == antes.st_ino);
        EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("TERV.ini")});
    }
}

// The values come back as a record and the shared values stay as they were:
// from their own section whatever its case, trimmed, unquoted, at most 255
// characters. The file is read through a link, as any program reads it; one
// that is there but cannot be read says so, and why.
TEST(Ini, CargoConfiguracionYAmbiente)
{
    const QByteArray largo(300, 'x'), cortado = largo.left(255);
    struct Caso {
        QByteArray contenido; // empty: no file
        Ambiente ambiente;
        const char* url = "";
        const char* carpeta = "";
        bool enlace = false;
        bool ilegible = false; // for uid 65534
    } casos[] = {
        // clang-format off
        {"; nota\r\n[otra]\r\nURL=mal\r\n[Network]\r\n  ambiente = DESA \r\nURL='http://u/'\r\nPARTGUAR=\"/g/\"\r\n"
         "[fin]\r\nAMBIENTE=PROD\r\n", Ambiente::Prueba, "http://u/", "/g/", true},
        {"[NETWORK]\r\nAMBIENTE=TEST\r\nPARTGUAR=/g/\r\n", Ambiente::Prueba, "", "/g/"},
        {"[NETWORK]\r\nAMBIENTE=PROD\r\nURL=http://u/\r\nPARTGUAR=" + largo + "\r\n", Ambiente::Produccion,
         "http://u/", cortado.constData()},
        {"[NETWORK]\r\nAMBIENTE=prod\r\n", Ambiente::Invalido},
        {"", Ambiente::Invalido},
        {"[NETWORK]\r\nAMBIENTE=DESA\r\nURL=http://u/\r\n", Ambiente::Invalido, "", "", false, true},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.contenido.constData());
        if (c.ilegible && ::geteuid() != 0)
            continue; // reading as another user takes root
        Escenario e;
        const QString ini = compartido().RutaIni;
        if (c.enlace) {
            ASSERT_TRUE(QFile::link(EscriboArchivo(e.carpeta.filePath(QStringLiteral("real.ini")), c.contenido), ini));
        } else if (c.ilegible) {
            PreparoIniIlegible(c.contenido);
            ASSERT_EQ(::seteuid(65534), 0);
        } else if (!c.contenido.isEmpty()) {
            EscriboArchivo(ini, c.contenido);
        }
        const Configuracion conf = CargoConfiguracion(ini);
        ASSERT_TRUE(!c.ilegible || ::seteuid(0) == 0);
        EXPECT_EQ(conf.existe, !c.contenido.isEmpty());
        EXPECT_EQ(conf.ambiente, c.ambiente);
        EXPECT_EQ(conf.urlServicio, QString::fromLatin1(c.url));
        EXPECT_EQ(conf.carpetaGuardada, QString::fromLatin1(c.carpeta));
        EXPECT_EQ(conf.ilegible.contains(QStringLiteral("Permiso denegado")), c.ilegible) << qPrintable(conf.ilegible);
        EXPECT_TRUE(compartido().UrlServicio.isEmpty());
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
