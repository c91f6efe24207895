// terv-cli from outside: real files, real exit codes.
#include "soporte/cli.h"
#include "system/archivos.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QString S(const char* t) { return QString::fromUtf8(t); }

TEST(Cli, UsoIncorrecto)
{
    const std::pair<QStringList, int> casos[] = {
        // clang-format off
        {{}, 2},
        {{QStringLiteral("borrar")}, 2},
        {{QStringLiteral("sellar")}, 2},
        {{QStringLiteral("sellar"), QStringLiteral("--nada"), QStringLiteral("x.zip")}, 2},
        {{QStringLiteral("--help")}, 0},
        {{QStringLiteral("comprimir"), QStringLiteral("--help")}, 0},
        {{QStringLiteral("consultar"), QStringLiteral("--help")}, 0},
        // clang-format on
    };
    for (const auto& [args, codigo] : casos) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const Corrida c = Corro(args);
        EXPECT_EQ(c.codigo, codigo) << qPrintable(c.errores);
        if (codigo == 0) {
            // The usage line names the arguments whole; no empty section, and
            // no "per file" where no file is given.
            EXPECT_TRUE(c.salida.startsWith(QStringLiteral("Uso: terv-cli")));
            EXPECT_FALSE(c.salida.contains(QStringLiteral("Argumentos:"))) << qPrintable(c.salida);
            EXPECT_TRUE(args.size() != 2 || !args[0].contains(QRegularExpression(QStringLiteral("consultar|integrar")))
                        || !c.salida.contains(QStringLiteral("por archivo")))
                << qPrintable(c.salida);
        }
    }
    const Corrida ayuda = Corro({QStringLiteral("--help")});
    EXPECT_TRUE(ayuda.salida.contains(QStringLiteral("--version")));
    EXPECT_TRUE(ayuda.salida.contains(QStringLiteral("  particionar ARCHIVO [--tamano MB]   divide")));
    const Corrida version = Corro({QStringLiteral("--version")});
    EXPECT_TRUE(version.salida.contains(QStringLiteral("(Versión 1.0 Release 1)"))) << qPrintable(version.salida);
}

TEST(Cli, SellarYVerificar)
{
    QTemporaryDir d;
    const QByteArray datos = Datos(300000);
    const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("envio.zip")), datos);
    const QString hash = Md5sum(ruta);
    const QString sellado = d.filePath(QStringLiteral("envio_") + hash + QStringLiteral(".zip"));

    // A folder with nothing stamped: said, and not a success.
    Corrida c = Corro({QStringLiteral("verificar"), d.path()});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_TRUE(c.salida.isEmpty());
    EXPECT_TRUE(c.errores.contains(QStringLiteral("no tiene archivos con código hash"))) << qPrintable(c.errores);

    c = Corro(
        {QStringLiteral("sellar"), ruta, d.filePath(QStringLiteral("falta.zip")), d.filePath(QStringLiteral("LEEME"))});
    EXPECT_EQ(c.codigo, 3);
    EXPECT_EQ(c.salida.trimmed(), sellado);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("corrobore la ubicación del archivo")));
    EXPECT_EQ(LeoArchivo(sellado), datos);

    c = Corro({QStringLiteral("verificar"), d.path()});
    EXPECT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_TRUE(c.salida.startsWith(QStringLiteral("CORRECTO ")));

    const QString malo = d.filePath(QStringLiteral("envio_") + QString(32, QLatin1Char('0')) + QStringLiteral(".zip"));
    QFile::rename(sellado, malo);
    c = Corro({QStringLiteral("verificar"), QStringLiteral("--json"), malo});
    EXPECT_EQ(c.codigo, 1);
    const QJsonObject j = QJsonDocument::fromJson(c.salida.toUtf8()).object();
    EXPECT_EQ(j.value(QStringLiteral("estado")).toString(), QStringLiteral("invalido"));
    EXPECT_EQ(j.value(QStringLiteral("hashArchivo")).toString(), hash);
    EXPECT_TRUE(QFile::exists(malo)); // a check alone changes nothing

    c = Corro({QStringLiteral("verificar"), QStringLiteral("--corregir"), d.path()});
    EXPECT_EQ(c.codigo, 0);
    EXPECT_EQ(Archivos(d.path()), QStringList{NombreDeRuta(sellado)});

    c = Corro({QStringLiteral("verificar"), EscriboArchivo(d.filePath(QStringLiteral("corto_ABC.zip")), "x")});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_TRUE(c.salida.startsWith(QStringLiteral("SIN_FORMATO")));
}

TEST(Cli, Comprimir)
{
    QTemporaryDir d, otra;
    const QString a = EscriboArchivo(d.filePath(QStringLiteral("a.txt")), QByteArray(5000, 'a'));
    const QString b = EscriboArchivo(d.filePath(QStringLiteral("b.bin")), Datos(1500000, 4));

    Corrida c = Corro({S("comprimir"), S("--nombre"), S("paquete"), S("--tamano"), S("50"), a, b});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    const QString zip = c.salida.trimmed();
    EXPECT_EQ(NombreDeRuta(zip), QStringLiteral("paquete_") + Md5sum(zip) + QStringLiteral(".zip"));

    // Nombre.zip in the destination is a link to a file elsewhere: the archive
    // is never written through it; it takes the next free name.
    const QString ajeno = EscriboArchivo(otra.filePath(QStringLiteral("ajeno.txt")), "ajeno");
    ASSERT_TRUE(QFile::link(ajeno, d.filePath(QStringLiteral("paquete.zip"))));
    c = Corro({S("comprimir"), S("--tamano"), S("0.1"), S("--entero"), S("--nombre"), S("paquete"), b});
    EXPECT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(c.salida.trimmed(), d.filePath(QStringLiteral("paquete (2).zip")));
    EXPECT_EQ(LeoArchivo(ajeno), QByteArray("ajeno"));
    EXPECT_TRUE(QFileInfo(d.filePath(QStringLiteral("paquete.zip"))).isSymLink());
    EXPECT_TRUE(Temporales(d.path()).isEmpty());
}

