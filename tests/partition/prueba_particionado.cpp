#include "partition/particionado.h"
#include "soporte/datos.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 MB = 1048576;

TEST(Particionado, CantidadYAviso)
{
    struct Caso {
        qint64 F, S;
        int N;
        qint64 L; // -1: untouched
    } casos[] = {
        // clang-format off
        {10 * MB + 1, 10 * MB, 2, 1},
        {10 * MB, 10 * MB, 1, 10 * MB},
        {0, 10 * MB, 0, -1},
        {327 * MB, MB, 327, MB},
        {327 * MB + 1, MB, 328, -1},
        {5, 0, 328, -1},               // no endless loop
        {4LL << 30, 20 * MB, 205, 16 * MB}, // 4 GiB: no 32-bit overflow
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.F);
        qint64 L = -1;
        const int N = CantidadParticiones(c.F, c.S, L);
        EXPECT_EQ(std::min(N, kMaximoParticiones + 1), c.N); // past the maximum, counting stops
        if (c.L >= 0) {
            EXPECT_EQ(L, c.L);
        }
    }
    EXPECT_EQ(
        MensajeParticiones(3, 10 * MB, 5 * MB),
        QStringLiteral(
            "Este programa generará 2 particiones de 10485760 Bytes de tamaño y una de 5242880 Bytes.\r\n\r\n"
            "No obstante la publicación de cada partición estará supeditada al tamaño máximo establecido para el mismo \r\n"
            "en el sistema de Intercambio.\r\n\r\n"
            "Antes de generar las particiones y generarles el código Hash, verifique que el formato del nombre del archivo esté \r\n"
            "correcto de acuerdo a lo definido para el ítem que desea publicar, ya que las mismas reglas de nombrado se aplicarán \r\n"
            "a los nombres de las particiones, a excepción de las extensiones de las mismas."));
}

// Plans a split of a file written in d, in pieces of S bytes.
PlanParticion Plan(const QTemporaryDir& d, const QString& nombre, const QByteArray& datos, qint64 S)
{
    PlanParticion plan;
    const QString ruta = EscriboArchivo(d.filePath(nombre), datos);
    EXPECT_EQ(PlanificoParticion(ruta, datos.size(), S, plan), RechazoParticion::Ninguno);
    return plan;
}

// Each partition holds its slice of the source under a name carrying the hash
// of its own bytes: more partitions than hashing lanes, sizes that are not
// whole blocks, a last one of a single byte; no working name is left.
TEST(Particionado, ElJuegoReproduceElOrigen)
{
    struct Caso {
        qint64 F, S;
        int N;
        const char *nombre, *base, *ext;
    } casos[] = {
        // clang-format off
        {25 * 4096 + 7, 10 * 4096, 3, "informe.final.zip", "informe_", ".final.zip"},
        {2 * 1000 + 1, 1000, 3, "acta_.zip", "acta_", ".zip"},
        {40 * 777 - 500, 777, 40, "lote.zip", "lote_", ".zip"},
        // clang-format on
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.N);
        QTemporaryDir d;
        const QByteArray datos = Datos(c.F, unsigned(c.N));
        const PlanParticion plan = Plan(d, QString::fromLatin1(c.nombre), datos, c.S);
        ASSERT_EQ(plan.N, c.N);
        const ResultadoParticion r = GeneroParticiones(plan, d.path());
        ASSERT_FALSE(r.falla) << qPrintable(r.falla->descripcion);
        ASSERT_EQ(r.finales.size(), c.N);
        for (int i = 0; i < c.N; ++i) {
            const QString numero = QStringLiteral(".part%1.%2.vesk").arg(TresDigitos(i + 1), TresDigitos(c.N));
            EXPECT_EQ(NombreDeRuta(r.finales[i]),
                      QString::fromLatin1(c.base) + Md5sum(r.finales[i]) + QString::fromLatin1(c.ext) + numero);
            EXPECT_EQ(LeoArchivo(r.finales[i]), datos.mid(i * c.S, c.S));
        }
        EXPECT_EQ(Archivos(d.path()).size(), c.N + 1);
        EXPECT_EQ(LeoArchivo(plan.origen), datos);
    }
}

