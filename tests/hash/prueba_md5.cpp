// The lane engine against OpenSSL, for the kernel TERV_MD5 names (ctest runs
// this file once per kernel; one the processor lacks is reported as skipped).
#include "hash/md5_carriles.h"
#include "hash/motor_hash.h"
#include "soporte/datos.h"
#include "system/archivos.h"

#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

QString Referencia(const QByteArray& datos)
{
    Md5 m;
    m.agrego(datos.constData(), size_t(datos.size()));
    return m.texto();
}

std::vector<ArchivoCrudo> Abiertos(const QStringList& rutas)
{
    std::vector<ArchivoCrudo> archivos;
    for (const QString& r : rutas)
        archivos.push_back(std::move(ArchivoCrudo::abro(r, ArchivoCrudo::Modo::Lectura).valor()));
    return archivos;
}

class Carriles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto n = ElijoNucleoMd5();
        ASSERT_TRUE(n) << n.falla().descripcion.toStdString();
        nucleo = n.valor();
    }

    // Feeds every stream in pieces of random sizes, several streams per call,
    // and checks each text against OpenSSL's.
    void Compruebo(const std::vector<QByteArray>& contenidos, QRandomGenerator& azar, qint64 pieza)
    {
        Md5Carriles motor(nucleo);
        std::vector<int> flujos;
        std::vector<qint64> hecho(contenidos.size(), 0);
        for (size_t k = 0; k < contenidos.size(); ++k)
            flujos.push_back(motor.abro());
        for (bool queda = true; queda;) {
            queda = false;
            std::vector<Md5Carriles::Trozo> trozos;
            for (size_t k = 0; k < contenidos.size(); ++k) {
                const qint64 resta = contenidos[k].size() - hecho[k];
                if (resta == 0 || azar.bounded(4) == 0) { // some streams sit out a call
                    queda |= resta > 0;
                    continue;
                }
                const qint64 n = std::min<qint64>(resta, azar.bounded(qint64(1), pieza + 1));
                trozos.push_back({flujos[k], contenidos[k].constData() + hecho[k], size_t(n)});
                hecho[k] += n;
                queda |= hecho[k] < contenidos[k].size();
            }
            motor.agrego(trozos);
        }
        for (size_t k = 0; k < contenidos.size(); ++k)
            EXPECT_EQ(motor.termino(flujos[k]), Referencia(contenidos[k]))
                << "flujo " << k << ", " << contenidos[k].size() << " bytes";
    }

    NucleoMd5 nucleo = NucleoMd5::OpenSsl;
};

// Block edges and random lengths fed in pieces of every size; lanes that end
// at very different times, more streams than lanes, and the same stream twice
// in one call.
TEST_F(Carriles, LargosYPiezasDeTodoTamano)
{
    QRandomGenerator azar(14);
    std::vector<QByteArray> contenidos;
    for (qint64 n : {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 128, 4096})
        contenidos.push_back(Datos(n, unsigned(n) + 1));
    for (int k = 0; k < 150; ++k)
        contenidos.push_back(Datos(azar.bounded(0, 5000), unsigned(k)));
    for (qint64 pieza : {1, 63, 200, 5000}) {
        SCOPED_TRACE(pieza);
        Compruebo(contenidos, azar, pieza);
    }
    contenidos.clear();
    for (int k = 0; k < 3 * CarrilesDe(nucleo) + 1; ++k)
        contenidos.push_back(Datos(k % 5 == 0 ? 3 * 1048576 + k : k * 37, unsigned(k) + 100));
    Compruebo(contenidos, azar, 1 << 22);

    Md5Carriles motor(nucleo);
    const QByteArray a = Datos(1000, 1), b = Datos(777, 2);
    const int fa = motor.abro(), fb = motor.abro();
    const Md5Carriles::Trozo trozos[] = {
        {fa, a.constData(), 300}, {fb, b.constData(), 777}, {fa, a.constData() + 300, 700}};
    motor.agrego(trozos);
    EXPECT_EQ(motor.termino(fa), Referencia(a));
    EXPECT_EQ(motor.termino(fb), Referencia(b));
    // A finished stream's number is handed out again, starting empty.
    const int otro = motor.abro();
    EXPECT_EQ(motor.termino(otro), Referencia(QByteArray()));
}

