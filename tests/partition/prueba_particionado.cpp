#include "hash/motor_hash.h"
#include "partition/particionado.h"
#include "soporte/datos.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 MB = 1048576;

TEST(Particionado, Cantidad)
{
    struct Caso {
        qint64 F, S;
        int N;
        qint64 L; // -1: untouched
    } casos[] = {
        {25 * MB, 10 * MB, 3, 5 * MB},
        {20 * MB, 10 * MB, 2, 10 * MB},
        {10 * MB + 1, 10 * MB, 2, 1},
        {10 * MB, 10 * MB, 1, 10 * MB},
        {0, 10 * MB, 0, -1},
        {327 * MB, MB, 327, MB},
        {327 * MB + 1, MB, 328, -1},
        {5, 0, 328, -1},               // no endless loop
        {4LL << 30, 20 * MB, 205, 16 * MB}, // 4 GiB: no 32-bit overflow
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.F);
        qint64 L = -1;
        const int N = CantidadParticiones(c.F, c.S, L);
        if (c.N > kMaximoParticiones) {
            EXPECT_GT(N, kMaximoParticiones);
        } else {
            EXPECT_EQ(N, c.N);
        }
        if (c.L >= 0) {
            EXPECT_EQ(L, c.L);
        }
    }
}

TEST(Particionado, NombresYTextos)
{
    const auto p = SeparoNombre(QStringLiteral("informe.final.zip"));
    const QString h(32, QLatin1Char('A'));
    EXPECT_EQ(NombreFinalParticion(*p, h, 1, 3), QStringLiteral("informe_") + h + QStringLiteral(".final.zip.part001.003.vesk"));
    EXPECT_EQ(NombreFinalParticion(*SeparoNombre(QStringLiteral("acta_.zip")), h, 2, 2),
              QStringLiteral("acta_") + h + QStringLiteral(".zip.part002.002.vesk"));
    EXPECT_EQ(MensajeParticiones(3, 10 * MB, 5 * MB),
              QStringLiteral("Este programa generará 2 particiones de 10485760 Bytes de tamaño y una de 5242880 Bytes.\r\n\r\n"
                             "No obstante la publicación de cada partición estará supeditada al tamaño máximo establecido para el mismo \r\n"
                             "en el sistema de Intercambio.\r\n\r\n"
                             "Antes de generar las particiones y generarles el código Hash, verifique que el formato del nombre del archivo esté \r\n"
                             "correcto de acuerdo a lo definido para el ítem que desea publicar, ya que las mismas reglas de nombrado se aplicarán \r\n"
                             "a los nombres de las particiones, a excepción de las extensiones de las mismas."));
    EXPECT_EQ(TextoRechazo(RechazoParticion::MuyChico),
              QStringLiteral("El tamaño del archivo seleccionado es menor al necesario para ser particionado, en este caso debe\r\n"
                             "Ingresar por la Opción \"Código Hash \" del Menú principal"));
}

// Plans a split of a file written in d, in pieces of S bytes.
PlanParticion Plan(const QTemporaryDir& d, const QString& nombre, const QByteArray& datos, qint64 S)
{
    PlanParticion plan;
    const QString ruta = EscriboArchivo(d.filePath(nombre), datos);
    EXPECT_EQ(PlanificoParticion(ruta, datos.size(), S, plan), RechazoParticion::Ninguno);
    return plan;
}

TEST(Particionado, ElJuegoReproduceElOrigen)
{
    QTemporaryDir d;
    QDir().mkpath(d.filePath(QStringLiteral("destino")));
    const QString destino = d.filePath(QStringLiteral("destino"));
    const QByteArray datos = Datos(25 * 4096 + 7);
    const PlanParticion plan = Plan(d, QStringLiteral("informe.zip"), datos, 10 * 4096);
    ASSERT_EQ(plan.N, 3);
    Progreso progreso;
    const ResultadoParticion r = GeneroParticiones(plan, destino, false, &progreso);
    ASSERT_FALSE(r.falla) << qPrintable(r.falla->descripcion);
    ASSERT_EQ(r.finales.size(), 3);
    QByteArray junto;
    for (int i = 0; i < 3; ++i) {
        const QString nombre = NombreDeRuta(r.finales[i]);
        const QByteArray parte = LeoArchivo(r.finales[i]);
        EXPECT_EQ(nombre, QStringLiteral("informe_") + Md5sum(r.finales[i]) + QStringLiteral(".zip.part00%1.003.vesk").arg(i + 1));
        EXPECT_EQ(parte.size(), i < 2 ? 40960 : 20487);
        junto += parte;
    }
    EXPECT_EQ(junto, datos);
    EXPECT_EQ(Archivos(destino).size(), 3); // no working name left
    EXPECT_EQ(LeoArchivo(plan.origen), datos);
}

