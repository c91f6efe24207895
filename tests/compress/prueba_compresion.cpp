#include "compress/compresion.h"
#include "compress/zip_prueba.h"
#include "system/archivos.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

namespace {

TEST(Compresion, NombresYLista)
{
    QString nombre = QStringLiteral("envio");
    EXPECT_EQ(AgregoFechayVersion(nombre, QDate(2026, 12, 5)), QStringLiteral("_20261205_01"));
    AgregoFechayVersion(nombre, QDate(2026, 12, 5));
    EXPECT_EQ(nombre, QStringLiteral("envio_20261205_01_20261205_01"));
    EXPECT_EQ(NombrePropuesto(QStringLiteral("datos.2024.txt")), QStringLiteral("datos.2024"));

    const std::pair<const char*, const char*> nombres[] = {
        {"informe_20261205_01", ""}, {"a b", ""}, {"", "Debe ingresar"},
        {"a/b", "no puede contener \"/\""}, {"a\\b", "no puede contener \"/\""},
        {"informe.", "no puede contener \".\""}, {"..", "no puede contener \".\""},
    };
    for (const auto& [n, por] : nombres) {
        SCOPED_TRACE(n);
        const QString razon = RevisoNombreArchivo(QString::fromUtf8(n));
        if (*por)
            EXPECT_TRUE(razon.contains(QString::fromUtf8(por))) << qPrintable(razon);
        else
            EXPECT_TRUE(razon.isEmpty()) << qPrintable(razon);
    }

    ListaArchivos lista;
    const Agregado a = AgregoArchivos(lista, {QStringLiteral("/d/c.txt"), QStringLiteral("/d/b.txt"), QStringLiteral("/d/c.txt")});
    EXPECT_EQ(a.carpeta, QStringLiteral("/d/"));
    EXPECT_EQ(a.nombre, QStringLiteral("c"));
    EXPECT_EQ(lista.entradas(), (QStringList{QStringLiteral("/d/b.txt"), QStringLiteral("/d/c.txt")})); // newest first

    // Names differing only in letter case collide where the archive is unpacked.
    EXPECT_TRUE(NombresRepetidos({QStringLiteral("/d/a.txt"), QStringLiteral("/d/b.txt")}).isEmpty());
    EXPECT_TRUE(NombresRepetidos({QStringLiteral("/x/a.txt"), QStringLiteral("/y/a.txt")}).contains(QStringLiteral("tienen el mismo nombre")));
    EXPECT_TRUE(NombresRepetidos({QStringLiteral("/d/Informe.TXT"), QStringLiteral("/d/informe.txt")}).contains(QStringLiteral("tienen el mismo nombre")));
}

struct Banco {
    QTemporaryDir origen, destino;
    CarpetaTrabajo trabajo;
    EjecutorProcesos ejecutor;
    Progreso progreso;
    PlanCompresion plan;
    QStringList preguntas; // what the operator was asked, in order
    Banco()
    {
        plan.nombre = QStringLiteral("paquete");
        plan.limite = 20 << 20;
        plan.carpeta = destino.path();
        plan.carpetaTrabajo = trabajo.ruta();
        plan.particiono = [this](qint64) { preguntas << QStringLiteral("particiono"); return false; };
        plan.confirmo = [this](const PlanParticion&) { preguntas << QStringLiteral("confirmo"); return true; };
        plan.reemplazo = [this](const QString&) { preguntas << QStringLiteral("reemplazo"); return false; };
    }
    QString archivo(const QString& nombre, const QByteArray& datos) { return EscriboArchivo(origen.filePath(nombre), datos); }
    ResultadoCompresion corro() { return ComprimoArchivosMulti(plan, ejecutor, &progreso); }
};

// The outcomes on the usual path, each checked against the files on disk.
TEST(Compresion, Desenlaces)
{
    struct Caso {
        const char* nombre;
        qint64 limite;
        bool particiono, confirmo, reemplazo;
        bool previo; // a paquete.zip already in the destination
        Desenlace desenlace;
        std::vector<const char*> preguntas;
    } casos[] = {
        {"entra: sellado", 20 << 20, false, true, false, false, Desenlace::Sellado, {}},
        {"no entra: particiones", 1 << 20, true, true, false, false, Desenlace::Particionado, {"particiono", "confirmo"}},
        {"no entra: cancela al confirmar", 1 << 20, true, false, false, false, Desenlace::Cancelado, {"particiono", "confirmo"}},
        {"no entra: entero", 1 << 20, false, true, false, false, Desenlace::Entero, {"particiono"}},
        {"entero sobre uno previo: no lo reemplaza", 1 << 20, false, true, false, true, Desenlace::Entero, {"particiono", "reemplazo"}},
        {"entero sobre uno previo: lo reemplaza", 1 << 20, false, true, true, true, Desenlace::Entero, {"particiono", "reemplazo"}},
        {"más de 327 particiones: entero", 4096, true, true, false, false, Desenlace::Entero, {"particiono"}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Banco b;
        // Random content does not compress: about 2.5 MB of archive.
        b.plan.rutas = {b.archivo(QStringLiteral("uno.bin"), Datos(1500000, 1)), b.archivo(QStringLiteral("dos.bin"), Datos(1000000, 2))};
        b.plan.limite = c.limite;
        b.plan.particiono = [&](qint64) { b.preguntas << QStringLiteral("particiono"); return c.particiono; };
        b.plan.confirmo = [&](const PlanParticion&) { b.preguntas << QStringLiteral("confirmo"); return c.confirmo; };
        b.plan.reemplazo = [&](const QString&) { b.preguntas << QStringLiteral("reemplazo"); return c.reemplazo; };
        const QString previo = c.previo ? EscriboArchivo(b.destino.filePath(QStringLiteral("paquete.zip")), "de antes") : QString();

        const ResultadoCompresion r = b.corro();
        ASSERT_EQ(r.desenlace, c.desenlace) << qPrintable(r.falla.descripcion);
        EXPECT_EQ(b.preguntas, Textos(c.preguntas));
        QStringList nuevos = Todo(b.destino.path());
        nuevos.removeAll(QStringLiteral("paquete.zip"));
        switch (c.desenlace) {
        case Desenlace::Sellado:
            ASSERT_EQ(nuevos, QStringList{NombreDeRuta(r.archivo)});
            EXPECT_EQ(NombreDeRuta(r.archivo), QStringLiteral("paquete_") + Md5sum(r.archivo) + QStringLiteral(".zip"));
            EXPECT_EQ(Entradas(r.archivo), (QStringList{QStringLiteral("uno.bin"), QStringLiteral("dos.bin")}));
            EXPECT_EQ(Extraigo(r.archivo, QStringLiteral("dos.bin")), Datos(1000000, 2));
            break;
        case Desenlace::Particionado: {
            ASSERT_EQ(nuevos.size(), 3);
            EXPECT_EQ(r.particiones.size(), 3);
            QByteArray junto;
            for (const QString& p : r.particiones) {
                EXPECT_TRUE(NombreDeRuta(p).startsWith(QStringLiteral("paquete_") + Md5sum(p) + QStringLiteral(".zip.part")));
                junto += LeoArchivo(p);
            }
            const QString armado = EscriboArchivo(b.origen.filePath(QStringLiteral("armado.zip")), junto);
            EXPECT_EQ(Extraigo(armado, QStringLiteral("uno.bin")), Datos(1500000, 1));
            break;
        }
        case Desenlace::Cancelado:
            EXPECT_TRUE(r.alConfirmar);
            EXPECT_TRUE(nuevos.isEmpty());
            break;
        case Desenlace::Entero:
            if (c.previo && !c.reemplazo) {
                EXPECT_EQ(LeoArchivo(previo), QByteArray("de antes"));
                EXPECT_EQ(NombreDeRuta(r.archivo), QStringLiteral("paquete (2).zip"));
                EXPECT_TRUE(r.aviso.contains(QStringLiteral("se guardó como"))) << qPrintable(r.aviso);
            } else {
                EXPECT_EQ(NombreDeRuta(r.archivo), QStringLiteral("paquete.zip"));
            }
            EXPECT_EQ(Entradas(r.archivo), (QStringList{QStringLiteral("uno.bin"), QStringLiteral("dos.bin")}));
            EXPECT_EQ(r.demasiadas, c.limite == 4096);
            if (r.demasiadas) {
                EXPECT_TRUE(r.aviso.contains(QStringLiteral("(327)")) && r.aviso.contains(QStringLiteral("entero"))) << qPrintable(r.aviso);
            }
            break;
        default:
            break;
        }
        EXPECT_TRUE(Todo(b.trabajo.d.path()).isEmpty()) << qPrintable(Todo(b.trabajo.d.path()).join(QLatin1Char(' ')));
    }
}

// Entry names keep their accents for any reader: stored as UTF-8 and flagged so.
TEST(Compresion, NombresUtf8)
{
    Banco b;
    b.plan.rutas = {b.archivo(QStringLiteral("ñandú año.txt"), "a"), b.archivo(QStringLiteral("plain.txt"), "b")};
    b.plan.fecha = QDate(2026, 12, 5);
    const ResultadoCompresion r = b.corro();
    ASSERT_EQ(r.desenlace, Desenlace::Sellado) << qPrintable(r.falla.descripcion);
    EXPECT_EQ(r.sufijo, QStringLiteral("_20261205_01"));
    EXPECT_TRUE(NombreDeRuta(r.archivo).startsWith(QStringLiteral("paquete_20261205_01_")));
    EXPECT_EQ(NombreDeRuta(r.archivo), QStringLiteral("paquete_20261205_01_") + Md5sum(r.archivo) + QStringLiteral(".zip"));
    const QStringList nombres = NombresUtf8(r.archivo);
    if (nombres.isEmpty())
        GTEST_SKIP() << "python3 is needed to read the archive independently";
    EXPECT_EQ(nombres, (QStringList{QStringLiteral("ñandú año.txt|1"), QStringLiteral("plain.txt|1")}));
}

// Row 7: an input that is not a readable regular file is refused before
// zip runs; a file that goes missing meanwhile, or an archive that lacks one
// of the listed files, is a failure, never a stamped archive.
TEST(Compresion, EntradasQueNoSonArchivos)
{
    struct Caso {
        const char* nombre;
        std::function<QString(Banco&)> preparo; // returns the odd input
        Desenlace desenlace;
        TipoFalla tipo;
        const char* texto;
    } casos[] = {
        {"falta", [](Banco& b) { return b.origen.filePath(QStringLiteral("no-existe.txt")); }, Desenlace::Rechazado, TipoFalla::NoEncontrado, "no-existe.txt"},
        {"carpeta", [](Banco& b) { QDir(b.origen.path()).mkdir(QStringLiteral("sub")); return b.origen.filePath(QStringLiteral("sub")); },
         Desenlace::Rechazado, TipoFalla::NoEsArchivoComun, "sub"},
        {"fifo", [](Banco& b) { const QString f = b.origen.filePath(QStringLiteral("tubo")); ::mkfifo(QFile::encodeName(f).constData(), 0600); return f; },
         Desenlace::Rechazado, TipoFalla::NoEsArchivoComun, "tubo"},
        {"enlace", [](Banco& b) {
             const QString fuera = b.archivo(QStringLiteral("secreto.txt"), "secreto");
             const QString enlace = b.origen.filePath(QStringLiteral("enlace.txt"));
             QFile::link(fuera, enlace);
             b.plan.rutas.removeAll(fuera);
             return enlace; },
         Desenlace::Rechazado, TipoFalla::NoEsArchivoComun, "enlace.txt"},
        {"desaparece antes de comprimir", [](Banco& b) {
             const QString f = b.archivo(QStringLiteral("fugaz.txt"), "x");
             b.plan.programaZip = Guion(b.trabajo.d.path(), QStringLiteral("zip-fugaz"), "rm -f '" + QFile::encodeName(f) + "'\nexec zip \"$@\"");
             return f; },
         Desenlace::Fallido, TipoFalla::Otra, "código de error 18"},
        {"zip omite uno y termina bien", [](Banco& b) {
             b.plan.programaZip = Guion(b.trabajo.d.path(), QStringLiteral("zip-omite"), "exec zip \"${@:1:$#-1}\"");
             return b.archivo(QStringLiteral("omitido.txt"), "x"); },
         Desenlace::Fallido, TipoFalla::Otra, "faltan: omitido.txt"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Banco b;
        b.plan.rutas = {b.archivo(QStringLiteral("bueno.txt"), "bueno")};
        const QString raro = c.preparo(b);
        b.plan.rutas.append(raro);
        const ResultadoCompresion r = b.corro();
        EXPECT_EQ(r.desenlace, c.desenlace);
        EXPECT_EQ(r.falla.tipo, c.tipo);
        EXPECT_TRUE(r.falla.descripcion.contains(QString::fromUtf8(c.texto))) << qPrintable(r.falla.descripcion);
        EXPECT_FALSE(r.falla.descripcion.contains(QStringLiteral("zip warning")));
        EXPECT_TRUE(Todo(b.destino.path()).isEmpty());
        QStringList trabajo = Todo(b.trabajo.d.path());
        trabajo.removeIf([](const QString& n) { return n.startsWith(QStringLiteral("zip-")); });
        EXPECT_TRUE(trabajo.isEmpty()) << qPrintable(trabajo.join(QLatin1Char(' ')));
    }
}

// Each zip exit code reaches the operator as a Spanish cause, never as zip's own English.
TEST(Compresion, CodigosDeZip)
{
    for (const int codigo : {12, 14, 15, 18}) {
        SCOPED_TRACE(codigo);
        Banco b;
        b.plan.rutas = {b.archivo(QStringLiteral("a.txt"), "a")};
        b.plan.programaZip = Guion(b.trabajo.d.path(), QStringLiteral("zip-falla"),
                                   "echo 'zip error: Nothing to do!' >&2\nexit " + QByteArray::number(codigo));
        const ResultadoCompresion r = b.corro();
        EXPECT_EQ(r.desenlace, Desenlace::Fallido);
        EXPECT_EQ(r.falla.descripcion, CausaSalidaZip(codigo));
        EXPECT_TRUE(r.falla.descripcion.startsWith(QStringLiteral("El programa zip terminó con el código de error %1: ").arg(codigo)));
        EXPECT_FALSE(r.falla.descripcion.contains(QStringLiteral("Nothing")));
    }
}

// A cancel kills zip at once and leaves nothing of the run; a later run
// removes the folders of runs that died, and nothing else.
TEST(Compresion, CancelarYRestosDeCorridasMuertas)
{
    Banco b;
    b.plan.rutas = {b.archivo(QStringLiteral("a.txt"), "a")};
    const QString pid = b.trabajo.d.filePath(QStringLiteral("pid"));
    b.plan.programaZip = Guion(b.trabajo.d.path(), QStringLiteral("zip-lento"), "echo $$ > '" + QFile::encodeName(pid) + "'\nexec sleep 30");
    std::thread cancelo([&] {
        for (int i = 0; i < 100 && !QFile::exists(pid); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        b.progreso.cancelar.store(true);
    });
    QElapsedTimer reloj;
    reloj.start();
    const ResultadoCompresion r = b.corro();
    cancelo.join();
    EXPECT_LT(reloj.elapsed(), 5000);
    EXPECT_EQ(r.desenlace, Desenlace::Cancelado);
    EXPECT_EQ(r.falla.tipo, TipoFalla::Cancelado);
    EXPECT_FALSE(ProcesoVivo(LeoArchivo(pid).trimmed().toLongLong()));
    QStringList resto = Todo(b.trabajo.d.path());
    EXPECT_EQ(resto, (QStringList{QStringLiteral("pid"), QStringLiteral("zip-lento")}));

    // A run folder of a process that is gone, and one of this live process.
    QProcess muerto;
    muerto.start(QStringLiteral("true"));
    muerto.waitForFinished();
    const QString huerfana = b.trabajo.d.filePath(QStringLiteral(".terv-%1-abcdef.tmp").arg(muerto.processId()));
    const QString viva = b.trabajo.d.filePath(QStringLiteral(".terv-%1-ghijkl.tmp").arg(QCoreApplication::applicationPid()));
    QDir().mkdir(huerfana);
    QDir().mkdir(viva);
    EscriboArchivo(huerfana + QStringLiteral("/.terv-carpeta"), ""); // the mark of a run folder
    EscriboArchivo(huerfana + QStringLiteral("/medio.zip"), "medio");
    b.plan.programaZip.clear();
    b.progreso.cancelar.store(false);
    ASSERT_EQ(b.corro().desenlace, Desenlace::Sellado);
    EXPECT_FALSE(QFileInfo::exists(huerfana));
    EXPECT_TRUE(QFileInfo::exists(viva));
    EXPECT_TRUE(QFileInfo::exists(pid));
}

} // namespace
