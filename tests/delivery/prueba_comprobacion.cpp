#include "delivery/comprobacion_carpeta.h"
#include "delivery/entrega.h"
#include "hash/nombre_hash.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

const FilaComprobacion* FilaDe(const Comprobacion& c, const QString& ruta)
{
    for (const FilaComprobacion& f : c.filas)
        if (f.v.ruta == ruta)
            return &f;
    return nullptr;
}

Comprobacion Compruebo(const QStringList& rutas, bool subcarpetas = false)
{
    return CompruebaEntrega({rutas, subcarpetas, {}});
}

// Sets by the join's rules: same folder, base, extension and total; names literal.
TEST(ComprobacionCarpeta, JuegosDeParticiones)
{
    QTemporaryDir d;
    const auto piezas = Corto(Datos(6000, 11), 3);
    EscriboJuego(d.path(), QStringLiteral("inf[1].zip"), piezas);
    EscriboJuego(d.path(), QStringLiteral("Inf[1].zip"), piezas, {2}); // another set: case differs
    EscriboJuego(d.path(), QStringLiteral("a?b.zip"), piezas);
    EscriboJuego(d.path(), QStringLiteral("a?b.zip"), Corto(Datos(6000, 12), 3), {2}); // a second 002, other bytes
    EscriboJuego(d.path(), QStringLiteral("axb.zip"), piezas, {1, 2, 3});

    const Comprobacion c = Compruebo({d.path()});
    ASSERT_EQ(c.juegos.size(), 4u);
    std::map<QString, const JuegoParticiones*> por;
    for (const JuegoParticiones& j : c.juegos)
        por[j.nombreFinal] = &j;
    ASSERT_EQ(por.size(), 4u);
    const JuegoParticiones& inf = *por[QStringLiteral("inf[1].zip")];
    EXPECT_TRUE(inf.correcto());
    const JuegoParticiones& may = *por[QStringLiteral("Inf[1].zip")];
    EXPECT_FALSE(may.completo);
    EXPECT_EQ(may.faltan, (QList<int>{1, 3}));
    EXPECT_EQ(TextoJuego(may), QStringLiteral("Incompleto; faltan: 001, 003"));
    const JuegoParticiones& rep = *por[QStringLiteral("a?b.zip")];
    EXPECT_FALSE(rep.completo);
    EXPECT_EQ(rep.repetidas, QList<int>{2});
    EXPECT_TRUE(rep.faltan.isEmpty());
    EXPECT_TRUE(por[QStringLiteral("axb.zip")]->correcto());
}

// What a correction renames, and how its row reads, is walked through the
// folder check screen; here what it must never touch.
TEST(ComprobacionCarpeta, CorregirNuncaPisaNiRenombraOtroArchivo)
{
    Entrega e;
    Comprobacion c = Compruebo({e.raiz});
    const QString nuevo = e.d.filePath(QStringLiteral("malo_") + HashDe(e.contenidoMalo) + QStringLiteral(".2024.zip"));
    EscriboArchivo(nuevo, "del operador");
    QStringList fallas = CorrijoNombres(c);
    ASSERT_EQ(fallas.size(), 1);
    EXPECT_TRUE(fallas[0].startsWith(NombreDeRuta(e.malo)));
    EXPECT_EQ(LeoArchivo(nuevo), QByteArray("del operador"));
    EXPECT_EQ(LeoArchivo(e.malo), e.contenidoMalo);

    // Replaced by another file after the check: left as it is.
    QFile::remove(nuevo);
    Comprobacion otra = Compruebo({e.raiz});
    QFile::remove(e.malo);
    EscriboArchivo(e.malo, Datos(5000, 99));
    EXPECT_EQ(CorrijoNombres(otra).size(), 1);
    EXPECT_EQ(LeoArchivo(e.malo), Datos(5000, 99));
    EXPECT_FALSE(QFile::exists(nuevo));
}

// A cancel stops with members of a set unchecked: they are there, only
// unchecked ("sin comprobar"), never reported missing.
TEST(ComprobacionCarpeta, CanceladaDiceSinComprobar)
{
    QTemporaryDir d;
    QList<QByteArray> piezas;
    for (int i = 0; i < 100; ++i)
        piezas << Datos(16384, unsigned(100 + i));
    EscriboJuego(d.path(), QStringLiteral("informe.zip"), piezas);
    Progreso p;
    const Comprobacion c =
        CompruebaEntrega({{d.path()}, false, [&](qsizetype, const FilaComprobacion&) { p.cancelar = true; }}, &p);
    ASSERT_TRUE(c.cancelada);
    ASSERT_EQ(c.juegos.size(), 1u);
    const JuegoParticiones& j = c.juegos.front();
    ASSERT_LT(j.filas.size(), 100);
    EXPECT_TRUE(j.faltan.isEmpty());
    EXPECT_EQ(j.sinComprobar.size() + j.filas.size(), 100);
    EXPECT_TRUE(TextoJuego(j).contains(QStringLiteral("; sin comprobar: "))) << qPrintable(TextoJuego(j));
}

