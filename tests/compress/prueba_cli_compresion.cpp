// terv-cli comprimir from outside, where only a real process can show it: a
// read error of a failing disk, Ctrl-C and kill -9 in the middle of a file.
#include "compress/zip_prueba.h"
#include "soporte/cli.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList Comprimir(const QString& nombre, const QString& destino, const QStringList& archivos)
{
    return QStringList{QStringLiteral("comprimir"),
                       QStringLiteral("--tamano"),
                       QStringLiteral("50"),
                       QStringLiteral("--nombre"),
                       nombre,
                       QStringLiteral("--destino"),
                       destino}
    + archivos;
}

// terv-cli started and held at its first read of grande.bin from 1 MB on.
struct Pausa {
    QTemporaryDir d;
    QProcess cli;
    explicit Pausa(const QStringList& args)
    {
        ::mkfifo(QFile::encodeName(d.filePath(QStringLiteral("aviso"))).constData(), 0600);
        ::mkfifo(QFile::encodeName(d.filePath(QStringLiteral("sigo"))).constData(), 0600);
        cli.setProcessEnvironment(EntornoInyectado({QStringLiteral("TERV_PRUEBA_ARCHIVO=grande.bin"),
                                                    QStringLiteral("TERV_PRUEBA_DESDE=1048576"),
                                                    QStringLiteral("TERV_PRUEBA_PAUSA=") + d.path()}));
        cli.start(QStringLiteral(TERV_CLI), args);
        const int a = ::open(QFile::encodeName(d.filePath(QStringLiteral("aviso"))).constData(), O_RDONLY);
        char c = 0;
        (void)!::read(a, &c, 1);
        ::close(a);
    }
    void sigo()
    {
        const int s = ::open(QFile::encodeName(d.filePath(QStringLiteral("sigo"))).constData(), O_WRONLY);
        (void)!::write(s, "1", 1);
        ::close(s);
    }
};

// Whether a signal sent to the process still waits to be delivered.
bool SenalPendiente(qint64 pid)
{
    const QString proceso = QStringLiteral("/proc/%1").arg(pid);
    QStringList estados{proceso + QStringLiteral("/status")};
    for (const QString& hilo : QDir(proceso + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        estados << proceso + QStringLiteral("/task/") + hilo + QStringLiteral("/status");
    for (const QString& e : estados)
        for (const QByteArray& linea : LeoArchivo(e).split('\n'))
            if ((linea.startsWith("ShdPnd:") || linea.startsWith("SigPnd:"))
                && linea.mid(7).trimmed().toULongLong(nullptr, 16) != 0)
                return true;
    return false;
}

// A failing disk under one of the files: the run names it and its cause,
// fails with 3, and leaves neither an archive nor a temporary. So does Ctrl-C
// in the middle of a file; after kill -9 the next run cleans up.
TEST(CliCompresion, ErrorDeLecturaInterrumpidoOMuerto)
{
    QTemporaryDir datos, destino;
    const QString bueno = EscriboArchivo(datos.filePath(QStringLiteral("bueno.txt")), "bueno");
    const QString malo =
        EscriboArchivo(datos.filePath(QStringLiteral("malo.bin")), Datos(3 << 20, 5) + QByteArray(3 << 20, 'a'));
    for (const qint64 desde : {qint64(0), qint64(1) << 20, qint64(5) << 20}) {
        SCOPED_TRACE(desde);
        const Corrida c = CorroInyectado(
            Comprimir(QStringLiteral("p"), destino.path(), {bueno, malo}),
            {QStringLiteral("TERV_PRUEBA_ARCHIVO=malo.bin"), QStringLiteral("TERV_PRUEBA_DESDE=%1").arg(desde)});
        EXPECT_EQ(c.codigo, 3);
        EXPECT_TRUE(c.errores.contains(QStringLiteral("Error al armar el Archivo: No se pudo leer el archivo ") + malo
                                       + QStringLiteral(": ") + DescripcionError(EIO)))
            << qPrintable(c.errores);
        EXPECT_TRUE(c.salida.isEmpty());
        EXPECT_TRUE(Todo(destino.path()).isEmpty()) << qPrintable(Todo(destino.path()).join(QLatin1Char(' ')));
    }

    const QString grande = EscriboArchivo(datos.filePath(QStringLiteral("grande.bin")), Datos(8 << 20, 7));

    // Ctrl-C, delivered while the run is held mid-file: a cancel that
    // removes what the run started.
    {
        Pausa pausa(Comprimir(QStringLiteral("p"), destino.path(), {grande}));
        QProcess& cli = pausa.cli;
        ::kill(pid_t(cli.processId()), SIGINT);
        while (SenalPendiente(cli.processId()))
            QThread::yieldCurrentThread();
        pausa.sigo();
        ASSERT_TRUE(cli.waitForFinished(-1));
        EXPECT_EQ(cli.exitCode(), 3);
        EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError()).contains(QStringLiteral("cancelado")));
        EXPECT_TRUE(cli.readAllStandardOutput().isEmpty());
        EXPECT_TRUE(Todo(destino.path()).isEmpty()) << qPrintable(Todo(destino.path()).join(QLatin1Char(' ')));
    }

    // kill -9 with the archive half written: its temporary stays behind,
    // and the next run into that folder removes it.
    {
        Pausa pausa(Comprimir(QStringLiteral("p"), destino.path(), {grande}));
        QProcess& cli = pausa.cli;
        ::kill(pid_t(cli.processId()), SIGKILL);
        cli.waitForFinished(-1);
        const QStringList resto = Todo(destino.path());
        ASSERT_EQ(resto.size(), 1);
        EXPECT_TRUE(EsNombreTemporal(resto[0])) << qPrintable(resto[0]);
    }
    const QString chico = EscriboArchivo(datos.filePath(QStringLiteral("chico.txt")), "chico");
    const Corrida otra = Corro(Comprimir(QStringLiteral("q"), destino.path(), {chico}));
    EXPECT_EQ(otra.codigo, 0) << qPrintable(otra.errores);
    const QStringList quedan = Todo(destino.path());
    ASSERT_EQ(quedan.size(), 1) << qPrintable(quedan.join(QLatin1Char(' ')));
    EXPECT_TRUE(quedan[0].startsWith(QStringLiteral("q_")));
}

// The command's exit codes for refused inputs: a bad name is a usage error,
// an input that is not a file is wrong data (the core tables hold every rule).
TEST(CliCompresion, Codigos)
{
    QTemporaryDir datos;
    const QString a = EscriboArchivo(datos.filePath(QStringLiteral("a.txt")), "a");
    QDir(datos.path()).mkdir(QStringLiteral("carpeta"));
    const std::pair<QStringList, int> casos[] = {
        // clang-format off
        {Comprimir(QStringLiteral("x/y"), datos.path(), {a}), 2},
        {Comprimir(QStringLiteral("p"), datos.path(), {a, datos.filePath(QStringLiteral("carpeta"))}), 1},
        // clang-format on
    };
    for (const auto& [args, codigo] : casos) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const Corrida c = Corro(args);
        EXPECT_EQ(c.codigo, codigo) << qPrintable(c.errores);
        const QStringList quedan = Todo(datos.path());
        EXPECT_TRUE(quedan.filter(QStringLiteral(".zip")).isEmpty()) << qPrintable(quedan.join(QLatin1Char(' ')));
    }
}

} // namespace
