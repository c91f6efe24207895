// The real terv-cli against hostile folders, races and interruptions.
#include "soporte/cli.h"
#include "system/archivos.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 MB = 1048576;
QString S(const char* t) { return QString::fromUtf8(t); }

QProcess* Lanzo(const QStringList& args, QObject* dueno)
{
    auto* p = new QProcess(dueno);
    p->start(QStringLiteral(TERV_CLI), args);
    p->waitForStarted();
    return p;
}

// Waits until the run has begun writing into carpeta, or has ended.
bool EsperoTemporal(const QString& carpeta, QProcess* p)
{
    QFileSystemWatcher mira({carpeta});
    QEventLoop espera;
    QObject::connect(&mira, &QFileSystemWatcher::directoryChanged, &espera, [&] {
        if (!Temporales(carpeta).isEmpty())
            espera.quit();
    });
    QObject::connect(p, &QProcess::finished, &espera, &QEventLoop::quit);
    if (Temporales(carpeta).isEmpty() && p->state() == QProcess::Running)
        espera.exec();
    return !Temporales(carpeta).isEmpty();
}

// Anything but a regular file is refused at once, with its cause: nothing
// waits on a FIFO for ever.
TEST(Hostil, EntradasQueNoSonArchivos)
{
    QTemporaryDir d;
    const QString fifo = d.filePath(QStringLiteral("tubo_") + QString(32, QLatin1Char('A')) + QStringLiteral(".zip"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QStringList casos[] = {
        {S("sellar"), fifo}, {S("verificar"), fifo}, {S("particionar"), fifo, S("--tamano"), S("1")}};
    for (const QStringList& args : casos) {
        SCOPED_TRACE(qPrintable(args[0]));
        const Corrida c = Corro(args);
        EXPECT_EQ(c.codigo, 3) << qPrintable(c.errores);
        EXPECT_TRUE(c.errores.contains(QStringLiteral("no es un archivo común"))) << qPrintable(c.errores);
    }
    EXPECT_EQ(QDir(d.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot).size(),
              1);
}

// Sizes that are not sane numbers are a usage error, before anything is read.
TEST(Hostil, TamanosAbsurdos)
{
    QTemporaryDir d;
    const QString origen = EscriboArchivo(d.filePath(QStringLiteral("a.zip")), Datos(3000));
    for (const char* t : {"nan", "-5", "0", "9999999999", "2.5.1"}) {
        SCOPED_TRACE(t);
        const Corrida c = Corro({S("particionar"), origen, S("--tamano"), S(t)});
        EXPECT_EQ(c.codigo, 2) << qPrintable(c.errores);
        EXPECT_EQ(Archivos(d.path()), QStringList{QStringLiteral("a.zip")});
    }
    // Either decimal separator is a size.
    const Corrida coma = Corro({S("particionar"), origen, S("--tamano"), S("0,001")});
    EXPECT_EQ(coma.codigo, 0) << qPrintable(coma.errores);
    EXPECT_EQ(Archivos(d.path()).size(), 4);
    // What follows "--" is still an argument: extra ones are a usage error.
    const Corrida extra = Corro({S("particionar"), origen, S("--tamano"), S("1"), S("--"), S("--destino"), d.path()});
    EXPECT_EQ(extra.codigo, 2) << qPrintable(extra.errores);
}

// Two splits of one file into one folder at once, one of them sometimes
// killed: a run that says it succeeded delivered whole partitions only (both
// may, when one ends before the other takes the folder).
TEST(Hostil, DosParticionesALaVez)
{
    QTemporaryDir d;
    const QString origen = EscriboArchivo(d.filePath(QStringLiteral("x.zip")), Datos(24 * MB, 2));
    const QString destino = d.filePath(QStringLiteral("salida"));
    QDir().mkpath(destino);
    for (int ronda = 0; ronda < 6; ++ronda) {
        SCOPED_TRACE(ronda);
        for (const QString& n : QDir(destino).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(UnoRuta(destino, n));
        QObject dueno;
        const QStringList args{S("particionar"), origen, S("--tamano"), S("10"), S("--destino"), destino};
        QProcess* a = Lanzo(args, &dueno);
        QProcess* b = Lanzo(args, &dueno);
        if (ronda % 2 == 1) {
            EsperoTemporal(destino, a);
            a->kill(); // a run that already ended has no pid: never kill(0), the whole group
        }
        a->waitForFinished(-1);
        b->waitForFinished(-1);
        int exitos = 0;
        for (QProcess* p : {a, b}) {
            const QString errores = QString::fromUtf8(p->readAllStandardError());
            if (p->exitStatus() != QProcess::NormalExit)
                continue;
            exitos += p->exitCode() == 0;
            const bool otraCorrida = p->exitCode() == 3 && errores.contains(QStringLiteral("Otra operación de TERV"));
            EXPECT_TRUE(p->exitCode() == 0 || otraCorrida) << p->exitCode() << qPrintable(errores);
        }
        // Whatever carries a final name is whole and carries its own hash.
        const QStringList entregados = QDir(destino).entryList(QDir::Files);
        for (const QString& n : entregados)
            EXPECT_TRUE(EsNombreTemporal(n) || n.contains(Md5sum(UnoRuta(destino, n)))) << qPrintable(n);
        EXPECT_TRUE(exitos == 0 || entregados.size() == 3) << qPrintable(entregados.join(QLatin1Char(' ')));
    }
}

// Ctrl-C during a split removes what the run began; a kill -9 leaves a
// temporary that the next run removes.
TEST(Hostil, InterrupcionesDeUnaParticion)
{
    QTemporaryDir d;
    // A sparse file: large enough for a run that lasts, quick to make.
    QFile origen(d.filePath(QStringLiteral("g.zip")));
    ASSERT_TRUE(origen.open(QIODevice::WriteOnly) && origen.write("comienzo") && origen.resize(1536 * MB));
    const QString destino = d.filePath(QStringLiteral("salida"));
    QDir().mkpath(destino);
    const QStringList args{S("particionar"), origen.fileName(), S("--tamano"), S("100"), S("--destino"), destino};
    for (const int senal : {SIGINT, SIGKILL}) {
        SCOPED_TRACE(senal);
        QObject dueno;
        QProcess* p = Lanzo(args, &dueno);
        ASSERT_TRUE(EsperoTemporal(destino, p));
        ASSERT_GT(p->processId(), 0); // still running: a pid of 0 would signal the whole group
        ::kill(pid_t(p->processId()), senal);
        p->waitForFinished(-1);
        if (senal == SIGKILL) {
            EXPECT_FALSE(Temporales(destino).isEmpty());
            break;
        }
        EXPECT_EQ(p->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p->exitCode(), 3);
        EXPECT_TRUE(QDir(destino).entryList(QDir::Files | QDir::Hidden).isEmpty())
            << qPrintable(QDir(destino).entryList(QDir::Files | QDir::Hidden).join(QLatin1Char(' ')));
    }
    const QString chico = EscriboArchivo(d.filePath(QStringLiteral("chico.zip")), Datos(3000));
    const Corrida otra = Corro({S("particionar"), chico, S("--tamano"), S("0.001"), S("--destino"), destino});
    EXPECT_EQ(otra.codigo, 0) << qPrintable(otra.errores);
    EXPECT_TRUE(Temporales(destino).isEmpty());
    EXPECT_EQ(QDir(destino).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

} // namespace