// Partitions hashed in lanes: more of them than lanes, sizes that are not
// whole blocks, a last one of a single byte; each name carries its own hash.
TEST(Particionado, MasParticionesQueCarriles)
{
    struct Caso {
        qint64 F, S;
        int N;
    } casos[] = {{2 * 1000 + 1, 1000, 3}, {17 * 4099, 4099, 17}, {40 * 777 - 500, 777, 40}};
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.N);
        QTemporaryDir d;
        const QString destino = d.filePath(QStringLiteral("destino"));
        QDir().mkpath(destino);
        const QByteArray datos = Datos(c.F, unsigned(c.N));
        const PlanParticion plan = Plan(d, QStringLiteral("lote.zip"), datos, c.S);
        ASSERT_EQ(plan.N, c.N);
        const ResultadoParticion r = GeneroParticiones(plan, destino);
        ASSERT_FALSE(r.falla) << qPrintable(r.falla->descripcion);
        ASSERT_EQ(r.finales.size(), c.N);
        QByteArray junto;
        for (int i = 0; i < c.N; ++i) {
            const auto referencia = CalculoHash(r.finales[i]);
            ASSERT_TRUE(referencia);
            EXPECT_EQ(NombreDeRuta(r.finales[i]), QStringLiteral("lote_") + referencia.valor() + QStringLiteral(".zip.part")
                                                      + TresDigitos(i + 1) + QLatin1Char('.') + TresDigitos(c.N) + QStringLiteral(".vesk"));
            junto += LeoArchivo(r.finales[i]);
        }
        EXPECT_EQ(junto, datos);
        EXPECT_EQ(Archivos(destino).size(), c.N);
    }
}

TEST(Particionado, FallasNoDejanBasura)
{
    QTemporaryDir d;
    const QString destino = d.filePath(QStringLiteral("destino"));
    QDir().mkpath(destino);
    const QByteArray datos = Datos(30000, 7);
    const PlanParticion plan = Plan(d, QStringLiteral("acta.zip"), datos, 10000);

    // A file that carries an old working name is somebody's file: left as it is.
    const QString ajeno = EscriboArchivo(destino + QStringLiteral("/acta.zip.part001.003.vesk"), Datos(99999, 3));
    const ResultadoParticion primera = GeneroParticiones(plan, destino);
    ASSERT_FALSE(primera.falla);
    EXPECT_EQ(LeoArchivo(primera.finales[0]), datos.left(10000));
    EXPECT_EQ(LeoArchivo(ajeno), Datos(99999, 3));
    const QStringList antes = Archivos(destino);
    EXPECT_EQ(antes.size(), 4);

    // The set is already there: its partitions are the run's, nothing changes.
    const ResultadoParticion segunda = GeneroParticiones(plan, destino);
    ASSERT_FALSE(segunda.falla);
    EXPECT_EQ(segunda.finales, primera.finales);
    EXPECT_EQ(Archivos(destino), antes);

    // A destination that is not there: an error, and no file anywhere.
    const ResultadoParticion tercera = GeneroParticiones(plan, d.filePath(QStringLiteral("falta")));
    ASSERT_TRUE(tercera.falla);
    EXPECT_EQ(tercera.falla->tipo, TipoFalla::NoEncontrado);
    EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("acta.zip")});
    EXPECT_EQ(Archivos(destino), antes);
}

