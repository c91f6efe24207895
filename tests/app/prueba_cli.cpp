// terv-cli from outside: real files, real exit codes.
#include "soporte/cli.h"
#include "system/archivos.h"

#include <QDir>
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
        {{}, 2},
        {{QStringLiteral("borrar")}, 2},
        {{QStringLiteral("sellar")}, 2},
        {{QStringLiteral("sellar"), QStringLiteral("--nada"), QStringLiteral("x.zip")}, 2},
        {{QStringLiteral("--help")}, 0},
        {{QStringLiteral("comprimir"), QStringLiteral("--help")}, 0},
        {{QStringLiteral("verificar"), QStringLiteral("--help")}, 0},
        {{QStringLiteral("consultar"), QStringLiteral("--help")}, 0},
        {{QStringLiteral("integrar"), QStringLiteral("--help")}, 0},
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

    c = Corro({QStringLiteral("sellar"), ruta, d.filePath(QStringLiteral("falta.zip")), d.filePath(QStringLiteral("LEEME"))});
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

TEST(Cli, ParticionarYUnir)
{
    QTemporaryDir d, destino;
    const QByteArray datos = Datos(2 * 1048576 + 3, 9);
    const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("informe.zip")), datos);

    Corrida c = Corro({QStringLiteral("particionar"), ruta, QStringLiteral("--tamano"), QStringLiteral("5")});
    EXPECT_EQ(c.codigo, 3);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("es menor al necesario para ser particionado")));

    // A hard link to the source planted under an old working name: the
    // source keeps every byte.
    const QString vieja = d.filePath(QStringLiteral("informe.zip.part001.003.vesk"));
    ASSERT_EQ(::link(QFile::encodeName(ruta).constData(), QFile::encodeName(vieja).constData()), 0);
    c = Corro({QStringLiteral("particionar"), ruta, QStringLiteral("--tamano"), QStringLiteral("1")});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(LeoArchivo(ruta), datos);
    const QStringList partes = c.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(partes.size(), 3);
    for (const QString& p : partes)
        EXPECT_TRUE(NombreDeRuta(p).contains(Md5sum(p))) << qPrintable(p);
    QFile::remove(ruta);
    QFile::remove(vieja);

    // Again into the same folder: the set is there and is the run's, nothing changes.
    EscriboArchivo(ruta, datos);
    c = Corro({QStringLiteral("particionar"), ruta, QStringLiteral("--tamano"), QStringLiteral("1")});
    EXPECT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(c.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts), partes);
    QFile::remove(ruta);
    EXPECT_EQ(Archivos(d.path()).size(), 3);

    // Into a destination folder that does not exist yet: it is made.
    c = Corro({S("unir"), partes[1], S("--destino"), destino.filePath(S("nueva/sub"))});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(LeoArchivo(destino.filePath(S("nueva/sub/informe.zip"))), datos);

    QFile::remove(partes[1]);
    c = Corro({QStringLiteral("unir"), partes[0]});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("Faltan particiones")));
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

    c = Corro({S("comprimir"), S("--nombre"), S("grande"), S("--tamano"), S("0.5"), b});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(c.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 3);

    const QString otroA = EscriboArchivo(otra.filePath(QStringLiteral("a.txt")), "otro");
    c = Corro({S("comprimir"), S("--tamano"), S("50"), a, otroA});
    EXPECT_EQ(c.codigo, 2);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("tienen el mismo nombre")));

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
        EscriboArchivo(carpeta.filePath(QStringLiteral("TERV.ini")), "[NETWORK]\r\nAMBIENTE=DESA\r\nURL=" + url.toUtf8() + "\r\n");
    }
    Corrida corro(const QStringList& args) const { return CorroPrograma(cli, args); }
};

// The start-up query from the command line, TERV.ini beside the program or
// named by --ini: the size on standard output, or the box's title and text on
// standard error with status 3. Without --tamano, splitting and compressing
// take that size; without one, splitting says why and writes nothing.
TEST(Cli, Consultar)
{
    struct Caso {
        const char* modo;
        const char* tamano;
        int codigo;
        const char* salida;  // standard output, trimmed
        const char* errores; // a part of standard error
    } casos[] = {
        {"texto", "1", 0, "1", ""},
        {"respuesta", "-5", 3, "", "negativo"},
        {"dato", "20", 3, "", "Error\nLa versión del utilitario no está habilitada"},
        {"dosraices", "20", 3, "", "0 \nNo se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"otro", "20", 3, "", "Error de tipo 0 \nNo se detecta Formato de XML Válido"},
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
        const QString ruta = EscriboArchivo(d.filePath(S("informe.zip")), Datos(2 * 1048576 + 3, 5));
        const Corrida p = terv.corro({S("particionar"), ruta});
        EXPECT_EQ(p.codigo, c.codigo) << qPrintable(p.errores);
        EXPECT_EQ(Archivos(d.path()).size(), c.codigo == 0 ? 4 : 1);
        EXPECT_TRUE(c.codigo == 0 || p.errores.contains(S("No se pudo obtener el tamaño máximo")))
            << qPrintable(p.errores);
        if (c.codigo == 0) {
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
