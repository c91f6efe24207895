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

TEST(CliCompresion, MuertoDuranteElZipNoDejaNada)
{
    QTemporaryDir datos, hogar;
    // Random content zips slowly enough to be caught in the middle.
    const QString grande = EscriboArchivo(datos.filePath(QStringLiteral("grande.bin")), Datos(96 << 20, 7));
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("XDG_DATA_HOME"), hogar.path());
    const QString trabajo = hogar.path() + QStringLiteral("/terv/trabajo");

    QProcess cli;
    cli.setProcessEnvironment(entorno);
    cli.start(QStringLiteral(TERV_CLI), {QStringLiteral("comprimir"), QStringLiteral("--nombre"), QStringLiteral("p"), grande});
    ASSERT_TRUE(cli.waitForStarted());
    qint64 zip = 0;
    for (int i = 0; i < 200 && !zip; ++i) {
        QThread::msleep(20);
        const QList<qint64> hijos = Hijos(cli.processId());
        if (!hijos.isEmpty())
            zip = hijos.first();
    }
    ASSERT_NE(zip, 0) << "zip never started";
    ::kill(pid_t(cli.processId()), SIGKILL);
    cli.waitForFinished();
    QElapsedTimer reloj;
    reloj.start();
    while (ProcesoVivo(zip) && reloj.elapsed() < 2000)
        QThread::msleep(20);
    EXPECT_FALSE(ProcesoVivo(zip)) << "zip outlived its parent";
    EXPECT_EQ(Todo(datos.path()), QStringList{QStringLiteral("grande.bin")});
    ASSERT_EQ(Todo(trabajo).size(), 1) << "the dead run's folder";

    QProcess otra;
    otra.setProcessEnvironment(entorno);
    otra.start(QStringLiteral(TERV_CLI), {QStringLiteral("comprimir"), QStringLiteral("--nombre"), QStringLiteral("q"),
                                          EscriboArchivo(datos.filePath(QStringLiteral("chico.txt")), "chico")});
    ASSERT_TRUE(otra.waitForFinished(60000));
    EXPECT_EQ(otra.exitCode(), 0) << otra.readAllStandardError().constData();
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
        QProcess cli;
        cli.setProcessEnvironment(entorno);
        cli.start(QStringLiteral(TERV_CLI), QStringList{QStringLiteral("comprimir")} + args);
        ASSERT_TRUE(cli.waitForFinished(60000));
        EXPECT_EQ(cli.exitCode(), codigo) << cli.readAllStandardError().constData();
        QStringList quedan = Todo(datos.path());
        EXPECT_TRUE(quedan.filter(QStringLiteral(".zip")).isEmpty()) << qPrintable(quedan.join(QLatin1Char(' ')));
    }
}

} // namespace
