#include "hash/motor_hash.h"
#include "hash/nombre_hash.h"
#include "hash/operaciones_hash.h"
#include "soporte/datos.h"
#include "system/archivos.h"

#include <QFile>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

// Block edges of the streaming reader: the text equals md5sum's. A cancel
// gives no hash.
TEST(Md5, IgualQueMd5sumFallasYCancelacion)
{
    QTemporaryDir d;
    for (const qint64 n : {qint64(0), qint64(1), kBloque - 1, kBloque, kBloque + 1, 4 * kBloque + 3, 9 * kBloque}) {
        SCOPED_TRACE(n);
        const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("f%1.bin").arg(n)), Datos(n, unsigned(n)));
        Progreso p;
        const auto hash = CalculoHash(ruta, &p);
        ASSERT_TRUE(hash) << qPrintable(hash.falla().descripcion);
        EXPECT_EQ(hash.valor(), Md5sum(ruta));
        EXPECT_EQ(p.hecho.load(), n);
    }
    const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("g.zip")), Datos(3 * kBloque));
    Progreso p;
    p.cancelar.store(true);
    const auto cancelado = CalculoHash(ruta, &p);
    ASSERT_FALSE(cancelado);
    EXPECT_EQ(cancelado.falla().tipo, TipoFalla::Cancelado);
}

TEST(NombreHash, NombreSelladoYHashEnElNombre)
{
    const QString h = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
    const std::pair<const char*, const char*> casos[] = {
        // clang-format off
        {"datos.zip", "datos_0123456789ABCDEF0123456789ABCDEF.zip"},
        {"datos.tar.gz", "datos_0123456789ABCDEF0123456789ABCDEF.tar.gz"},
        {"datos_.zip", "datos_0123456789ABCDEF0123456789ABCDEF.zip"},
        {".zip", "_0123456789ABCDEF0123456789ABCDEF.zip"},
        {"a.", "a_0123456789ABCDEF0123456789ABCDEF."},
        // clang-format on
    };
    for (const auto& [nombre, sellado] : casos) {
        const auto p = SeparoNombre(QString::fromLatin1(nombre));
        ASSERT_TRUE(p) << nombre;
        EXPECT_EQ(NombreSellado(*p, h), QString::fromLatin1(sellado));
    }
    EXPECT_FALSE(SeparoNombre(QStringLiteral("sinpunto")));

    struct Caso {
        const char* nombre;
        bool formato;
        const char* hash;
        const char* base;
        const char* ext;
    } leidos[] = {
        // clang-format off
        {"datos_0123456789ABCDEF0123456789ABCDEF.zip", true, "0123456789ABCDEF0123456789ABCDEF", "datos", ".zip"},
        {"0123456789ABCDEF0123456789ABCDEF.tar.gz", true, "0123456789ABCDEF0123456789ABCDEF", "", ".tar.gz"},
        {"x0123456789abcdef0123456789abcdef.zip", true, "0123456789abcdef0123456789abcdef", "x", ".zip"},
        {"corto_ABC.zip", false, "", "", ""},
        // clang-format on
    };
    for (const auto& c : leidos) {
        SCOPED_TRACE(c.nombre);
        const auto l = ObtengoHashString(QString::fromLatin1(c.nombre));
        ASSERT_TRUE(l);
        EXPECT_EQ(l->conFormato, c.formato);
        if (!c.formato) {
            EXPECT_EQ(l->menError, TextoSinFormatoHash());
            continue;
        }
        EXPECT_EQ(l->strHash, QString::fromLatin1(c.hash));
        EXPECT_EQ(l->nombreArc, QString::fromLatin1(c.base));
        EXPECT_EQ(l->ExtenArc, QString::fromLatin1(c.ext));
    }
    EXPECT_FALSE(ObtengoHashString(QStringLiteral("sinpunto")));
    EXPECT_FALSE(NoEsZip(QStringLiteral("/a/b.zip")));
    EXPECT_TRUE(NoEsZip(QStringLiteral("/a/b.ZIP")));
}

