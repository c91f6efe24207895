// The real terv-cli at the edges of the file layer: the order of a delivery,
// faults injected at an exact call, names swapped meanwhile, odd names.
#include "join/juegos.h"
#include "soporte/cli.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kCli = QStringLiteral(TERV_CLI);
QString S(const char* t) { return QString::fromUtf8(t); }

// Every name of a folder, hidden ones too.
QStringList Todo(const QString& carpeta)
{
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// A file whose name carries a wrong hash, to be corrected.
QString MalSellado(const QString& carpeta, const QByteArray& contenido)
{
    return EscriboArchivo(
        UnoRuta(carpeta, QStringLiteral("acta_") + QString(32, QLatin1Char('0')) + QStringLiteral(".zip")), contenido);
}

// A folder that cannot be flushed after a rename, or a rename that fails:
// the rename is undone and the run fails, so the names hold what they held
// before (never a partition that blocks the next run). Run again without a
// fault, each delivery flushes the file, renames it, then flushes the folder,
// as the record of the real calls shows.
TEST(Bordes, EntregaEnOrden)
{
    struct Caso {
        const char* nombre;
        QStringList args; // %1: the folder
        const char* falla;
    } casos[] = {
        // clang-format off
        {"sellar", {S("sellar"), S("%1/nota.txt")}, "fsync_d:1"},
        {"corregir sin renombrar", {S("verificar"), S("--corregir"), S("%mal")}, "rename:1"},
        {"particionar en la segunda", {S("particionar"), S("%1/grande.zip"), S("--tamano"), S("0.001")}, "fsync_d:2"},
        {"unir", {S("unir"), S("%1/juego")}, "fsync_d:1"},
        // clang-format on
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        QTemporaryDir d, r;
        EscriboArchivo(d.filePath(QStringLiteral("nota.txt")), "hola");
        EscriboArchivo(d.filePath(QStringLiteral("grande.zip")), Datos(3000, 5));
        const QString mal = MalSellado(d.path(), "contenido");
        const QString primera = EscriboJuego(d.path(), QStringLiteral("otro.zip"), Corto(Datos(5000, 6), 2)).first();
        const QStringList antes = Todo(d.path());
        QStringList args;
        for (const QString& a : caso.args)
            args << (a == QStringLiteral("%1/juego")   ? primera
                         : a == QStringLiteral("%mal") ? mal
                                                       : QString(a).replace(QStringLiteral("%1"), d.path()));
        Corrida c = CorroInyectado(args, {S("TERV_FALLA=") + S(caso.falla)});
        EXPECT_EQ(c.codigo, 3) << qPrintable(c.salida + c.errores);
        EXPECT_EQ(Todo(d.path()), antes);

        const QString registro = r.filePath(QStringLiteral("registro"));
        c = CorroInyectado(args, {S("TERV_REGISTRO=") + registro});
        ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
        const QStringList lineas = QString::fromUtf8(LeoArchivo(registro)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QString todas = lineas.join(QLatin1Char('\n'));
        int renombres = 0;
        for (int k = 0; k < lineas.size(); ++k) {
            const QStringList n = lineas[k].split(QLatin1Char(' '));
            if (n[0] != QLatin1String("rename"))
                continue;
            ++renombres;
            // A written file (a temporary) was flushed before it took its name,
            // and the folder right after the rename.
            const bool temporal = EsNombreTemporal(NombreDeRuta(n[1]));
            EXPECT_TRUE(!temporal || lineas.mid(0, k).contains(QStringLiteral("fsync f ") + n[1])) << qPrintable(todas);
            EXPECT_EQ(lineas.value(k + 1), QStringLiteral("fsync d ") + QFileInfo(n[2]).absolutePath())
                << qPrintable(todas);
        }
        EXPECT_GE(renombres, 1);
    }
}

// The orphan cleaner removes through descriptors: a run folder swapped for a
// link to another folder between the look and the removal leads nowhere.
TEST(Bordes, LimpiezaNoSigueUnEnlace)
{
    QTemporaryDir d, ajena;
    for (int i = 0; i < 5; ++i)
        EscriboArchivo(ajena.filePath(QStringLiteral("f%1").arg(i)), "de otro");
    const QString corrida = d.filePath(QStringLiteral(".terv-999999997-Carp01.tmp"));
    QDir().mkpath(corrida);
    EscriboArchivo(corrida + QStringLiteral("/.terv-carpeta"), "");
    EscriboArchivo(corrida + QStringLiteral("/.terv-999999997-Abc123.tmp"), "resto");
    const QString origen = EscriboArchivo(d.filePath(QStringLiteral("x.zip")), Datos(3000, 7));
    const Corrida c =
        CorroInyectado({S("particionar"), origen, S("--tamano"), S("0.001")}, {S("TERV_ENLAZO=") + ajena.path()});
    EXPECT_EQ(c.codigo, 0) << qPrintable(c.errores);
    EXPECT_EQ(Todo(ajena.path()).size(), 5);
}

// What "exitosamente" certifies is the bytes delivered: a misread of the
// copy, or a partition that grows while it is copied, delivers nothing.
TEST(Bordes, UnirCertificaLoEntregado)
{
    struct Caso {
        const char* ajuste;
        int codigo;
        const char* texto;
    } casos[] = {
        // clang-format off
        {"TERV_DANO=1", 1, "no coincide con el código Hash"},
        {"TERV_AGREGO=1", 3, "La partición cambió mientras se unía"},
        // clang-format on
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.ajuste);
        QTemporaryDir d, destino;
        const QStringList juego = EscriboJuego(d.path(), QStringLiteral("acta.zip"), Corto(Datos(3 * 1048576, 8), 3));
        const Corrida c = CorroInyectado({S("unir"), juego[0], S("--destino"), destino.path()}, {S(caso.ajuste)});
        EXPECT_EQ(c.codigo, caso.codigo) << qPrintable(c.errores);
        EXPECT_TRUE(c.errores.contains(S(caso.texto))) << qPrintable(c.errores);
        EXPECT_TRUE(Todo(destino.path()).isEmpty());
    }
}

// A name that is not valid UTF-8 is refused with its cause, never taken for
// the file whose name it decodes to.
TEST(Bordes, NombresQueNoSonUtf8)
{
    QTemporaryDir d;
    const QByteArray carpeta = QFile::encodeName(d.path());
    const QList<QByteArray> nombres{"a\xff.zip", "a\xef\xbf\xbd.zip", "inf\xf3rme_" + QByteArray(32, '0') + ".zip"};
    for (const QByteArray& n : nombres) {
        const int fd = ::open(QByteArray(carpeta + '/' + n).constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, n.constData(), size_t(n.size())), n.size());
        ::close(fd);
    }
    const auto antes = Todo(d.path());
    struct Caso {
        const char* nombre;
        const char* linea; // run by sh; $0 is terv-cli, $1 the folder
        const char* salida;
    } casos[] = {
        // clang-format off
        {"sellar", "\"$0\" sellar \"$1/$(printf 'a\\377.zip')\"", ""},
        {"verificar la carpeta", "\"$0\" verificar \"$1\"", "ERROR"},
        // clang-format on
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        const Corrida c = CorroPrograma(QStringLiteral("/bin/sh"), {S("-c"), S(caso.linea), kCli, d.path()});
        EXPECT_EQ(c.codigo, 3) << qPrintable(c.salida + c.errores);
        EXPECT_TRUE(c.errores.contains(QStringLiteral("no es texto UTF-8 válido"))) << qPrintable(c.errores);
        EXPECT_TRUE(c.salida.contains(S(caso.salida))) << qPrintable(c.salida);
        EXPECT_EQ(Todo(d.path()), antes);
    }
    for (const QByteArray& n : nombres)
        ::unlink(QByteArray(carpeta + '/' + n).constData()); // beyond what QTemporaryDir can name
}

