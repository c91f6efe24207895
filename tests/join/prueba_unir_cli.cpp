// terv-cli unir from outside: the operator's files, links, interruptions.
#include "join/juegos.h"
#include "soporte/cli.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

// The command never writes nor removes the screen's list and batch files,
// and never puts a damaged result in place of an existing file; what it
// refuses, with its exit code.
TEST(UnirCli, ArchivosDelOperadorYRechazos)
{
    QTemporaryDir d;
    const QByteArray datos = Datos(90000, 21);
    const QStringList partes = EscriboJuego(d.path(), QStringLiteral("informe.zip"), Corto(datos, 3));
    QByteArray tercera = LeoArchivo(partes[2]);
    tercera[0] = char(tercera[0] ^ 0x40);
    EscriboArchivo(partes[2], tercera);
    const QString lista = EscriboArchivo(d.filePath(QStringLiteral("arcVSK.txt")), "mi lista\r\n");
    const QString lote = EscriboArchivo(d.filePath(QStringLiteral("informe.zip.bat")), "@echo mio\r\n");
    const QString final = d.filePath(QStringLiteral("informe.zip"));

    Corrida c = Corro({QStringLiteral("unir"), partes[0]});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("la partición 003 no coincide"))) << qPrintable(c.errores);
    EXPECT_FALSE(QFile::exists(final));

    EscriboArchivo(final, "bueno");
    c = Corro({QStringLiteral("unir"), partes[1], QStringLiteral("--conservar-danado")});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("No se reemplaza un archivo existente por uno dañado")))
        << qPrintable(c.errores);
    EXPECT_EQ(LeoArchivo(final), QByteArray("bueno"));

    QFile::remove(final);
    c = Corro({QStringLiteral("unir"), partes[1], QStringLiteral("--conservar-danado")});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_EQ(c.salida.trimmed(), final);
    EXPECT_EQ(QFileInfo(final).size(), datos.size());

    EXPECT_EQ(LeoArchivo(lista), QByteArray("mi lista\r\n"));
    EXPECT_EQ(LeoArchivo(lote), QByteArray("@echo mio\r\n"));
    EXPECT_TRUE(Temporales(d.path()).isEmpty());

    // A set short of a partition is refused, naming it.
    QFile::remove(partes[0]);
    c = Corro({QStringLiteral("unir"), partes[1]});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("Falta la partición 001."))) << qPrintable(c.errores);
}

// A join interrupted once its temporary shows up in the destination: Ctrl+C
// leaves nothing and fails; kill -9 leaves its temporary, which the next run
// clears as it delivers. The set is one piece under many names (hard links),
// long enough to interrupt without filling the disk.
TEST(UnirCli, Interrumpida)
{
    QTemporaryDir origen, destino;
    const int N = 24;
    const QByteArray pieza = Datos(8 * 1048576, 24);
    const auto nombre = SeparoNombre(QStringLiteral("informe.zip"));
    QStringList partes{EscriboArchivo(origen.filePath(NombreFinalParticion(*nombre, HashDe(pieza), 1, N)), pieza)};
    for (int i = 2; i <= N; ++i) {
        partes << origen.filePath(NombreFinalParticion(*nombre, HashDe(pieza), i, N));
        ASSERT_EQ(::link(QFile::encodeName(partes[0]).constData(), QFile::encodeName(partes.last()).constData()), 0);
    }
    const auto interrumpo = [&](int senal) {
        QProcess p;
        QFileSystemWatcher vigia({destino.path()});
        QEventLoop espera; // until the temporary shows up, or the run ends first
        QObject::connect(&vigia, &QFileSystemWatcher::directoryChanged, &espera, [&] {
            if (!Temporales(destino.path()).isEmpty())
                espera.quit();
        });
        QObject::connect(&p, &QProcess::finished, &espera, &QEventLoop::quit);
        p.start(QStringLiteral(TERV_CLI),
                {QStringLiteral("unir"), partes[0], QStringLiteral("--destino"), destino.path()});
        espera.exec();
        if (p.state() != QProcess::Running || p.processId() <= 0) { // a pid of 0 would signal the whole group
            ADD_FAILURE() << "the join ended before it could be interrupted";
            return -2;
        }
        ::kill(pid_t(p.processId()), senal);
        p.waitForFinished(-1);
        return p.exitStatus() == QProcess::CrashExit ? -1 : p.exitCode();
    };
    EXPECT_EQ(interrumpo(SIGINT), 3);
    EXPECT_TRUE(Archivos(destino.path()).isEmpty());
    EXPECT_EQ(Archivos(origen.path()).size(), N);
    EXPECT_EQ(interrumpo(SIGKILL), -1);
    EXPECT_EQ(Temporales(destino.path()).size(), 1);
    const Corrida c = Corro({QStringLiteral("unir"), partes[3], QStringLiteral("--destino"), destino.path()});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(Archivos(destino.path()), QStringList{QStringLiteral("informe.zip")});
    EXPECT_EQ(QFileInfo(destino.filePath(QStringLiteral("informe.zip"))).size(), N * qint64(pieza.size()));
}

} // namespace
