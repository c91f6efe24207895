#include "config/compartido.h"
#include "join/union.h"
#include "join/pantallas/unir.h"
#include "partition/particionado.h"
#include "soporte/utiles.h"
#include "system/archivos.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const QString kH = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");

QString Parte(int i, int n, const QString& hash = kH)
{
    return QStringLiteral("informe_") + hash + QStringLiteral(".final.zip.part%1.%2.vesk").arg(TresDigitos(i), TresDigitos(n));
}

TEST(Union, NombreYPatron)
{
    const auto p = AnalizoNombreParticion(Parte(2, 3));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->cabeza, QStringLiteral("informe_"));
    EXPECT_EQ(p->hash, kH);
    EXPECT_EQ(p->extension, QStringLiteral(".final.zip"));
    EXPECT_EQ(p->valorNumero, 2);
    EXPECT_EQ(p->valorTotal, 3);
    const auto patron = ArmoPatronParticiones(Parte(2, 3));
    ASSERT_TRUE(patron);
    EXPECT_EQ(*patron, QStringLiteral("informe_*.final.zip.part*.003.vesk"));
    EXPECT_TRUE(CoincidePatron(Parte(1, 3, QString(32, QLatin1Char('F'))), *patron));
    EXPECT_TRUE(CoincidePatron(Parte(1, 3).toUpper(), *patron));
    EXPECT_FALSE(CoincidePatron(Parte(1, 4), *patron));
    // Brackets in a name are plain characters: a set named "acta[1]" finds itself.
    const QString corchetes = QStringLiteral("acta[1]_") + kH + QStringLiteral(".zip.part001.002.vesk");
    EXPECT_TRUE(CoincidePatron(corchetes, ArmoPatronParticiones(corchetes).value_or(QString())));
    EXPECT_FALSE(CoincidePatron(QStringLiteral("acta1_") + kH + QStringLiteral(".zip.part001.002.vesk"),
                                ArmoPatronParticiones(corchetes).value_or(QString())));
    for (const char* malo : {"informe.zip", "informe_ABC.zip.part001.003.vesk", "x.zip.part001.003.vesk"})
        EXPECT_FALSE(AnalizoNombreParticion(QString::fromLatin1(malo))) << malo;
}

TEST(Union, Ordenamiento)
{
    struct Caso {
        const char* nombre;
        QStringList candidatos;
        Ordenamiento::Motivo motivo;
        int numero;
    } casos[] = {
        {"desordenadas", {Parte(3, 3), Parte(1, 3), Parte(2, 3)}, Ordenamiento::Completo, 0},
        {"falta la 2", {Parte(3, 3), Parte(1, 3)}, Ordenamiento::Falta, 2},
        {"repetida", {Parte(1, 3), Parte(2, 3), Parte(2, 3, QString(32, QLatin1Char('F'))), Parte(3, 3)}, Ordenamiento::Repetida, 2},
        {"ninguna", {QStringLiteral("a.txt"), QStringLiteral("b.zip")}, Ordenamiento::Ninguna, 0},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        EstadoUnion e;
        const Ordenamiento o = OrdenoParticiones(e, c.candidatos);
        EXPECT_EQ(o.motivo, c.motivo);
        if (c.motivo == Ordenamiento::Completo) {
            EXPECT_EQ(o.ordenadas, (QStringList{Parte(1, 3), Parte(2, 3), Parte(3, 3)}));
        } else if (c.motivo != Ordenamiento::Ninguna) {
            EXPECT_EQ(o.numero, c.numero);
        }
    }
    EXPECT_FALSE(CorroboroCantidadArchivos({Parte(1, 3), Parte(2, 3)}));
    EXPECT_TRUE(CorroboroCantidadArchivos({Parte(1, 3), Parte(2, 3), Parte(3, 3)}));
}

TEST(Union, ListaYLote)
{
    QTemporaryDir d;
    const QStringList lista{Parte(1, 2), Parte(2, 2)};
    ASSERT_FALSE(GeneroTXTconNomArchivos(d.path(), lista));
    EXPECT_EQ(LeoArchivo(d.filePath(NombreListaUnion())), (Parte(1, 2) + QStringLiteral("\r\n") + Parte(2, 2) + QStringLiteral("\r\n")).toUtf8());
    EstadoUnion e;
    ASSERT_TRUE(ObtengoNombreFinal(e, Parte(1, 2)));
    EXPECT_EQ(e.NombreBase + e.ExtensionArchivo, QStringLiteral("informe.final.zip"));
    EXPECT_EQ(LineasBatUnion(d.path(), QStringLiteral("informe.final.zip"), lista).size(), 2 * 2 + 9);
}

