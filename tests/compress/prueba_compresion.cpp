#include "compress/compresion.h"
#include "compress/pantallas/frmcompriarchmulti.h"
#include "config/compartido.h"
#include "soporte/utiles.h"
#include "system/archivos.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class RelojFijo : public Reloj {
public:
    QDate hoy() const override { return {2026, 3, 7}; }
};

// What unzip sees inside an archive: its entry names, in order.
QStringList Entradas(const QString& zip)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-Z1"), zip});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray Extraigo(const QString& zip, const QString& entrada)
{
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, entrada});
    p.waitForFinished();
    return p.readAllStandardOutput();
}

TEST(Compresion, NombresYLista)
{
    QString nombre = QStringLiteral("envio");
    EXPECT_EQ(AgregoFechayVersion(nombre, RelojFijo()), QStringLiteral("_20260307_01"));
    EXPECT_EQ(nombre, QStringLiteral("envio_20260307_01"));
    EXPECT_EQ(NombrePropuesto(QStringLiteral("datos.2024.txt")), QStringLiteral("datos.2024"));
    EXPECT_EQ(NombrePropuesto(QStringLiteral("LEEME")), QStringLiteral("LEEME"));

    ListaArchivos lista;
    const Agregado a = AgregoArchivos(lista, {QStringLiteral("/d/A.TXT"), QStringLiteral("/d/a.txt"), QStringLiteral("/d/A.TXT")});
    EXPECT_TRUE(a.cambioCarpeta);
    EXPECT_EQ(a.carpeta, QStringLiteral("/d/"));
    EXPECT_EQ(a.nombre, QStringLiteral("A"));
    EXPECT_EQ(lista.entradas(), (QStringList{QStringLiteral("/d/a.txt"), QStringLiteral("/d/A.TXT")})); // newest first

    EXPECT_TRUE(NombresRepetidos(lista.entradas()).isEmpty());
    const QString repetidos = NombresRepetidos({QStringLiteral("/x/a.txt"), QStringLiteral("/y/a.txt")});
    EXPECT_TRUE(repetidos.startsWith(QStringLiteral("Los archivos /x/a.txt y /y/a.txt tienen el mismo nombre")));
}

TEST(Compresion, ArmoZipEnElOrdenDeLaLista)
{
    QTemporaryDir d, trabajo;
    const QStringList rutas{EscriboArchivo(d.filePath(QStringLiteral("c.txt")), Datos(70000, 3)),
                            EscriboArchivo(d.filePath(QStringLiteral("a.txt")), Datos(10, 1)),
                            EscriboArchivo(d.filePath(QStringLiteral("b.bin")), Datos(5000, 2))};
    EjecutorProcesos ejecutor;
    QList<int> avances;
    const auto zip = ArmoZip(rutas, QStringLiteral("paquete"), trabajo.path() + QLatin1Char('/'), ejecutor,
                             [&](int i, int) { avances << i; });
    ASSERT_TRUE(zip) << qPrintable(zip.falla().descripcion);
    EXPECT_EQ(NombreDeRuta(zip.valor().archivo), QStringLiteral("paquete.zip"));
    EXPECT_EQ(zip.valor().tamano, QFileInfo(zip.valor().archivo).size());
    EXPECT_EQ(Entradas(zip.valor().archivo), (QStringList{QStringLiteral("c.txt"), QStringLiteral("a.txt"), QStringLiteral("b.bin")}));
    for (const QString& r : rutas)
        EXPECT_EQ(Extraigo(zip.valor().archivo, NombreDeRuta(r)), LeoArchivo(r));
    EXPECT_EQ(avances, (QList<int>{1, 2, 3}));
    BorroCorrida(zip.valor().corrida);
    EXPECT_TRUE(QDir(trabajo.path()).isEmpty());
}

TEST(Compresion, FallasNoDejanNadaEnLaCarpetaDeTrabajo)
{
    QTemporaryDir d, trabajo;
    EjecutorProcesos ejecutor;
    const auto falta = ArmoZip({d.filePath(QStringLiteral("no-existe.txt"))}, QStringLiteral("p"), trabajo.path() + QLatin1Char('/'), ejecutor);
    EXPECT_FALSE(falta);
    EXPECT_TRUE(QDir(trabajo.path()).isEmpty());

    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", d.path().toUtf8());
    EXPECT_TRUE(BuscoZip(trabajo.path() + QLatin1Char('/')).isEmpty());
    const auto sinZip = ArmoZip({EscriboArchivo(d.filePath(QStringLiteral("a.txt")), "a")}, QStringLiteral("p"),
                                trabajo.path() + QLatin1Char('/'), ejecutor);
    qputenv("PATH", path);
    ASSERT_FALSE(sinZip);
    EXPECT_FALSE(sinZip.falla().descripcion.isEmpty());
    EXPECT_TRUE(QDir(trabajo.path()).isEmpty());
}

