// terv-cli from outside: real files, real exit codes.
#include "soporte/cli.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TEST(Cli, UsoIncorrecto)
{
    const std::pair<QStringList, int> casos[] = {
        {{}, 2},
        {{QStringLiteral("borrar")}, 2},
        {{QStringLiteral("sellar")}, 2},
        {{QStringLiteral("particionar"), QStringLiteral("x.zip"), QStringLiteral("--tamano"), QStringLiteral("0")}, 2},
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

    c = Corro({QStringLiteral("particionar"), ruta, QStringLiteral("--tamano"), QStringLiteral("1")});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    const QStringList partes = c.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(partes.size(), 3);
    for (const QString& p : partes)
        EXPECT_TRUE(NombreDeRuta(p).contains(Md5sum(p))) << qPrintable(p);
    QFile::remove(ruta);

    // Again into the same folder: the set is there and is the run's, nothing changes.
    EscriboArchivo(ruta, datos);
    c = Corro({QStringLiteral("particionar"), ruta, QStringLiteral("--tamano"), QStringLiteral("1")});
    EXPECT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(c.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts), partes);
    QFile::remove(ruta);
    EXPECT_EQ(Archivos(d.path()).size(), 3);

    c = Corro({QStringLiteral("unir"), partes[1], QStringLiteral("--destino"), destino.path()});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(LeoArchivo(destino.filePath(QStringLiteral("informe.zip"))), datos);
    // A destination folder that does not exist yet is made.
    QTemporaryDir otro;
    c = Corro({QStringLiteral("unir"), partes[1], QStringLiteral("--destino"), otro.filePath(QStringLiteral("nueva/sub"))});
    EXPECT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(LeoArchivo(otro.filePath(QStringLiteral("nueva/sub/informe.zip"))), datos);

    // A damaged partition: reported by number, nothing delivered.
    QFile::remove(destino.filePath(QStringLiteral("informe.zip")));
    QByteArray tercera = LeoArchivo(partes[2]);
    tercera[0] = char(tercera[0] ^ 0x40);
    EscriboArchivo(partes[2], tercera);
    c = Corro({QStringLiteral("unir"), partes[0], QStringLiteral("--destino"), destino.path()});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("la partición 003 no coincide")));
    EXPECT_TRUE(Archivos(destino.path()).isEmpty());

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

    Corrida c = Corro({QStringLiteral("comprimir"), QStringLiteral("--nombre"), QStringLiteral("paquete"), QStringLiteral("--tamano"),
                       QStringLiteral("50"), a, b});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    const QString zip = c.salida.trimmed();
    EXPECT_EQ(NombreDeRuta(zip), QStringLiteral("paquete_") + Md5sum(zip) + QStringLiteral(".zip"));

    c = Corro({QStringLiteral("comprimir"), QStringLiteral("--nombre"), QStringLiteral("grande"), QStringLiteral("--tamano"),
               QStringLiteral("0.5"), b});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(c.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 3);

    c = Corro({QStringLiteral("comprimir"), QStringLiteral("--tamano"), QStringLiteral("50"), a,
               EscriboArchivo(otra.filePath(QStringLiteral("a.txt")), "otro")});
    EXPECT_EQ(c.codigo, 2);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("tienen el mismo nombre")));
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