// A run that cannot finish says why and leaves nothing of its own: a
// destination that is not there, another run writing in the folder,
// a name taken at partition 2 by other bytes of the same size (partition 1 is
// taken back; the other file stays as it was). A cancel is walked through the
// split screen.
TEST(Particionado, FallasNoDejanNada)
{
    const QByteArray datos = Datos(30000, 9);
    struct Caso {
        TipoFalla tipo;
        const char* texto; // how the operator's text starts
    } casos[] = {
        // clang-format off
        {TipoFalla::NoEncontrado, ""},
        {TipoFalla::Ocupado, "Otra operación de TERV está escribiendo en la carpeta"},
        {TipoFalla::YaExiste, "Ya existe un Archivo con ese mismo nombre en el Directorio indicado."},
        // clang-format on
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(int(c.tipo));
        QTemporaryDir d, previo;
        const PlanParticion plan = Plan(d, QStringLiteral("acta.zip"), datos, 10000);
        std::optional<Resultado<CerrojoCarpeta>> otraCorrida;
        if (c.tipo == TipoFalla::Ocupado)
            otraCorrida.emplace(CerrojoCarpeta::tomo(d.path()));
        QStringList quedan{QStringLiteral("acta.zip")};
        const QByteArray ajeno(10000, 'z');
        if (c.tipo == TipoFalla::YaExiste) {
            const ResultadoParticion completo = GeneroParticiones(plan, previo.path());
            ASSERT_FALSE(completo.falla);
            quedan << NombreDeRuta(EscriboArchivo(d.filePath(NombreDeRuta(completo.finales[1])), ajeno));
        }
        const QString carpeta = c.tipo == TipoFalla::NoEncontrado ? d.filePath(QStringLiteral("falta")) : d.path();
        const ResultadoParticion r = GeneroParticiones(plan, carpeta);
        ASSERT_TRUE(r.falla);
        EXPECT_EQ(r.falla->tipo, c.tipo);
        EXPECT_TRUE(TextoFallaParticion(*r.falla).startsWith(QString::fromUtf8(c.texto)))
            << qPrintable(TextoFallaParticion(*r.falla));
        EXPECT_TRUE(r.finales.isEmpty());
        EXPECT_EQ(Archivos(d.path()), quedan);
        EXPECT_EQ(LeoArchivo(d.filePath(quedan.last())), quedan.size() > 1 ? ajeno : datos);
    }
}