// terv-cli copied beside its own TERV.ini, as installed.
struct CliInstalado {
    QTemporaryDir carpeta;
    QString cli;
    explicit CliInstalado(const QString& url)
    {
        cli = carpeta.filePath(QStringLiteral("terv-cli"));
        QFile::copy(QStringLiteral(TERV_CLI), cli);
        QFile(cli).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EscriboArchivo(carpeta.filePath(QStringLiteral("TERV.ini")),
                       "[NETWORK]\r\nAMBIENTE=DESA\r\nURL=" + url.toUtf8() + "\r\n");
    }
    Corrida corro(const QStringList& args) const { return CorroPrograma(cli, args); }
};

// The start-up query from the command line, TERV.ini beside the program or
// named by --ini: the size on standard output, or the box's title and text on
// standard error with status 3. Without --tamano, splitting and compressing
// take that size (the set joins back whole); without one, splitting says why
// and writes nothing.
TEST(Cli, Consultar)
{
    struct Caso {
        const char* modo;
        const char* tamano;
        int codigo;
        const char* salida;  // standard output, trimmed
        const char* errores; // a part of standard error
    } casos[] = {
        // clang-format off
        {"texto", "1", 0, "1", ""},
        {"dato", "20", 3, "", "Error\nLa versión del utilitario no está habilitada"},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.modo);
        Servicio s(S(c.modo), S(c.tamano));
        const CliInstalado terv(s.url());
        const Corrida r = terv.corro({S("consultar")});
        EXPECT_EQ(r.codigo, c.codigo) << qPrintable(r.errores);
        EXPECT_EQ(r.salida.trimmed(), S(c.salida));
        EXPECT_TRUE(r.errores.contains(S(c.errores))) << qPrintable(r.errores);
        const Corrida j = terv.corro({S("consultar"), S("--json")});
        const QJsonObject o = QJsonDocument::fromJson(j.salida.toUtf8()).object();
        EXPECT_EQ(j.codigo, c.codigo);
        if (c.codigo == 0)
            EXPECT_EQ(o.value(QStringLiteral("tamanoMB")).toInt(), 1);
        else
            EXPECT_FALSE(o.value(QStringLiteral("texto")).toString().isEmpty()) << qPrintable(j.salida);

        QTemporaryDir d;
        const QByteArray datos = Datos(2 * 1048576 + 3, 5);
        const QString ruta = EscriboArchivo(d.filePath(S("informe.zip")), datos);
        const Corrida p = terv.corro({S("particionar"), ruta});
        EXPECT_EQ(p.codigo, c.codigo) << qPrintable(p.errores);
        EXPECT_EQ(Archivos(d.path()).size(), c.codigo == 0 ? 4 : 1);
        EXPECT_TRUE(c.codigo == 0 || p.errores.contains(S("No se pudo obtener el tamaño máximo")))
            << qPrintable(p.errores);
        if (c.codigo == 0) {
            // Joined into a destination folder that does not exist yet: it is made.
            const QString segunda = p.salida.section(QLatin1Char('\n'), 1, 1);
            const Corrida u = terv.corro({S("unir"), segunda, S("--destino"), d.filePath(S("a/b"))});
            ASSERT_EQ(u.codigo, 0) << qPrintable(u.errores);
            EXPECT_EQ(LeoArchivo(d.filePath(S("a/b/informe.zip"))), datos);
            const QString b = EscriboArchivo(d.filePath(S("b.bin")), Datos(1500000, 4));
            const Corrida z = terv.corro({S("comprimir"), S("--nombre"), S("grande"), b});
            ASSERT_EQ(z.codigo, 0) << qPrintable(z.errores);
            EXPECT_EQ(z.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 2);
        }
    }
    // A file that names no service: said plainly, nothing asked, no stray warning.
    QTemporaryDir d;
    const QString sinUrl = EscriboArchivo(d.filePath(QStringLiteral("TERV.ini")), "[NETWORK]\r\n;URL=http://x/\r\n");
    const Corrida sinServicio = Corro({S("consultar"), S("--ini"), sinUrl});
    EXPECT_EQ(sinServicio.codigo, 3);
    EXPECT_TRUE(sinServicio.errores.startsWith(S("Servicio sin configurar\n"))) << qPrintable(sinServicio.errores);
    const Corrida sinIni = Corro({S("consultar"), S("--ini"), S("/no/existe/TERV.ini")});
    EXPECT_EQ(sinIni.codigo, 3);
    EXPECT_TRUE(sinIni.errores.startsWith(S("No se encuentra archivo\n"))) << qPrintable(sinIni.errores);
    EXPECT_EQ(Corro({S("consultar"), S("sobra")}).codigo, 2);
}

} // namespace