// One row per file (each row's state shows on the folder check screen's test,
// for this same delivery); those that were not hashed say why. The report
// holds every row with its state, the date, the folder and the summary, and is
// saved as three new files; terv-cli verificar --json says the same of each
// file. Subfolders only when asked for.
TEST(ComprobacionCarpeta, FilasInformesYJson)
{
    Entrega e;
    EscriboArchivo(e.d.filePath(QStringLiteral("=HYPERLINK(1)<b>.txt")), "x");
    const Comprobacion c = Compruebo({e.raiz});
    for (const FilaComprobacion& f : c.filas) {
        const bool hasheada = f.estado() == EstadoFila::Correcto || f.estado() == EstadoFila::Incorrecto;
        EXPECT_EQ(CausaFila(f).isEmpty(), hasheada) << qPrintable(f.v.ruta) << qPrintable(CausaFila(f));
    }
    const FilaComprobacion* malo = FilaDe(c, e.malo);
    EXPECT_EQ(malo->v.hashArchivo, HashDe(e.contenidoMalo));
    EXPECT_EQ(malo->v.hashNombre, HashDe(Datos(5000, 8)));
    EXPECT_EQ(malo->tamano, 5000);

    // The counts and bytes of a delivery's summary show on the screen's test.
    EXPECT_EQ(
        TextoResumen(Resumen{1, 1, 0, 0, 1, 10}),
        QStringLiteral(
            "3 archivos: 1 correcto, 1 incorrecto, 0 sin formato, 0 con error, 1 corregido. Bytes comprobados: 10"));

    const QString csv = QString::fromUtf8(TextoInforme(c, FormatoInforme::Csv));
    const QString html = QString::fromUtf8(TextoInforme(c, FormatoInforme::Html));
    const QString resumen = TextoResumen(Resumo(c.filas));
    for (const QString& t : {csv, html}) {
        EXPECT_TRUE(t.contains(c.fecha.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
        EXPECT_TRUE(t.contains(e.raiz));
        EXPECT_TRUE(t.contains(resumen));
        EXPECT_TRUE(t.contains(QStringLiteral("Incompleto; faltan: 002; dañadas: 003")));
    }
    const QStringList lineas = csv.split(QStringLiteral("\r\n"));
    for (const FilaComprobacion& f : c.filas) {
        SCOPED_TRACE(f.v.ruta.toStdString());
        const QString estado = QLatin1Char('"') + TextoEstado(f.estado()) + QLatin1Char('"');
        const auto linea = std::find_if(lineas.begin(), lineas.end(), [&](const QString& l) {
            return l.contains(QStringLiteral(";\"")
                              + (f.nombre().startsWith(QLatin1Char('=')) ? QStringLiteral("'") : QString()) + f.nombre()
                              + QLatin1Char('"'));
        });
        ASSERT_NE(linea, lineas.end());
        EXPECT_TRUE(linea->contains(estado));
        EXPECT_TRUE(html.contains(f.nombre().toHtmlEscaped()));
    }
    // A name is never a formula in a spreadsheet, nor markup in the page.
    EXPECT_TRUE(csv.contains(QStringLiteral("\"'=HYPERLINK(1)<b>.txt\"")));
    EXPECT_FALSE(html.contains(QStringLiteral("(1)<b>")));

    // terv-cli verificar --json carries the same facts about each file.
    const Corrida r =
        CorroPrograma(QStringLiteral(TERV_CLI), {QStringLiteral("verificar"), QStringLiteral("--json"), e.raiz});
    const std::map<QString, EstadoFila> palabras{{QStringLiteral("correcto"), EstadoFila::Correcto},
                                                 {QStringLiteral("invalido"), EstadoFila::Incorrecto},
                                                 {QStringLiteral("sin_formato"), EstadoFila::SinFormato},
                                                 {QStringLiteral("error"), EstadoFila::Error}};
    int vistas = 0;
    for (const QString& linea : r.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QJsonObject j = QJsonDocument::fromJson(linea.toUtf8()).object();
        const FilaComprobacion* f = FilaDe(c, j[QStringLiteral("archivo")].toString());
        if (!f) // the command walks stamped names only
            continue;
        SCOPED_TRACE(linea.toStdString());
        ++vistas;
        EXPECT_EQ(palabras.at(j[QStringLiteral("estado")].toString()), f->estado());
        EXPECT_EQ(j[QStringLiteral("hashArchivo")].toString(), f->v.hashArchivo);
        EXPECT_EQ(j[QStringLiteral("tamano")].toInteger(-1), f->tamano);
        if (f->juego >= 0) {
            const JuegoParticiones& jp = c.juegos[size_t(f->juego)];
            const QJsonObject juego = j[QStringLiteral("juego")].toObject();
            EXPECT_EQ(juego[QStringLiteral("archivo")].toString(), jp.nombreFinal);
            EXPECT_EQ(juego[QStringLiteral("completo")].toBool(true), jp.completo);
            EXPECT_EQ(juego[QStringLiteral("faltan")].toArray(), QJsonArray({2}));
            EXPECT_EQ(juego[QStringLiteral("danadas")].toArray(), QJsonArray({3}));
        } else {
            EXPECT_FALSE(j.contains(QStringLiteral("juego")));
        }
    }
    EXPECT_EQ(vistas, 5); // bueno, malo, the link, two partitions

    // Saved, the report makes three new files.
    QTemporaryDir destino;
    const QString tallo = QStringLiteral("comprobacion_") + c.fecha.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    // A name already taken is never replaced: the report takes the next free stem.
    EscriboArchivo(destino.filePath(tallo + QStringLiteral(".html")), "del operador");
    const auto g = GuardoInformes(c, destino.path());
    ASSERT_TRUE(g.ok()) << g.falla().descripcion.toStdString();
    EXPECT_EQ(g.valor(),
              (QStringList{destino.filePath(tallo + QStringLiteral("_2.csv")),
                           destino.filePath(tallo + QStringLiteral("_2.html")),
                           destino.filePath(tallo + QStringLiteral("_2.md5"))}));
    EXPECT_EQ(LeoArchivo(destino.filePath(tallo + QStringLiteral(".html"))), QByteArray("del operador"));
    EXPECT_EQ(LeoArchivo(g.valor()[1]), TextoInforme(c, FormatoInforme::Html));
    EXPECT_EQ(Archivos(destino.path()).size(), 4); // no temporary left behind
    // Files of ours follow the umask.
    QFileInfo info(g.valor()[0]);
    EXPECT_FALSE(info.permissions() & QFileDevice::WriteOther);

    // A folder that cannot take them: a failure, nothing left.
    const auto mal = GuardoInformes(c, destino.filePath(QStringLiteral("no_existe")));
    EXPECT_FALSE(mal.ok());

    // Subfolders when asked for.
    QFile::link(e.fuera.path(), e.d.filePath(QStringLiteral("carpeta_enlazada")));
    const Comprobacion con = Compruebo({e.raiz}, true);
    // A link to a folder is a row of its own, never walked into.
    const FilaComprobacion* enlazada = FilaDe(con, e.d.filePath(QStringLiteral("carpeta_enlazada")));
    ASSERT_NE(enlazada, nullptr);
    for (const FilaComprobacion& f : con.filas)
        EXPECT_FALSE(f.v.ruta.startsWith(e.d.filePath(QStringLiteral("carpeta_enlazada/"))));
    // Files chosen one by one: just those; the folder is the one they share.
    const Comprobacion elegidos = Compruebo({e.bueno, e.sub});
    EXPECT_EQ(elegidos.raiz, e.raiz);
}

TEST(InformeComprobacion, ListaMd5QueMd5sumAcepta)
{
    Entrega e;
    const QByteArray raro = Datos(64, 21);
    EscriboArchivo(e.d.filePath(QStringLiteral("con\\barra y\nsalto_") + HashDe(raro) + QStringLiteral(".zip")), raro);
    Comprobacion c = Compruebo({e.raiz}, true);
    CorrijoNombres(c);
    const QByteArray lista = TextoInforme(c, FormatoInforme::Md5, e.raiz);
    EXPECT_EQ(lista.count('\n'), 5); // bueno, corrected malo, partition 001, sub/otro, the odd name
    EXPECT_TRUE(lista.contains(QByteArray(HashDe(Datos(3000, 1)).toLower().toLatin1() + "  bueno_")));
    // Saved outside the delivery, the list still names what is in it, relative
    // to it: md5sum checks it from the delivery's folder.
    QTemporaryDir otra;
    EXPECT_EQ(TextoInforme(c, FormatoInforme::Md5, otra.path()), lista);
    EXPECT_FALSE(lista.contains(QFile::encodeName(e.raiz)));
    const QString guardada = EscriboArchivo(otra.filePath(QStringLiteral("lista.md5")), lista);
    QProcess md5sum;
    md5sum.setWorkingDirectory(e.raiz);
    md5sum.start(QStringLiteral("md5sum"), {QStringLiteral("-c"), QStringLiteral("--strict"), guardada});
    ASSERT_TRUE(md5sum.waitForFinished());
    EXPECT_EQ(md5sum.exitCode(), 0) << md5sum.readAll().toStdString();
}

} // namespace
