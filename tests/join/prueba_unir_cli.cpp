// terv-cli unir from outside: the operator's files, links, interruptions.
#include "join/juegos.h"
#include "soporte/cli.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

// The command never writes nor removes the screen's list and batch files,
// and never puts a damaged result in place of an existing file.
TEST(UnirCli, ArchivosDelOperador)
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
    EXPECT_TRUE(c.errores.contains(QStringLiteral("No se reemplaza un archivo existente por uno dañado"))) << qPrintable(c.errores);
    EXPECT_EQ(LeoArchivo(final), QByteArray("bueno"));

    QFile::remove(final);
    c = Corro({QStringLiteral("unir"), partes[1], QStringLiteral("--conservar-danado")});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_EQ(c.salida.trimmed(), final);
    EXPECT_EQ(QFileInfo(final).size(), datos.size());

    EXPECT_EQ(LeoArchivo(lista), QByteArray("mi lista\r\n"));
    EXPECT_EQ(LeoArchivo(lote), QByteArray("@echo mio\r\n"));
    EXPECT_TRUE(Temporales(d.path()).isEmpty());
}

// Refusals by name and by kind of file, with their exit codes.
TEST(UnirCli, Rechazos)
{
    QTemporaryDir d, fuera, destino;
    const QByteArray a = Datos(40000, 22);
    const QStringList mias = EscriboJuego(d.path(), QStringLiteral("a?b.zip"), Corto(a, 2));
    EscriboJuego(d.path(), QStringLiteral("axb.zip"), Corto(Datos(40000, 23), 2));

    Corrida c = Corro({QStringLiteral("unir"), mias[1], QStringLiteral("--destino"), destino.path()});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(LeoArchivo(destino.filePath(QStringLiteral("a?b.zip"))), a);

    const QString copia = EscriboArchivo(fuera.filePath(QStringLiteral("copia")), LeoArchivo(mias[0]));
    QFile::remove(mias[0]);
    ASSERT_EQ(::symlink(QFile::encodeName(copia).constData(), QFile::encodeName(mias[0]).constData()), 0);
    QFile::remove(destino.filePath(QStringLiteral("a?b.zip")));
    c = Corro({QStringLiteral("unir"), mias[1], QStringLiteral("--destino"), destino.path(), QStringLiteral("--conservar-danado")});
    EXPECT_EQ(c.codigo, 3);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("enlace"))) << qPrintable(c.errores);
    EXPECT_TRUE(Archivos(destino.path()).isEmpty());

    QFile::remove(mias[0]);
    c = Corro({QStringLiteral("unir"), mias[1]});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("Falta la partición 001."))) << qPrintable(c.errores);

    c = Corro({QStringLiteral("unir"), d.filePath(QStringLiteral("nada.zip"))});
    EXPECT_EQ(c.codigo, 1);
    EXPECT_TRUE(c.errores.contains(QStringLiteral("no dispone de particiones")));
}

// A large set made of one piece under many names (hard links), so that the
// join lasts long enough to be interrupted without filling the disk.
struct JuegoLargo {
    QTemporaryDir origen, destino;
    QStringList partes;
    JuegoLargo()
    {
        const int N = 24;
        const QByteArray pieza = Datos(8 * 1048576, 24);
        const QString hash = HashDe(pieza);
        const auto nombre = SeparoNombre(QStringLiteral("informe.zip"));
        partes << EscriboArchivo(origen.filePath(NombreFinalParticion(*nombre, hash, 1, N)), pieza);
        for (int i = 2; i <= N; ++i) {
            const QString ruta = origen.filePath(NombreFinalParticion(*nombre, hash, i, N));
            ::link(QFile::encodeName(partes[0]).constData(), QFile::encodeName(ruta).constData());
            partes << ruta;
        }
    }
    // Starts a join and signals it once its temporary shows up in the destination.
    int interrumpo(int senal)
    {
        QProcess p;
        p.start(QStringLiteral(TERV_CLI), {QStringLiteral("unir"), partes[0], QStringLiteral("--destino"), destino.path()});
        p.waitForStarted();
        QDeadlineTimer limite(60000);
        while (Temporales(destino.path()).isEmpty() && p.state() == QProcess::Running && !limite.hasExpired())
            ::usleep(200);
        EXPECT_EQ(p.state(), QProcess::Running) << "the join ended before it could be interrupted";
        ::kill(pid_t(p.processId()), senal);
        p.waitForFinished(60000);
        return p.exitStatus() == QProcess::CrashExit ? -1 : p.exitCode();
    }
};

TEST(UnirCli, MuertoYRepetido)
{
    JuegoLargo j;
    EXPECT_EQ(j.interrumpo(SIGKILL), -1);
    EXPECT_EQ(Temporales(j.destino.path()).size(), 1); // what kill -9 leaves
    const Corrida c = Corro({QStringLiteral("unir"), j.partes[3], QStringLiteral("--destino"), j.destino.path()});
    ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(Archivos(j.destino.path()), QStringList{QStringLiteral("informe.zip")});
    EXPECT_EQ(QFileInfo(j.destino.filePath(QStringLiteral("informe.zip"))).size(), 24LL * 8 * 1048576);
}

TEST(UnirCli, CtrlC)
{
    JuegoLargo j;
    EXPECT_EQ(j.interrumpo(SIGINT), 3);
    EXPECT_TRUE(Archivos(j.destino.path()).isEmpty());
    EXPECT_EQ(Archivos(j.origen.path()).size(), 24);
}

} // namespace
