// terv-cli comprimir from outside, where only a real process can show it:
// killed mid-zip, its zip child must not outlive it, and a rerun cleans up.
#include "compress/zip_prueba.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// The children of a process, from /proc.
QList<qint64> Hijos(qint64 pid)
{
    QList<qint64> hijos;
    const QStringList procesos = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& p : procesos) {
        QFile f(QStringLiteral("/proc/") + p + QStringLiteral("/stat"));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray s = f.readAll();
        const QList<QByteArray> campos = s.mid(s.lastIndexOf(')') + 2).split(' ');
        if (campos.size() > 1 && campos[1].toLongLong() == pid)
            hijos << p.toLongLong();
    }
    return hijos;
}

// Starts terv-cli comprimir on a large random file and returns once its zip
// child runs (0 if it never did).
qint64 ArrancoConZip(QProcess& cli, const QProcessEnvironment& entorno, const QString& grande)
{
    cli.setProcessEnvironment(entorno);
    cli.start(QStringLiteral(TERV_CLI), {QStringLiteral("comprimir"), QStringLiteral("--tamano"), QStringLiteral("50"),
                                         QStringLiteral("--nombre"), QStringLiteral("p"), grande});
    if (!cli.waitForStarted())
        return 0;
    for (int i = 0; i < 250; ++i) {
        QThread::msleep(20);
        const QList<qint64> hijos = Hijos(cli.processId());
        if (!hijos.isEmpty())
            return hijos.first();
    }
    return 0;
}

bool TerminaPronto(qint64 pid)
{
    QElapsedTimer reloj;
    reloj.start();
    while (ProcesoVivo(pid) && reloj.elapsed() < 2000)
        QThread::msleep(20);
    return !ProcesoVivo(pid);
}

TEST(CliCompresion, MuertoOInterrumpidoDuranteElZip)
{
    QTemporaryDir datos, hogar;
    // Random content zips slowly enough to be caught in the middle.
    const QString grande = EscriboArchivo(datos.filePath(QStringLiteral("grande.bin")), Datos(96 << 20, 7));
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("XDG_DATA_HOME"), hogar.path());
    const QString trabajo = hogar.path() + QStringLiteral("/terv/trabajo");

    // Ctrl-C: a cancel that ends zip and removes what the run started.
    {
        QProcess cli;
        const qint64 zip = ArrancoConZip(cli, entorno, grande);
        ASSERT_NE(zip, 0) << "zip never started";
        ::kill(pid_t(cli.processId()), SIGINT);
        ASSERT_TRUE(cli.waitForFinished(10000));
        EXPECT_EQ(cli.exitCode(), 3);
        EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardError()).contains(QStringLiteral("cancelado")));
        EXPECT_TRUE(cli.readAllStandardOutput().isEmpty());
        EXPECT_TRUE(TerminaPronto(zip));
        EXPECT_TRUE(Todo(trabajo).isEmpty()) << qPrintable(Todo(trabajo).join(QLatin1Char(' ')));
        EXPECT_EQ(Todo(datos.path()), QStringList{QStringLiteral("grande.bin")});
    }

    // kill -9: zip goes with its parent; the next run removes the leftovers.
    QProcess cli;
    const qint64 zip = ArrancoConZip(cli, entorno, grande);
    ASSERT_NE(zip, 0) << "zip never started";
    ::kill(pid_t(cli.processId()), SIGKILL);
    cli.waitForFinished();
    EXPECT_TRUE(TerminaPronto(zip)) << "zip outlived its parent";
    EXPECT_EQ(Todo(datos.path()), QStringList{QStringLiteral("grande.bin")});
    ASSERT_EQ(Todo(trabajo).size(), 1) << "the dead run's folder";

    const Corrida otra = CorroPrograma(QStringLiteral(TERV_CLI),
                                       {QStringLiteral("comprimir"), QStringLiteral("--tamano"), QStringLiteral("50"), QStringLiteral("--nombre"),
                                        QStringLiteral("q"), EscriboArchivo(datos.filePath(QStringLiteral("chico.txt")), "chico")},
                                       60000, entorno);
    EXPECT_EQ(otra.codigo, 0) << qPrintable(otra.errores);
    EXPECT_TRUE(Todo(trabajo).isEmpty()) << qPrintable(Todo(trabajo).join(QLatin1Char(' ')));
}

// The command's answers and exit codes for refused inputs.
TEST(CliCompresion, Codigos)
{
    QTemporaryDir datos, hogar;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("XDG_DATA_HOME"), hogar.path());
    const QString a = EscriboArchivo(datos.filePath(QStringLiteral("a.txt")), "a");
    QDir(datos.path()).mkdir(QStringLiteral("carpeta"));
    const std::pair<QStringList, int> casos[] = {
        {{QStringLiteral("--tamano"), QStringLiteral("nan"), a}, 2},
        {{QStringLiteral("--tamano"), QStringLiteral("inf"), a}, 2},
        {{QStringLiteral("--tamano"), QStringLiteral("1e300"), a}, 2},
        {{QStringLiteral("--nombre"), QStringLiteral("x/y"), a}, 2},
        {{QStringLiteral("--nombre"), QStringLiteral("x.y"), a}, 2},
        {{a, datos.filePath(QStringLiteral("A.TXT"))}, 2},
        {{a, datos.filePath(QStringLiteral("falta.txt"))}, 1},
        {{a, datos.filePath(QStringLiteral("carpeta"))}, 1},
    };
    for (const auto& [args, codigo] : casos) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        if (args.contains(datos.filePath(QStringLiteral("A.TXT"))))
            EscriboArchivo(datos.filePath(QStringLiteral("A.TXT")), "A");
        // Without --tamano the size would come from the service.
        const QStringList tamano = args.contains(QStringLiteral("--tamano")) ? QStringList()
                                                                             : QStringList{QStringLiteral("--tamano"), QStringLiteral("50")};
        const Corrida c = CorroPrograma(QStringLiteral(TERV_CLI), QStringList{QStringLiteral("comprimir")} + tamano + args, 60000, entorno);
        EXPECT_EQ(c.codigo, codigo) << qPrintable(c.errores);
        QStringList quedan = Todo(datos.path());
        EXPECT_TRUE(quedan.filter(QStringLiteral(".zip")).isEmpty()) << qPrintable(quedan.join(QLatin1Char(' ')));
    }
}

} // namespace