// Files read through the lanes, at block edges, against md5sum; the progress
// counts every byte once. Past 4 GiB the bit count no longer fits 32 bits: a
// sparse file, so it costs no disk.
TEST_F(Carriles, ArchivosGrandesYChicos)
{
    QTemporaryDir d;
    QStringList rutas;
    qint64 total = 0;
    for (int k = 0; k < 40; ++k) {
        const qint64 n = k % 13 == 0 ? 5 * kBloque + k : qint64(k) * 4099;
        rutas << EscriboArchivo(d.filePath(QStringLiteral("f%1.zip").arg(k)), Datos(n, unsigned(k)));
        total += n;
    }
    const QString ralo = d.filePath(QStringLiteral("ralo.zip"));
    {
        QFile f(ralo);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QByteArray marca(300, Qt::Uninitialized);
        for (int i = 0; i < 300; ++i)
            marca[i] = char((i * 7) & 0xff);
        f.seek((4LL << 30) - 150);
        f.write(marca);
        f.seek((4LL << 30) + 1000 - 3);
        f.write("fin");
    }
    auto archivos = Abiertos(rutas + QStringList{ralo});
    Progreso p;
    const auto hashes = CalculoHashes(archivos, &p);
    ASSERT_EQ(hashes.size(), size_t(rutas.size()) + 1);
    for (qsizetype k = 0; k < rutas.size(); ++k) {
        ASSERT_TRUE(hashes[size_t(k)]) << k;
        EXPECT_EQ(hashes[size_t(k)].valor(), Md5sum(rutas[k])) << k;
    }
    ASSERT_TRUE(hashes.back());
    EXPECT_EQ(hashes.back().valor(), QStringLiteral("BD8B17B8EF55F1FA30286E1D37FD6022"));
    EXPECT_EQ(p.hecho.load(), total + (4LL << 30) + 1000);
}

// A cancel while every lane holds a file and more wait: every file gets
// exactly one result, its hash or the cancellation; one that cannot be
// opened gets its own failure.
TEST_F(Carriles, CancelarConMasArchivosQueCarriles)
{
    QTemporaryDir d;
    const QByteArray contenido = Datos(300000, 9);
    const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("a.zip")), contenido);
    const int cantidad = 4 * CarrilesDe(nucleo) + 3;
    auto archivos = Abiertos(QStringList(cantidad, ruta));
    Progreso p;
    std::vector<int> veces(size_t(cantidad), 0);
    int cancelados = 0;
    CalculoHashes(
        cantidad,
        [&](qsizetype i) -> Resultado<ArchivoCrudo*> {
            if (i == 0)
                return ArchivoCrudo::abro(d.filePath(QStringLiteral("no.zip")), ArchivoCrudo::Modo::Lectura).falla();
            if (i == CarrilesDe(nucleo)) // the last lane is taken, the first file having failed
                p.cancelar.store(true);
            return &archivos[size_t(i)];
        },
        [&](qsizetype i, Resultado<QString> r) {
            ++veces[size_t(i)];
            if (r) {
                EXPECT_EQ(r.valor(), Referencia(contenido));
            } else {
                EXPECT_EQ(r.falla().tipo, i == 0 ? TipoFalla::NoEncontrado : TipoFalla::Cancelado);
                cancelados += i != 0;
            }
        },
        &p, 1);
    EXPECT_EQ(std::count(veces.begin(), veces.end(), 1), cantidad);
    EXPECT_GT(cancelados, 0);
}

TEST(NucleoMd5, ElegidoPorTervMd5)
{
    const QByteArray antes = qgetenv("TERV_MD5");
    for (NucleoMd5 n : {NucleoMd5::OpenSsl, NucleoMd5::Avx2, NucleoMd5::Avx512}) {
        qputenv("TERV_MD5", NombreNucleo(n).toLatin1());
        const auto elegido = ElijoNucleoMd5();
        EXPECT_EQ(bool(elegido), NucleoDisponible(n)) << NombreNucleo(n).toStdString();
        if (elegido)
            EXPECT_EQ(elegido.valor(), n);
        else
            EXPECT_TRUE(elegido.falla().descripcion.contains(QStringLiteral("TERV_MD5=") + NombreNucleo(n)));
    }
    qputenv("TERV_MD5", "sse");
    const auto desconocido = ElijoNucleoMd5();
    ASSERT_FALSE(desconocido);
    EXPECT_EQ(desconocido.falla().tipo, TipoFalla::ArgumentoInvalido);
    antes.isEmpty() ? qunsetenv("TERV_MD5") : qputenv("TERV_MD5", antes);
}

} // namespace