// A file put in the place of the checked one right before the rename is not
// given the checked file's hash: its name comes back, and the run fails.
TEST(Bordes, CambioJustoAntesDeRenombrar)
{
    QTemporaryDir d;
    const QString mal = MalSellado(d.path(), "contenido");
    const QString otro = EscriboArchivo(d.filePath(QStringLiteral("otro")), "otra cosa");
    const Corrida c = CorroInyectado({S("verificar"), S("--corregir"), mal}, {S("TERV_CAMBIO=") + otro});
    EXPECT_EQ(c.codigo, 3) << qPrintable(c.salida + c.errores);
    EXPECT_EQ(Todo(d.path()), QStringList{NombreDeRuta(mal)});
    EXPECT_EQ(LeoArchivo(mal), QByteArray("otra cosa"));
}

// Smaller edges: a result that cannot be written, many partitions with few
// descriptors, a sparse file.
TEST(Bordes, Menores)
{
    QTemporaryDir d;
    const QString nota = EscriboArchivo(d.filePath(QStringLiteral("nota.txt")), "hola");
    {
        SCOPED_TRACE("salida llena");
        const QString linea = S("exec \"$0\" sellar --json \"$1\" >/dev/full");
        const Corrida c = CorroPrograma(QStringLiteral("/bin/sh"), {S("-c"), linea, kCli, nota});
        EXPECT_EQ(c.codigo, 3);
        EXPECT_TRUE(c.errores.contains(QStringLiteral("salida estándar"))) << qPrintable(c.errores);
    }
    {
        SCOPED_TRACE("191 particiones con 64 descriptores");
        QTemporaryDir juego, destino;
        QList<QByteArray> piezas;
        const QByteArray datos = Datos(191 * 100, 9);
        for (int i = 0; i < 191; ++i)
            piezas << datos.mid(i * 100, 100);
        const QString primera = EscriboJuego(juego.path(), QStringLiteral("muchas.zip"), piezas).first();
        const Corrida c = CorroPrograma(
            QStringLiteral("/bin/sh"),
            {S("-c"), S("ulimit -n 64 && exec \"$0\" unir \"$1\" --destino \"$2\""), kCli, primera, destino.path()});
        EXPECT_EQ(c.codigo, 0) << qPrintable(c.errores);
        EXPECT_EQ(LeoArchivo(destino.filePath(QStringLiteral("muchas.zip"))), datos);
    }
    {
        SCOPED_TRACE("disperso");
        QTemporaryDir juego, destino;
        const qint64 MB = 1048576;
        QList<QByteArray> piezas{QByteArray(4 * MB, '\0'), QByteArray(4 * MB, '\0')};
        piezas[0][0] = 'x';
        piezas[1][4 * MB - 1] = 'y';
        const QStringList partes = EscriboJuego(juego.path(), QStringLiteral("disperso.img"), piezas);
        for (int k = 0; k < 2; ++k) { // written again with holes, same bytes
            QFile::remove(partes[k]);
            QFile f(partes[k]);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.seek(k == 0 ? 0 : 4 * MB - 1);
            f.write(k == 0 ? "x" : "y");
            f.resize(4 * MB);
        }
        const Corrida c = Corro({S("unir"), partes[0], S("--destino"), destino.path()});
        ASSERT_EQ(c.codigo, 0) << qPrintable(c.errores);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(destino.filePath(QStringLiteral("disperso.img"))).constData(), &st), 0);
        EXPECT_EQ(st.st_size, 8 * MB);
        EXPECT_LT(qint64(st.st_blocks) * 512, MB);
    }
}

} // namespace
