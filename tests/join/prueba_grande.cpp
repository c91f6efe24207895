// Files past 4 GiB: sizes, offsets and hashing stay 64-bit end to end.
#include "hash/motor_hash.h"
#include "join/union.h"
#include "partition/particionado.h"
#include "soporte/utiles.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

TEST(Grande, HashPartoYUnoMasDeCuatroGiB)
{
    QTemporaryDir d;
    const QString ruta = d.filePath(QStringLiteral("grande.zip"));
    const qint64 F = (4LL << 30) + 12345;
    {
        // Sparse, with real bytes at the start, across the 4 GiB mark and at the end.
        QFile f(ruta);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Datos(4096, 1));
        f.seek((4LL << 30) - 100);
        f.write(Datos(300, 2));
        ASSERT_TRUE(f.resize(F));
        f.seek(F - 10);
        f.write("0123456789");
    }
    const QString esperado = Md5sum(ruta);
    const auto hash = CalculoHash(ruta);
    ASSERT_TRUE(hash);
    EXPECT_EQ(hash.valor(), esperado);

    PlanParticion plan;
    ASSERT_EQ(PlanificoParticion(ruta, F, 1LL << 30, plan), RechazoParticion::Ninguno);
    ASSERT_EQ(plan.N, 5);
    EXPECT_EQ(plan.L, 12345);
    const QString partes = d.filePath(QStringLiteral("partes"));
    QDir().mkpath(partes);
    const ResultadoParticion r = GeneroParticiones(plan, partes);
    ASSERT_FALSE(r.falla) << qPrintable(r.falla->descripcion);
    QFile::remove(ruta);

    EstadoUnion e;
    const Ordenamiento orden = OrdenoParticiones(e, ListoParticiones(partes, *ArmoPatronParticiones(NombreDeRuta(r.finales[0]))));
    ASSERT_EQ(orden.motivo, Ordenamiento::Completo);
    ASSERT_TRUE(ObtengoNombreFinal(e, orden.ordenadas.first()));
    const ResultadoUnion u = UnoParticiones(partes, orden.ordenadas, d.path(), e.NombreArchivoFinal);
    ASSERT_FALSE(u.falla);
    EXPECT_TRUE(u.diferentes.isEmpty());
    ASSERT_FALSE(MuevoArchivoFinal(u.temporal, d.path(), e.NombreArchivoFinal));
    EXPECT_EQ(QFileInfo(ruta).size(), F);
    EXPECT_EQ(Md5sum(ruta), esperado);
}

} // namespace