TEST(Particionado, CancelarBorraLoEmpezado)
{
    QTemporaryDir d;
    const PlanParticion plan = Plan(d, QStringLiteral("x.zip"), Datos(8 * MB), MB);
    Progreso progreso;
    progreso.cancelar.store(true);
    const ResultadoParticion r = GeneroParticiones(plan, d.path(), false, &progreso);
    ASSERT_TRUE(r.falla);
    EXPECT_EQ(r.falla->tipo, TipoFalla::Cancelado);
    EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("x.zip")});
}

// Files that carry a name the run might have used are never written through:
// a hard link to the source, a link to a file elsewhere.
TEST(Particionado, NombresPlantadosNoSeEscriben)
{
    QTemporaryDir d;
    const QByteArray datos = Datos(30000, 5);
    const PlanParticion plan = Plan(d, QStringLiteral("informe.zip"), datos, 10000);
    const QString afuera = EscriboArchivo(d.filePath(QStringLiteral("afuera.txt")), "no tocar");
    ASSERT_EQ(::link(QFile::encodeName(plan.origen).constData(),
                     QFile::encodeName(d.filePath(QStringLiteral("informe.zip.part001.003.vesk"))).constData()), 0);
    ASSERT_TRUE(QFile::link(afuera, d.filePath(QStringLiteral("informe.zip.part002.003.vesk"))));
    const ResultadoParticion r = GeneroParticiones(plan, d.path());
    ASSERT_FALSE(r.falla) << qPrintable(r.falla->descripcion);
    EXPECT_EQ(LeoArchivo(plan.origen), datos);
    EXPECT_EQ(LeoArchivo(afuera), QByteArray("no tocar"));
    QByteArray junto;
    for (const QString& f : r.finales) {
        EXPECT_TRUE(QFileInfo(f).isFile() && !QFileInfo(f).isSymLink()) << qPrintable(f);
        junto += LeoArchivo(f);
    }
    EXPECT_EQ(junto, datos);
}

// A run that cannot finish leaves no half set: a taken name at partition 2
// takes partition 1 back, and the file with that name stays as it was.
TEST(Particionado, SinJuegosAMedias)
{
    QTemporaryDir d;
    const QByteArray datos = Datos(30000, 9);
    const PlanParticion plan = Plan(d, QStringLiteral("acta.zip"), datos, 10000);
    QTemporaryDir previo;
    const ResultadoParticion completo = GeneroParticiones(plan, previo.path());
    ASSERT_FALSE(completo.falla);
    const QString ocupado = d.filePath(NombreDeRuta(completo.finales[1]));
    EscriboArchivo(ocupado, "ajeno");
    const ResultadoParticion r = GeneroParticiones(plan, d.path());
    ASSERT_TRUE(r.falla);
    EXPECT_EQ(r.falla->tipo, TipoFalla::YaExiste);
    EXPECT_TRUE(r.finales.isEmpty());
    EXPECT_EQ(Archivos(d.path()), (QStringList{QStringLiteral("acta.zip"), NombreDeRuta(ocupado)}));
    EXPECT_EQ(LeoArchivo(ocupado), QByteArray("ajeno"));
}

// Two runs writing into one folder: the second is refused at once, clearly.
TEST(Particionado, DosCorridasEnUnaCarpeta)
{
    QTemporaryDir d;
    const PlanParticion plan = Plan(d, QStringLiteral("x.zip"), Datos(3000), 1000);
    auto cerrojo = CerrojoCarpeta::tomo(d.path()); // the other run
    ASSERT_TRUE(cerrojo);
    const ResultadoParticion r = GeneroParticiones(plan, d.path());
    ASSERT_TRUE(r.falla);
    EXPECT_EQ(r.falla->tipo, TipoFalla::Ocupado);
    EXPECT_TRUE(r.falla->descripcion.startsWith(QStringLiteral("Otra operación de TERV está escribiendo en la carpeta")));
    EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("x.zip")});
}

