#include "hash/motor_hash.h"
#include "hash/nombre_hash.h"
#include "soporte/utiles.h"
#include "system/archivos.h"

#include <QFile>
#include <cstring>

#include <gtest/gtest.h>

namespace {

TEST(Md5, VectoresConocidos)
{
    const std::pair<const char*, const char*> casos[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"The quick brown fox jumps over the lazy dog", "9E107D9D372BB6826BD81D3542A419D6"},
    };
    for (const auto& [texto, hash] : casos) {
        Md5 m;
        m.agrego(texto, std::strlen(texto));
        EXPECT_EQ(m.texto(), QString::fromLatin1(hash));
    }
}

// Block edges of the streaming reader: the text equals md5sum's.
TEST(Md5, IgualQueMd5sumEnLosBordesDeBloque)
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
}

TEST(Md5, FallasYCancelacion)
{
    QTemporaryDir d;
    const auto falta = CalculoHash(d.filePath(QStringLiteral("no.zip")));
    ASSERT_FALSE(falta);
    EXPECT_EQ(falta.falla().tipo, TipoFalla::NoEncontrado);

    const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("g.zip")), Datos(3 * kBloque));
    Progreso p;
    p.cancelar.store(true);
    const auto cancelado = CalculoHash(ruta, &p);
    ASSERT_FALSE(cancelado);
    EXPECT_EQ(cancelado.falla().tipo, TipoFalla::Cancelado);
}

TEST(NombreHash, PartesYNombreSellado)
{
    const QString h = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
    const std::pair<const char*, const char*> casos[] = {
        {"datos.zip", "datos_0123456789ABCDEF0123456789ABCDEF.zip"},
        {"datos.tar.gz", "datos_0123456789ABCDEF0123456789ABCDEF.tar.gz"},
        {"datos_.zip", "datos_0123456789ABCDEF0123456789ABCDEF.zip"},
        {".zip", "_0123456789ABCDEF0123456789ABCDEF.zip"},
        {"a.", "a_0123456789ABCDEF0123456789ABCDEF."},
    };
    for (const auto& [nombre, sellado] : casos) {
        const auto p = SeparoNombre(QString::fromLatin1(nombre));
        ASSERT_TRUE(p) << nombre;
        EXPECT_EQ(NombreSellado(*p, h), QString::fromLatin1(sellado));
    }
    EXPECT_FALSE(SeparoNombre(QStringLiteral("sinpunto")));
}

TEST(NombreHash, HashEnElNombre)
{
    struct Caso {
        const char* nombre;
        bool formato;
        const char* hash;
        const char* base;
        const char* ext;
    } casos[] = {
        {"datos_0123456789ABCDEF0123456789ABCDEF.zip", true, "0123456789ABCDEF0123456789ABCDEF", "datos", ".zip"},
        {"0123456789ABCDEF0123456789ABCDEF.tar.gz", true, "0123456789ABCDEF0123456789ABCDEF", "", ".tar.gz"},
        {"x0123456789abcdef0123456789abcdef.zip", true, "0123456789abcdef0123456789abcdef", "x", ".zip"},
        {"corto_ABC.zip", false, "", "", ""},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        const auto h = ObtengoHashString(QString::fromLatin1(c.nombre));
        ASSERT_TRUE(h);
        EXPECT_EQ(h->conFormato, c.formato);
        if (!c.formato) {
            EXPECT_EQ(h->menError, TextoSinFormatoHash());
            continue;
        }
        EXPECT_EQ(h->strHash, QString::fromLatin1(c.hash));
        EXPECT_EQ(h->nombreArc, QString::fromLatin1(c.base));
        EXPECT_EQ(h->ExtenArc, QString::fromLatin1(c.ext));
    }
    EXPECT_FALSE(ObtengoHashString(QStringLiteral("sinpunto")));
    EXPECT_FALSE(NoEsZip(QStringLiteral("/a/b.zip")));
    EXPECT_TRUE(NoEsZip(QStringLiteral("/a/b.ZIP")));
}

TEST(NombreHash, EstampoNuncaReemplaza)
{
    QTemporaryDir d;
    const QByteArray datos = Datos(1000);
    const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("envio.zip")), datos);
    const QString hash = Md5sum(ruta);
    const QString sellado = d.filePath(QStringLiteral("envio_") + hash + QStringLiteral(".zip"));

    // Someone else's file already carries the stamped name: both stay as they are.
    EscriboArchivo(sellado, "otro");
    const auto choque = EstampoArchivo(ruta);
    ASSERT_FALSE(choque);
    EXPECT_EQ(choque.falla().tipo, TipoFalla::YaExiste);
    EXPECT_EQ(LeoArchivo(ruta), datos);
    EXPECT_EQ(LeoArchivo(sellado), QByteArray("otro"));

    QFile::remove(sellado);
    const auto bien = EstampoArchivo(ruta);
    ASSERT_TRUE(bien);
    EXPECT_EQ(bien.valor(), sellado);
    EXPECT_EQ(LeoArchivo(sellado), datos);
    EXPECT_EQ(Archivos(d.path()), QStringList{NombreDeRuta(sellado)});

    const auto sinPunto = EstampoArchivo(EscriboArchivo(d.filePath(QStringLiteral("sinpunto")), "x"));
    ASSERT_FALSE(sinPunto);
    EXPECT_EQ(sinPunto.falla().tipo, TipoFalla::ArgumentoInvalido);
}

} // namespace