// A real set, split and joined back through the screen.
struct Juego {
    QTemporaryDir origen, destino;
    QByteArray datos = Datos(5 * 65536 + 11, 5);
    ResultadoParticion partes;
    Juego()
    {
        PlanParticion plan;
        const QString ruta = EscriboArchivo(destino.filePath(QStringLiteral("informe.zip")), datos);
        PlanificoParticion(ruta, datos.size(), 65536, plan);
        partes = GeneroParticiones(plan, origen.path());
        QFile::remove(ruta);
    }
};

void Uno(Escenario& e, Juego& j, Unir& f)
{
    e.dialogos.carpetas.push_back(j.origen.path());
    f.CmdOrigen->click();
    e.dialogos.carpetas.push_back(j.destino.path());
    f.cmdDestino->click();
    ASSERT_GT(f.File1->count(), 0);
    f.File1_Click(f.File1->item(0)->text());
    f.cmdUnir->click();
}

TEST(PantallaUnir, UneYLimpia)
{
    Escenario e;
    compartido().TamanoMaximoMB = 1;
    Juego j;
    ASSERT_FALSE(j.partes.falla);
    ASSERT_EQ(j.partes.finales.size(), 6);
    const QStringList partes = Archivos(j.origen.path());
    Unir f(e.ctx);
    Uno(e, j, f);
    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_EQ(e.dialogos.vistas[0].texto, QStringLiteral("El archivo fue armado exitosamente"));
    EXPECT_EQ(LeoArchivo(j.destino.filePath(QStringLiteral("informe.zip"))), j.datos);
    EXPECT_EQ(Archivos(j.destino.path()), QStringList{QStringLiteral("informe.zip")}); // no temporary
    EXPECT_EQ(Archivos(j.origen.path()), partes);                                    // no list or batch file
}

// A damaged partition is named, and the damaged file is kept only on request.
TEST(PantallaUnir, ParticionDanada)
{
    for (const Respuesta r : {Respuesta::No, Respuesta::Si}) {
        Escenario e;
        compartido().TamanoMaximoMB = 1;
        Juego j;
        QByteArray segunda = LeoArchivo(j.partes.finales[1]);
        segunda[100] = char(segunda[100] ^ 1);
        EscriboArchivo(j.partes.finales[1], segunda);
        Unir f(e.ctx);
        e.dialogos.respuestas.push_back(r);
        Uno(e, j, f);
        ASSERT_GE(e.dialogos.vistas.size(), 1);
        EXPECT_EQ(e.dialogos.vistas[0].titulo, QStringLiteral("Atención"));
        EXPECT_TRUE(e.dialogos.vistas[0].texto.startsWith(QStringLiteral("El contenido de las particiones 002 no coincide")));
        EXPECT_EQ(e.dialogos.vistas[0].porDefecto, Respuesta::No);
        const QStringList quedan = Archivos(j.destino.path());
        if (r == Respuesta::No)
            EXPECT_TRUE(quedan.isEmpty()) << qPrintable(quedan.join(QLatin1Char(' ')));
        else
            EXPECT_EQ(quedan, QStringList{QStringLiteral("informe.zip")});
    }
}

TEST(PantallaUnir, FaltaUnaParticion)
{
    Escenario e;
    compartido().TamanoMaximoMB = 1;
    Juego j;
    QFile::remove(j.partes.finales[3]);
    Unir f(e.ctx);
    Uno(e, j, f);
    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_EQ(e.dialogos.vistas[0].titulo, QStringLiteral("ERROR"));
    EXPECT_EQ(e.dialogos.vistas[0].texto, MensajeFaltanParticiones().texto);
    EXPECT_FALSE(f.cmdUnir->isEnabled());
    EXPECT_TRUE(Archivos(j.destino.path()).isEmpty());
}

} // namespace
