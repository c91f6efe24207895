#include "compress/compresion.h"
#include "compress/zip_prueba.h"
#include "system/archivos.h"

#include "compress/deflate_paralelo.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(Compresion, NombresYLista)
{
    const std::pair<const char*, const char*> nombres[] = {
        // clang-format off
        {"informe_20261205_01", ""}, {"a b", ""}, {"", "Debe ingresar"}, {"informe.", "no puede contener \".\""},
        {"a/b", "no puede contener \"/\""}, {"a\\b", "no puede contener \"/\""},
        // clang-format on
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
    const QString c = QStringLiteral("/d/c.2024.txt");
    const Agregado a = AgregoArchivos(lista, {c, QStringLiteral("/d/b.txt"), c});
    EXPECT_EQ(a.carpeta, QStringLiteral("/d/"));
    EXPECT_EQ(a.nombre, QStringLiteral("c.2024"));                             // only the last extension goes
    EXPECT_EQ(lista.entradas(), (QStringList{QStringLiteral("/d/b.txt"), c})); // newest first
}

struct Banco {
    QTemporaryDir origen, destino;
    Progreso progreso;
    PlanCompresion plan;
    Banco()
    {
        plan.nombre = QStringLiteral("paquete");
        plan.limite = 20 << 20;
        plan.carpeta = destino.path();
    }
    QString archivo(const QString& nombre, const QByteArray& datos)
    {
        return EscriboArchivo(origen.filePath(nombre), datos);
    }
    ResultadoCompresion corro() { return ComprimoArchivosMulti(plan, &progreso); }
};

// The outcomes on the usual path, each checked against the files on disk.
TEST(Compresion, Desenlaces)
{
    struct Caso {
        const char* nombre;
        qint64 limite;
        bool particiono, confirmo, reemplazo;
        int previos; // paquete.zip, paquete (2).zip, ... already in the destination
        Desenlace desenlace;
        const char* preguntas; // asked, in order
        const char* entregado;
    } casos[] = {
        // clang-format off
        {"entra: sellado", 20 << 20, false, true, false, 0, Desenlace::Sellado, "", ""},
        {"no entra: particiones", 1 << 20, true, true, false, 0, Desenlace::Particionado, "particiono confirmo", ""},
        {"no entra: cancela al confirmar", 1 << 20, true, false, false, 0, Desenlace::Cancelado, "particiono confirmo", ""},
        {"no entra: entero", 1 << 20, false, true, false, 0, Desenlace::Entero, "particiono", "paquete.zip"},
        {"entero sobre tres previos: el primer nombre libre", 1 << 20, false, true, false, 3, Desenlace::Entero, "particiono reemplazo", "paquete (4).zip"},
        {"entero sobre uno previo: lo reemplaza", 1 << 20, false, true, true, 1, Desenlace::Entero, "particiono reemplazo", "paquete.zip"},
        {"más de 327 particiones: entero", 4096, true, true, false, 0, Desenlace::Entero, "particiono", "paquete.zip"},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Banco b;
        // Random content does not compress: about 2.5 MB of archive.
        b.plan.rutas = {b.archivo(QStringLiteral("uno.bin"), Datos(1500000, 1)),
                        b.archivo(QStringLiteral("dos.bin"), Datos(1000000, 2))};
        b.plan.limite = c.limite;
        QStringList preguntas;
        qint64 avanceAlPreguntar = -1;
        b.plan.particiono = [&](qint64 tamano) {
            preguntas << QStringLiteral("particiono");
            // The split shows its own progress, not the compression's end.
            avanceAlPreguntar = b.progreso.total.load() == tamano ? b.progreso.hecho.load() : -2;
            return c.particiono;
        };
        b.plan.confirmo = [&](const PlanParticion&) {
            preguntas << QStringLiteral("confirmo");
            return c.confirmo;
        };
        b.plan.reemplazo = [&](const QString&) {
            preguntas << QStringLiteral("reemplazo");
            return c.reemplazo;
        };
        QStringList previos;
        for (int i = 1; i <= c.previos; ++i)
            previos << EscriboArchivo(
                b.destino.filePath(i == 1 ? QStringLiteral("paquete.zip") : QStringLiteral("paquete (%1).zip").arg(i)),
                "de antes");

        const ResultadoCompresion r = b.corro();
        ASSERT_EQ(r.desenlace, c.desenlace) << qPrintable(r.falla.descripcion);
        EXPECT_EQ(preguntas.join(QLatin1Char(' ')), QString::fromLatin1(c.preguntas));
        EXPECT_EQ(avanceAlPreguntar, *c.preguntas ? 0 : -1);
        QStringList nuevos = Todo(b.destino.path());
        for (const QString& p : previos)
            nuevos.removeAll(NombreDeRuta(p));
        const bool avisa = r.aviso.contains(QStringLiteral("(327)")) && r.aviso.contains(QStringLiteral("entero"));
        switch (c.desenlace) {
        case Desenlace::Sellado: // the archive itself: LeidoPorTresLectores
            EXPECT_EQ(nuevos, QStringList{NombreDeRuta(r.archivo)});
            break;
        case Desenlace::Particionado: {
            ASSERT_EQ(nuevos.size(), 3);
            EXPECT_EQ(r.particiones.size(), 3);
            QByteArray junto;
            for (const QString& p : r.particiones) {
                EXPECT_TRUE(
                    NombreDeRuta(p).startsWith(QStringLiteral("paquete_") + Md5sum(p) + QStringLiteral(".zip.part")));
                junto += LeoArchivo(p);
            }
            const QString armado = EscriboArchivo(b.origen.filePath(QStringLiteral("armado.zip")), junto);
            EXPECT_EQ(Extraigo(armado, QStringLiteral("uno.bin")), Datos(1500000, 1));
            break;
        }
        case Desenlace::Cancelado:
            EXPECT_TRUE(r.alConfirmar);
            EXPECT_TRUE(nuevos.isEmpty()) << qPrintable(nuevos.join(QLatin1Char(' ')));
            break;
        case Desenlace::Entero:
            EXPECT_EQ(NombreDeRuta(r.archivo), QString::fromUtf8(c.entregado));
            EXPECT_EQ(nuevos.size(), c.reemplazo ? 0 : 1) << qPrintable(nuevos.join(QLatin1Char(' ')));
            for (const QString& p : previos) {
                if (p != r.archivo) {
                    EXPECT_EQ(LeoArchivo(p), QByteArray("de antes"));
                }
            }
            EXPECT_EQ(r.aviso.contains(QStringLiteral("se guardó como")), c.previos > 0 && !c.reemplazo)
                << qPrintable(r.aviso);
            EXPECT_EQ(Extraigo(r.archivo, QStringLiteral("dos.bin")), Datos(1000000, 2));
            EXPECT_EQ(r.demasiadas, c.limite == 4096);
            EXPECT_EQ(avisa, r.demasiadas) << qPrintable(r.aviso);
            break;
        default: break;
        }
        EXPECT_TRUE(Temporales(b.destino.path()).isEmpty());
    }
}

// Every archive read back by three independent readers, and each entry as
// "zip -j" stores it: name without folders (UTF-8 flag only when not ASCII),
// time, Unix mode, deflated or stored where deflate would not shrink it;
// zip64 where a size or the entry count needs it. The stamped hash is the
// archive's, though computed while writing it.
TEST(Compresion, LeidoPorTresLectores)
{
    const QByteArray texto = QByteArray("Intercambio de información: registro de prueba;\n").repeated(1 << 16);
    const qint64 pieza = kPiezaDeflate;
    struct Caso {
        const char* nombre;
        std::vector<std::pair<const char*, QByteArray>> archivos; // name, content
        std::vector<int> metodos;                                 // 8 deflated, 0 stored
        std::vector<int> hilos;
    } casos[] = {
        // clang-format off
        {"vacío y de un byte", {{"vacio", {}}, {"uno", "x"}}, {0, 0}, {1, 3}},
        {"una pieza menos uno, justa y más uno",
         {{"menos.txt", texto.left(pieza - 1)}, {"justa.txt", texto.left(pieza)}, {"mas.txt", texto.left(pieza + 1)}}, {8, 8, 8}, {1, 3}},
        {"incompresible chico y grande (escrito y reescrito guardado)",
         {{"chico.bin", Datos(3 << 20, 1)}, {"grande.bin", Datos(6 << 20, 2)}, {"fin.txt", texto.left(1000)}}, {0, 0, 8}, {1, 3}},
        {"incompresible grande al final", {{"a.txt", texto.left(5000)}, {"grande.bin", Datos(5 << 20, 3)}}, {8, 0}, {3}},
        // Decided on the first 4 MB of deflated output, the other way in the end.
        {"achica al empezar y no en total (reescrito guardado)",
         {{"a.txt", texto.left(100)}, {"b.bin", QByteArray(2048, '\0') + Datos(30 << 20, 5)}}, {8, 0}, {1, 3}},
        {"no achica al empezar y sí en total (desinflado de nuevo)",
         {{"c.bin", Datos(5 << 20, 6) + texto.left(2 << 20)}}, {8}, {1, 3}},
        {"muy compresible y grande", {{"ceros.dat", QByteArray(24 << 20, '\0')}, {"texto.txt", texto}}, {8, 8}, {1, 3}},
        // Over 4 MB of deflated output: written as it comes, with a data descriptor.
        {"mixto", {{"mixto.dat", texto.left(2 << 20) + Datos(5 << 20, 4) + texto.left(1 << 20)}}, {8}, {1, 3}},
        {"nombres no ASCII", {{"ñandú año.txt", "a"}, {"plain.txt", "b"}, {"日本語.txt", texto.left(300)}}, {0, 0, 8}, {2}},
        // clang-format on
    };
    for (const auto& c : casos) {
        for (const int hilos : c.hilos) {
            SCOPED_TRACE(std::string(c.nombre) + ", hilos " + std::to_string(hilos));
            Banco b;
            b.plan.limite = qint64(1) << 40;
            b.plan.hilos = hilos;
            QStringList esperado;
            for (std::size_t i = 0; i < c.archivos.size(); ++i) {
                const QString ruta = b.archivo(QString::fromUtf8(c.archivos[i].first), c.archivos[i].second);
                if (i == 0)
                    QFile::setPermissions(ruta, QFile::ReadOwner | QFile::ReadGroup); // 0440: a read-only entry
                b.plan.rutas << ruta;
                esperado << DetalleEsperado(ruta, c.metodos[i]);
            }
            const ResultadoCompresion r = b.corro();
            ASSERT_EQ(r.desenlace, Desenlace::Sellado) << qPrintable(r.falla.descripcion);
            EXPECT_EQ(LeoConTresLectores(r.archivo), QString());
            EXPECT_EQ(Detalle(r.archivo), esperado);
            for (const auto& [nombre, datos] : c.archivos)
                EXPECT_TRUE(Extraigo(r.archivo, QString::fromUtf8(nombre)) == datos) << nombre;
            EXPECT_EQ(NombreDeRuta(r.archivo), QStringLiteral("paquete_") + Md5sum(r.archivo) + QStringLiteral(".zip"));
            EXPECT_EQ(Todo(b.destino.path()), QStringList{NombreDeRuta(r.archivo)});
        }
    }
}

// The two cases that need zip64: a file over 4 GiB (sparse, so it costs no
// disk) and more than 65,535 entries.
TEST(Compresion, Zip64)
{
    struct Caso {
        const char* nombre;
        std::function<QStringList(Banco&)> preparo;
    } casos[] = {
        // clang-format off
        {"más de 65.535 entradas", [](Banco& b) {
             QStringList rutas;
             for (int i = 0; i < 65540; ++i)
                 rutas << b.archivo(QStringLiteral("e%1.txt").arg(i), QByteArray::number(i));
             return rutas; }},
        {"un archivo disperso de más de 4 GiB", [](Banco& b) {
             const QString ruta = b.archivo(QStringLiteral("disperso.img"), "comienzo");
             QFile::resize(ruta, (qint64(1) << 32) + 4096 - 3); // just over 4 GiB, zeros after the start
             QFile f(ruta);
             f.open(QIODevice::Append);
             f.write("fin");
             return QStringList{ruta, b.archivo(QStringLiteral("despues.txt"), "después")}; }},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Banco b;
        b.plan.limite = qint64(1) << 40;
        b.plan.rutas = c.preparo(b);
        const ResultadoCompresion r = b.corro();
        ASSERT_EQ(r.desenlace, Desenlace::Sellado) << qPrintable(r.falla.descripcion);
        EXPECT_EQ(LeoConTresLectores(r.archivo), QString());
        const QStringList detalle = Detalle(r.archivo);
        ASSERT_EQ(detalle.size(), b.plan.rutas.size());
        EXPECT_EQ(detalle.first().section(QLatin1Char('|'), 4, 4),
                  QString::number(QFileInfo(b.plan.rutas.first()).size()));
        EXPECT_EQ(Extraigo(r.archivo, NombreDeRuta(b.plan.rutas.last())), LeoArchivo(b.plan.rutas.last()));
        EXPECT_EQ(NombreDeRuta(r.archivo), QStringLiteral("paquete_") + Md5sum(r.archivo) + QStringLiteral(".zip"));
        b.origen.remove();
    }
}

// Row 7: an input that is not a readable regular file is refused before
// anything is written; a file that changes while it is compressed, or a
// cancel in the middle of a file, leaves nothing of the run behind.
TEST(Compresion, EntradasQueNoSonArchivos)
{
    struct Caso {
        const char* nombre;
        std::function<QString(Banco&)> preparo; // returns the odd input
        Desenlace desenlace;
        TipoFalla tipo;
        const char* texto;
    } casos[] = {
        // clang-format off
        {"falta", [](Banco& b) { return b.origen.filePath(QStringLiteral("no-existe.txt")); }, Desenlace::Rechazado, TipoFalla::NoEncontrado, "no-existe.txt"},
        {"fifo", [](Banco& b) { const QString f = b.origen.filePath(QStringLiteral("tubo")); ::mkfifo(QFile::encodeName(f).constData(), 0600); return f; },
         Desenlace::Rechazado, TipoFalla::NoEsArchivoComun, "tubo"},
        {"enlace", [](Banco& b) {
             const QString enlace = b.origen.filePath(QStringLiteral("enlace.txt"));
             QFile::link(b.archivo(QStringLiteral("secreto.txt"), "secreto"), enlace);
             return enlace; },
         Desenlace::Rechazado, TipoFalla::NoEsArchivoComun, "enlace.txt"},
        {"crece mientras se comprime", [](Banco& b) {
             const QString f = b.archivo(QStringLiteral("crece.bin"), Datos(2 << 20, 3));
             b.plan.alComprimir = [f](const QString& ruta) {
                 if (ruta == f) {
                     QFile a(f);
                     a.open(QIODevice::Append);
                     a.write("mas");
                 }
             };
             return f; },
         Desenlace::Fallido, TipoFalla::Cambiado, "El archivo cambió mientras se comprimía"},
        {"cancelado a mitad del archivo", [](Banco& b) {
             const QString f = b.archivo(QStringLiteral("largo.bin"), Datos(2 << 20, 4));
             b.plan.alComprimir = [&b, f](const QString& ruta) {
                 if (ruta == f)
                     b.progreso.cancelar.store(true);
             };
             return f; },
         Desenlace::Cancelado, TipoFalla::Cancelado, "Proceso cancelado por el usuario"},
        // clang-format on
    };
    for (const auto& c : casos) {
        for (const int hilos : {1, 3}) {
            SCOPED_TRACE(std::string(c.nombre) + ", hilos " + std::to_string(hilos));
            Banco b;
            b.plan.hilos = hilos;
            b.plan.rutas = {b.archivo(QStringLiteral("bueno.txt"), "bueno")};
            const QString raro = c.preparo(b);
            b.plan.rutas.append(raro);
            const ResultadoCompresion r = b.corro();
            EXPECT_EQ(r.desenlace, c.desenlace);
            EXPECT_EQ(r.falla.tipo, c.tipo);
            EXPECT_TRUE(r.falla.descripcion.contains(QString::fromUtf8(c.texto))) << qPrintable(r.falla.descripcion);
            EXPECT_TRUE(Todo(b.destino.path()).isEmpty()) << qPrintable(Todo(b.destino.path()).join(QLatin1Char(' ')));
        }
    }
}

// A run removes the temporaries that dead runs left in the destination
// folder, and nothing else.
TEST(Compresion, RestosDeCorridasMuertas)
{
    Banco b;
    b.plan.fecha = QDate(2026, 12, 5);
    QProcess muerto;
    muerto.start(QStringLiteral("true"));
    muerto.waitForFinished();
    const QString huerfano =
        EscriboArchivo(b.destino.filePath(QStringLiteral(".terv-%1-abcdef.tmp").arg(muerto.processId())), "medio");
    const QString vivo = EscriboArchivo(
        b.destino.filePath(QStringLiteral(".terv-%1-ghijkl.tmp").arg(QCoreApplication::applicationPid())), "vivo");
    const QString ajeno = EscriboArchivo(b.destino.filePath(QStringLiteral("otro.zip")), "ajeno");
    // An input named like a dead run's temporary is the run's own: never removed.
    const QString propio =
        EscriboArchivo(b.destino.filePath(QStringLiteral(".terv-%1-Prop01.tmp").arg(muerto.processId())), "propio");
    b.plan.rutas = {b.archivo(QStringLiteral("a.txt"), "a"), propio};
    const ResultadoCompresion r = b.corro();
    ASSERT_EQ(r.desenlace, Desenlace::Sellado);
    EXPECT_EQ(LeoArchivo(propio), QByteArray("propio"));
    EXPECT_EQ(NombreDeRuta(r.archivo),
              QStringLiteral("paquete_20261205_01_") + Md5sum(r.archivo) + QStringLiteral(".zip"));
    EXPECT_FALSE(QFileInfo::exists(huerfano));
    EXPECT_TRUE(QFileInfo::exists(vivo));
    EXPECT_TRUE(QFileInfo::exists(ajeno));
}

} // namespace