// The screen's three outcomes: stamped, split on request, kept whole.
TEST(PantallaCompresion, TresDesenlaces)
{
    struct Caso {
        const char* nombre;
        qint32 maximoMB;
        std::optional<Respuesta> particiono;
        int archivosNuevos;
        const char* sufijo; // of every new file
    } casos[] = {
        {"entra: sellado", 20, std::nullopt, 1, ".zip"},
        {"no entra: particiones", 1, Respuesta::Si, 3, ".vesk"},
        {"no entra: entero", 1, Respuesta::No, 1, "paquete.zip"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Escenario e;
        compartido().TamanoMaximoMB = c.maximoMB;
        QTemporaryDir d;
        // Random content does not compress: about 2.5 MB of archive.
        const QStringList rutas{EscriboArchivo(d.filePath(QStringLiteral("uno.bin")), Datos(1500000, 1)),
                                EscriboArchivo(d.filePath(QStringLiteral("dos.bin")), Datos(1000000, 2))};
        FrmCompriArchMulti f(e.ctx);
        e.dialogos.listas.push_back(rutas);
        f.cmdAddFiles->click();
        f.txtNombArc->setText(QStringLiteral("paquete"));
        f.txtMB->setText(QString::number(c.maximoMB));
        if (c.particiono)
            e.dialogos.respuestas.push_back(*c.particiono);
        f.cmdProcesar->click();

        QStringList nuevos = Archivos(d.path());
        nuevos.removeAll(QStringLiteral("uno.bin"));
        nuevos.removeAll(QStringLiteral("dos.bin"));
        ASSERT_EQ(nuevos.size(), c.archivosNuevos) << qPrintable(nuevos.join(QLatin1Char(' ')));
        for (const QString& n : nuevos) {
            EXPECT_TRUE(n.startsWith(QStringLiteral("paquete"))) << qPrintable(n);
            EXPECT_TRUE(n.endsWith(QString::fromLatin1(c.sufijo))) << qPrintable(n);
        }
        if (!c.particiono) {
            EXPECT_EQ(nuevos[0], QStringLiteral("paquete_") + Md5sum(d.filePath(nuevos[0])) + QStringLiteral(".zip"));
            EXPECT_EQ(Entradas(d.filePath(nuevos[0])), (QStringList{QStringLiteral("dos.bin"), QStringLiteral("uno.bin")}));
        }
        EXPECT_TRUE(QDir(ObtengoDirectorioWindows().valor()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    }
}

TEST(PantallaCompresion, NoReemplazaNiAdmiteNombresRepetidos)
{
    Escenario e;
    compartido().TamanoMaximoMB = 1;
    QTemporaryDir d, otra;
    const QString uno = EscriboArchivo(d.filePath(QStringLiteral("uno.bin")), Datos(1500000, 1));
    const QString previo = EscriboArchivo(d.filePath(QStringLiteral("paquete.zip")), "de antes");
    FrmCompriArchMulti f(e.ctx);
    f.agregoRutas({uno});
    f.txtNombArc->setText(QStringLiteral("paquete"));
    f.txtMB->setText(QStringLiteral("1"));
    e.dialogos.respuestas.push_back(Respuesta::No);
    f.cmdProcesar->click();
    ASSERT_EQ(e.dialogos.vistas.size(), 2);
    EXPECT_EQ(e.dialogos.vistas[1].icono, Icono::Critico);
    EXPECT_TRUE(e.dialogos.vistas[1].texto.startsWith(QStringLiteral("Ya existe el archivo "))) << qPrintable(e.dialogos.vistas[1].texto);
    EXPECT_EQ(LeoArchivo(previo), QByteArray("de antes"));

    e.dialogos.vistas.clear();
    f.agregoRutas({EscriboArchivo(otra.filePath(QStringLiteral("uno.bin")), "x")});
    f.cmdProcesar->click();
    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_TRUE(e.dialogos.vistas[0].texto.contains(QStringLiteral("tienen el mismo nombre")));
}

} // namespace