// The start-up query from the command line: the size on standard output, or
// the box's title and text on standard error with status 3.
TEST(Cli, Consultar)
{
    struct Caso {
        const char* modo;
        const char* tamano;
        int codigo;
        const char* salida;  // standard output, trimmed
        const char* errores; // a part of standard error
    } casos[] = {
        {"respuesta", "20", 0, "20", ""},
        {"respuesta", "-5", 3, "", "negativo"},
        {"dato", "20", 3, "", "Error\nLa versión del utilitario no está habilitada"},
        {"dosraices", "20", 3, "", "0 \nNo se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"otro", "20", 3, "", "Error de tipo 0 \nNo se detecta Formato de XML Válido"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.modo);
        Servicio s(QString::fromLatin1(c.modo), QString::fromLatin1(c.tamano));
        QTemporaryDir d;
        const QString ini = EscriboArchivo(d.filePath(QStringLiteral("TERV.ini")), "[NETWORK]\r\nURL=" + s.url().toUtf8() + "\r\n");
        const Corrida r = Corro({QStringLiteral("consultar"), QStringLiteral("--ini"), ini});
        EXPECT_EQ(r.codigo, c.codigo) << qPrintable(r.errores);
        EXPECT_EQ(r.salida.trimmed(), QString::fromUtf8(c.salida));
        EXPECT_TRUE(r.errores.contains(QString::fromUtf8(c.errores))) << qPrintable(r.errores);
        const Corrida j = Corro({QStringLiteral("consultar"), QStringLiteral("--json"), QStringLiteral("--ini"), ini});
        const QJsonObject o = QJsonDocument::fromJson(j.salida.toUtf8()).object();
        EXPECT_EQ(j.codigo, c.codigo);
        if (c.codigo == 0)
            EXPECT_EQ(o.value(QStringLiteral("tamanoMB")).toInt(), 20);
        else
            EXPECT_FALSE(o.value(QStringLiteral("texto")).toString().isEmpty()) << qPrintable(j.salida);
    }
    // A file that names no service: said plainly, nothing asked, no stray warning.
    QTemporaryDir d;
    const QString sinUrl = EscriboArchivo(d.filePath(QStringLiteral("TERV.ini")), "[NETWORK]\r\n;URL=http://x/\r\n");
    const Corrida sinServicio = Corro({QStringLiteral("consultar"), QStringLiteral("--ini"), sinUrl});
    EXPECT_EQ(sinServicio.codigo, 3);
    EXPECT_TRUE(sinServicio.errores.startsWith(QStringLiteral("Servicio sin configurar\n"))) << qPrintable(sinServicio.errores);
    const Corrida sinIni = Corro({QStringLiteral("consultar"), QStringLiteral("--ini"), QStringLiteral("/no/existe/TERV.ini")});
    EXPECT_EQ(sinIni.codigo, 3);
    EXPECT_TRUE(sinIni.errores.startsWith(QStringLiteral("No se encuentra archivo\n"))) << qPrintable(sinIni.errores);
    EXPECT_EQ(Corro({QStringLiteral("consultar"), QStringLiteral("sobra")}).codigo, 2);
}

// Without --tamano, splitting and compressing take the service's size.
TEST(Cli, SinTamanoUsaElDelServicio)
{
    Servicio s(QStringLiteral("texto"), QStringLiteral("1"));
    const CliInstalado terv(s.url());
    EXPECT_EQ(terv.corro({QStringLiteral("consultar")}).salida.trimmed(), QStringLiteral("1"));
    QTemporaryDir d;
    const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("informe.zip")), Datos(2 * 1048576 + 3, 5));
    Corrida c = terv.corro({QStringLiteral("particionar"), ruta});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(c.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 3);

    const QString b = EscriboArchivo(d.filePath(QStringLiteral("b.bin")), Datos(1500000, 4));
    c = terv.corro({QStringLiteral("comprimir"), QStringLiteral("--nombre"), QStringLiteral("grande"), b});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(c.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 2);

    // No size from the service: a failure that says why, nothing written.
    Servicio malo(QStringLiteral("respuesta"), QStringLiteral("-5"));
    const CliInstalado sinTamano(malo.url());
    QTemporaryDir vacia;
    const QString otro = EscriboArchivo(vacia.filePath(QStringLiteral("otro.zip")), Datos(3 * 1048576, 6));
    c = sinTamano.corro({QStringLiteral("particionar"), otro});
    EXPECT_EQ(c.codigo, 3);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("No se pudo obtener el tamaño máximo"))) << qPrintable(c.errores);
    EXPECT_EQ(Archivos(vacia.path()), QStringList{QStringLiteral("otro.zip")});
}

} // namespace