// New files follow the operator's umask, and names the run might once have
// used are never written through: a hard link to the source, a link to a file
// elsewhere. The cleaner removes only what a dead run of ours provably left, a
// regular temporary: never a live run's, never a name merely alike, never the
// run's own source, never a folder named like one (no run makes folders),
// never through a link.
TEST(Particionado, PermisosYRestosDeCorridas)
{
    QTemporaryDir d, ajena;
    const QString victima = EscriboArchivo(ajena.filePath(QStringLiteral("f")), "de otro");
    const QByteArray datos = Datos(3000, 11);
    const PlanParticion plan = Plan(d, QStringLiteral(".terv-999999998-Abc123.tmp"), datos, 1000);
    const QString muerto = EscriboArchivo(d.filePath(QStringLiteral(".terv-999999999-AbC123.tmp")), "resto");
    const QString vivo = EscriboArchivo(d.filePath(QStringLiteral(".terv-1-AbC123.tmp")), "de otra corrida");
    const QString parecido = EscriboArchivo(d.filePath(QStringLiteral(".terv-999999999-nota.txt")), "del operador");
    const QString carpeta = d.filePath(QStringLiteral(".terv-999999998-Usr001.tmp"));
    QDir().mkpath(carpeta);
    EscriboArchivo(carpeta + QStringLiteral("/.terv-999999998-Zzz999.tmp"), "resto");
    const QString enlace = d.filePath(QStringLiteral(".terv-999999998-Lnk001.tmp"));
    QFile::link(ajena.path(), enlace);
    ASSERT_EQ(::link(QFile::encodeName(plan.origen).constData(),
                     QFile::encodeName(plan.origen + QStringLiteral(".part001.003.vesk")).constData()),
              0);
    ASSERT_TRUE(QFile::link(victima, plan.origen + QStringLiteral(".part002.003.vesk")));
    const mode_t antes = ::umask(077);
    const ResultadoParticion r = GeneroParticiones(plan, d.path());
    ::umask(antes);
    ASSERT_FALSE(r.falla) << qPrintable(r.falla->descripcion);
    QByteArray junto;
    for (const QString& f : r.finales) {
        struct stat st {};
        ASSERT_EQ(::lstat(QFile::encodeName(f).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & (S_IFMT | 0777), S_IFREG | 0600u) << qPrintable(f);
        junto += LeoArchivo(f);
    }
    EXPECT_EQ(junto, datos);
    EXPECT_FALSE(QFile::exists(muerto));
    EXPECT_TRUE(QFile::exists(vivo));
    EXPECT_TRUE(QFile::exists(parecido));
    EXPECT_EQ(LeoArchivo(plan.origen), datos);
    EXPECT_EQ(Archivos(carpeta).size(), 1);
    EXPECT_TRUE(QFileInfo(enlace).isSymLink());
    EXPECT_EQ(LeoArchivo(victima), QByteArray("de otro"));
}

// A name already holding that very partition is the partition: a re-run
// after an interrupted delivery completes the set, and a failing re-run
// (also one that replaces names, as the split after compression does) never
// removes a partition of the earlier set.
TEST(Particionado, NuevaCorridaSobreUnJuegoAnterior)
{
    struct Caso {
        const char* nombre;
        QList<int> previas; // partitions of the earlier run under their names
        bool reemplazar;
        int carpetaEn; // a folder takes this partition's name (0: none)
        bool falla;
    } casos[] = {
        // clang-format off
        {"entrega interrumpida", {1, 2}, false, 0, false},
        {"reemplazando, falla en la 3", {1, 2, 4}, true, 3, true},
        {"sin reemplazar, falla en la 3", {1, 2}, false, 3, true},
        // clang-format on
    };
    const QByteArray datos = Datos(4000, 12);
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        QTemporaryDir d, previo;
        const PlanParticion plan = Plan(d, QStringLiteral("acta.zip"), datos, 1000);
        const ResultadoParticion antes = GeneroParticiones(plan, previo.path());
        ASSERT_FALSE(antes.falla);
        QList<quint64> nodos;
        for (int i : caso.previas) {
            const QString ruta = d.filePath(NombreDeRuta(antes.finales[i - 1]));
            EscriboArchivo(ruta, LeoArchivo(antes.finales[i - 1]));
            nodos << IdentidadDe(ruta).valor().nodo;
        }
        if (caso.carpetaEn)
            QDir().mkpath(d.filePath(NombreDeRuta(antes.finales[caso.carpetaEn - 1])));
        const ResultadoParticion r = GeneroParticiones(plan, d.path(), caso.reemplazar);
        EXPECT_EQ(bool(r.falla), caso.falla);
        for (qsizetype k = 0; k < caso.previas.size(); ++k) { // kept as they were
            const QString ruta = d.filePath(NombreDeRuta(antes.finales[caso.previas[k] - 1]));
            ASSERT_TRUE(IdentidadDe(ruta)) << qPrintable(ruta);
            EXPECT_EQ(IdentidadDe(ruta).valor().nodo, nodos[k]);
        }
        if (!caso.falla) {
            ASSERT_EQ(r.finales.size(), 4);
            EXPECT_EQ(Archivos(d.path()).size(), 5);
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(LeoArchivo(r.finales[i]), LeoArchivo(antes.finales[i]));
        }
        EXPECT_TRUE(Temporales(d.path()).isEmpty());
    }
}

} // namespace