// New files follow the operator's umask; leftovers of dead runs go, those of
// live runs and everything else stay.
TEST(Particionado, PermisosYRestosDeCorridas)
{
    QTemporaryDir d;
    const PlanParticion plan = Plan(d, QStringLiteral("x.zip"), Datos(3000), 1000);
    const QString muerto = EscriboArchivo(d.filePath(QStringLiteral(".terv-999999999-AbC123.tmp")), "resto");
    const QString vivo = EscriboArchivo(d.filePath(QStringLiteral(".terv-1-AbC123.tmp")), "de otra corrida");
    const QString parecido = EscriboArchivo(d.filePath(QStringLiteral(".terv-999999999-nota.txt")), "del operador");
    const mode_t antes = ::umask(077);
    const ResultadoParticion r = GeneroParticiones(plan, d.path());
    ::umask(antes);
    ASSERT_FALSE(r.falla);
    for (const QString& f : r.finales) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(f).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << qPrintable(f);
    }
    EXPECT_FALSE(QFile::exists(muerto));
    EXPECT_TRUE(QFile::exists(vivo));
    EXPECT_TRUE(QFile::exists(parecido));
}

// The cleaner removes only what a run of ours provably made, a regular
// temporary: never the run's own source, never a folder named like one (no
// run makes folders), never through a link.
TEST(Particionado, RestosQueNoSonNuestros)
{
    QTemporaryDir d, ajena;
    const QString victima = EscriboArchivo(ajena.filePath(QStringLiteral("f")), "de otro");
    const QByteArray datos = Datos(3000, 11);
    const PlanParticion plan = Plan(d, QStringLiteral(".terv-999999998-Abc123.tmp"), datos, 1000);
    const QString carpeta = d.filePath(QStringLiteral(".terv-999999998-Usr001.tmp"));
    QDir().mkpath(carpeta);
    EscriboArchivo(carpeta + QStringLiteral("/.terv-999999998-Zzz999.tmp"), "resto");
    const QString resto = EscriboArchivo(d.filePath(QStringLiteral(".terv-999999998-Run001.tmp")), "resto");
    QFile::link(ajena.path(), d.filePath(QStringLiteral(".terv-999999998-Lnk001.tmp")));
    const ResultadoParticion r = GeneroParticiones(plan, d.path());
    ASSERT_FALSE(r.falla) << qPrintable(r.falla->descripcion);
    EXPECT_EQ(LeoArchivo(plan.origen), datos);
    EXPECT_EQ(QDir(carpeta).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_FALSE(QFileInfo::exists(resto));
    EXPECT_TRUE(QFileInfo(d.filePath(QStringLiteral(".terv-999999998-Lnk001.tmp"))).isSymLink());
    EXPECT_EQ(LeoArchivo(victima), QByteArray("de otro"));
}

// A name already holding that very partition is the partition: a re-run
// after an interrupted delivery completes the set, and a failing re-run
// (also one that replaces names, as the split after compression does) never
// removes a partition of the earlier set. Another content is still refused.
TEST(Particionado, NuevaCorridaSobreUnJuegoAnterior)
{
    struct Caso {
        const char* nombre;
        QList<int> previas; // partitions of the earlier run under their names
        bool reemplazar;
        int carpetaEn;      // a folder takes this partition's name (0: none)
        bool falla;
    } casos[] = {
        {"entrega interrumpida", {1, 2}, false, 0, false},
        {"juego completo", {1, 2, 3, 4}, false, 0, false},
        {"reemplazando, falla en la 3", {1, 2, 4}, true, 3, true},
        {"sin reemplazar, falla en la 3", {1, 2}, false, 3, true},
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
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(LeoArchivo(r.finales[i]), LeoArchivo(antes.finales[i]));
        }
        EXPECT_TRUE(Temporales(d.path()).isEmpty());
    }
    QTemporaryDir d;
    const PlanParticion plan = Plan(d, QStringLiteral("acta.zip"), datos, 1000);
    const ResultadoParticion bien = GeneroParticiones(plan, d.path());
    ASSERT_FALSE(bien.falla);
    QFile::remove(bien.finales[1]);
    EscriboArchivo(bien.finales[1], QByteArray(1000, 'z')); // same size, other content
    const ResultadoParticion r = GeneroParticiones(plan, d.path());
    ASSERT_TRUE(r.falla);
    EXPECT_EQ(TextoFallaParticion(*r.falla), QStringLiteral("Ya existe un Archivo con ese mismo nombre en el Directorio indicado."));
    EXPECT_TRUE(QFile::exists(bien.finales[0]));
}

} // namespace
