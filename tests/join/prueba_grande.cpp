// Files past 4 GiB: sizes, offsets and hashing stay 64-bit end to end. One
// sparse file just over the mark, hashed, split and joined once each: the
// split and the join write it whole (about 4.3 GB each), nothing more.
#include "hash/motor_hash.h"
#include "join/union.h"
#include "partition/particionado.h"
#include "soporte/datos.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
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
    const auto hash = CalculoHash(ruta);
    ASSERT_TRUE(hash);
    EXPECT_EQ(hash.valor(), Md5sum(ruta));

    PlanParticion plan;
    ASSERT_EQ(PlanificoParticion(ruta, F, 1LL << 30, plan), RechazoParticion::Ninguno);
    ASSERT_EQ(plan.N, 5);
    EXPECT_EQ(plan.L, 12345);
    const QString partes = d.filePath(QStringLiteral("partes"));
    QDir().mkpath(partes);
    const ResultadoParticion r = GeneroParticiones(plan, partes);
    ASSERT_FALSE(r.falla) << qPrintable(r.falla->descripcion);
    QFile::remove(ruta);

    PlanUnion union_;
    union_.CarpetaOrigen = partes;
    union_.seleccionada = NombreDeRuta(r.finales[2]);
    union_.CarpetaDestino = d.path();
    const ResultadoUnion u = UnoJuego(union_);
    ASSERT_TRUE(u.entregado()) << (u.falla ? qPrintable(u.falla->descripcion) : ""); // no damage asked about
    EXPECT_EQ(u.archivo, ruta);
    // The joined file holds the same bytes where the source had any; each
    // partition's hash was checked on the way, so the holes need no reading.
    QFile unido(ruta);
    ASSERT_TRUE(unido.open(QIODevice::ReadOnly));
    EXPECT_EQ(unido.size(), F);
    const auto leo = [&](qint64 desde, qint64 n) { return unido.seek(desde) ? unido.read(n) : QByteArray(); };
    EXPECT_EQ(leo(0, 4096), Datos(4096, 1));
    EXPECT_EQ(leo((4LL << 30) - 100, 300), Datos(300, 2));
    EXPECT_EQ(leo(F - 10, 10), QByteArray("0123456789"));
}

} // namespace