// What is not a regular file, or does not fit, is refused before anything is
// read or renamed; stamping and checking never block on a FIFO.
TEST(OperacionesHash, RechazosAntesDeLeer)
{
    QTemporaryDir d;
    const QString fifo = d.filePath(QStringLiteral("tubo.zip"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString externo = EscriboArchivo(d.filePath(QStringLiteral("externo.bin")), "contenido");
    const QString enlace = d.filePath(QStringLiteral("enlace.zip"));
    ASSERT_TRUE(QFile::link(externo, enlace));
    QDir(d.path()).mkdir(QStringLiteral("carpeta.zip"));
    const QString vacio = EscriboArchivo(d.filePath(QStringLiteral("vacio.zip")), {});
    const QString grande = EscriboArchivo(d.filePath(QStringLiteral("grande.zip")), Datos(2000));
    // Someone else's file already carries the stamped name: both stay as they are.
    const QString envio = EscriboArchivo(d.filePath(QStringLiteral("envio.zip")), "envio");
    const QString sellado = d.filePath(QStringLiteral("envio_") + Md5sum(envio) + QStringLiteral(".zip"));
    const QString ajeno = EscriboArchivo(sellado, "ajeno");
    const struct {
        QString ruta;
        qint64 maximo;
        TipoFalla tipo;
    } casos[] = {
        // clang-format off
        {fifo, 0, TipoFalla::NoEsArchivoComun},
        {enlace, 0, TipoFalla::NoEsArchivoComun},
        {d.filePath(QStringLiteral("carpeta.zip")), 0, TipoFalla::NoEsArchivoComun},
        {vacio, 1000, TipoFalla::Vacio},
        {grande, 1000, TipoFalla::MuyGrande},
        {d.filePath(QStringLiteral("falta.zip")), 0, TipoFalla::NoEncontrado},
        {envio, 0, TipoFalla::YaExiste},
        {EscriboArchivo(d.filePath(QStringLiteral("sinpunto")), "x"), 0, TipoFalla::ArgumentoInvalido},
        // clang-format on
    };
    const QStringList antes = Archivos(d.path());
    for (const auto& c : casos) {
        SCOPED_TRACE(qPrintable(NombreDeRuta(c.ruta)));
        const auto r = EstampoArchivo({c.ruta, c.maximo});
        ASSERT_FALSE(r);
        EXPECT_EQ(r.falla().tipo, c.tipo) << qPrintable(r.falla().descripcion);
        EXPECT_FALSE(r.falla().descripcion.isEmpty());
    }
    // The same for a check: an error with its cause, nothing renamed.
    const QString tubo = d.filePath(QStringLiteral("tubo_") + QString(32, QLatin1Char('A')) + QStringLiteral(".zip"));
    ASSERT_TRUE(QFile::rename(fifo, tubo));
    const auto enTubo = CorroboroArchivo({tubo, [](const Verificacion&) { return true; }});
    EXPECT_EQ(enTubo.estado, EstadoHash::Error);
    ASSERT_TRUE(enTubo.falla);
    EXPECT_EQ(enTubo.falla->tipo, TipoFalla::NoEsArchivoComun);
    EXPECT_EQ(LeoArchivo(externo), QByteArray("contenido"));
    EXPECT_EQ(LeoArchivo(envio), QByteArray("envio"));
    EXPECT_EQ(LeoArchivo(ajeno), QByteArray("ajeno"));
    EXPECT_EQ(Archivos(d.path()).size(), antes.size());
}

// A file swapped for another between hashing and renaming keeps its name:
// the stamp would otherwise name new content with the old content's hash.
TEST(OperacionesHash, ArchivoCambiadoDuranteElCalculo)
{
    for (const bool corrijo : {false, true}) {
        SCOPED_TRACE(corrijo ? "corrección" : "estampado");
        QTemporaryDir d;
        const QString nombre = corrijo
            ? QStringLiteral("envio_") + QString(32, QLatin1Char('0')) + QStringLiteral(".zip")
            : QStringLiteral("envio.zip");
        const QString ruta = d.filePath(nombre);
        EscriboArchivo(ruta, {});
        ASSERT_TRUE(QFile::resize(ruta, qint64(128) << 20)); // sparse: quick to make, slow enough to hash
        const QString otro = EscriboArchivo(d.filePath(QStringLiteral("otro")), "contenido nuevo");
        Progreso progreso;
        std::thread cambio([&] {
            while (progreso.hecho.load() == 0)
                std::this_thread::yield();
            QFile::remove(ruta);
            QFile::rename(otro, ruta);
        });
        Estado falla;
        if (corrijo) {
            const Verificacion v = CorroboroArchivo({ruta, [](const Verificacion&) { return true; }}, &progreso);
            EXPECT_NE(v.estado, EstadoHash::Corregido);
            falla = v.falla;
        } else {
            const auto r = EstampoArchivo({ruta}, &progreso);
            if (!r)
                falla = r.falla();
        }
        cambio.join();
        ASSERT_TRUE(falla);
        EXPECT_EQ(falla->tipo, TipoFalla::Cambiado) << qPrintable(falla->descripcion);
        EXPECT_EQ(Archivos(d.path()), QStringList{nombre});
        EXPECT_EQ(LeoArchivo(ruta), QByteArray("contenido nuevo"));
    }

    // A same-size edit with its modification time put back, made between the
    // check and the correction, still tells the file apart.
    QTemporaryDir d;
    const QString ruta = EscriboArchivo(
        d.filePath(QStringLiteral("envio_") + QString(32, QLatin1Char('0')) + QStringLiteral(".zip")), "contenido uno");
    const auto hechas = CorroboroArchivos(
        {ruta}, [](const Verificacion&) { return true; }, nullptr,
        [&](qsizetype, const Verificacion&) {
            struct stat st {};
            ::stat(QFile::encodeName(ruta).constData(), &st);
            EscriboArchivo(ruta, "contenido dos");
            const timespec tiempos[2] = {st.st_atim, st.st_mtim};
            ::utimensat(AT_FDCWD, QFile::encodeName(ruta).constData(), tiempos, 0);
        });
    ASSERT_TRUE(hechas.front().falla);
    EXPECT_EQ(hechas.front().falla->tipo, TipoFalla::Cambiado);
    EXPECT_EQ(Archivos(d.path()), QStringList{NombreDeRuta(ruta)});
}

} // namespace
