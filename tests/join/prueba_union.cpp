// The join's core on real folders: which files make a set, what is delivered,
// what is left behind.
#include "join/juegos.h"
#include "join/union.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kH = QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
const QString kG = QStringLiteral("FEDCBA9876543210FEDCBA9876543210");

QString Parte(const QString& base, int i, int n, const QString& hash = kH, const QString& ext = QStringLiteral(".zip"))
{
    return base + hash + ext + QStringLiteral(".part%1.%2.vesk").arg(TresDigitos(i), TresDigitos(n));
}

// Membership is by name: base, extension and total equal, any 32-hex hash,
// ".part" and ".vesk" in any case (letter case in the base, and wildcard
// characters, are left to the neighbouring sets below). One number twice is
// told apart from one missing.
TEST(Union, MiembrosDelJuego)
{
    const QString b = QStringLiteral("informe_");
    const auto sel = AnalizoNombreParticion(Parte(b, 2, 4));
    ASSERT_TRUE(sel);
    const struct Caso {
        QString otro;
        bool miembro;
    } casos[] = {
        // clang-format off
        {Parte(b, 4, 4, kG.toLower()), true},
        {Parte(QStringLiteral("informe_v2_"), 1, 4), false}, // another file's set
        {Parte(b, 1, 5), false},                              // another total
        {Parte(b, 1, 4, kH, QStringLiteral(".ZIP")), false},
        {Parte(b, 1, 4, QString(32, QLatin1Char('Z'))), false}, // not hexadecimal
        {Parte(b, 0, 4), false},                                // there is no partition 000
        {Parte(b, 1, 4) + QStringLiteral(".txt"), false},
        {b + kH + QStringLiteral(".zip.Part003.004.VESK"), true},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.otro.toStdString());
        EXPECT_EQ(MismoJuego(*sel, c.otro), c.miembro);
    }
    EXPECT_EQ(ObtengoNombreFinal(Parte(b, 1, 3, kH, QStringLiteral(".final.zip"))),
              QStringLiteral("informe.final.zip"));
    const Ordenamiento o = OrdenoParticiones({Parte(b, 1, 3), Parte(b, 2, 3), Parte(b, 2, 3, kG), Parte(b, 3, 3)});
    EXPECT_EQ(o.motivo, Ordenamiento::Repetida);
    EXPECT_EQ(o.numero, 2);
}

struct Carpetas {
    QTemporaryDir origen, destino, fuera;
    PlanUnion plan(const QString& seleccionada) const
    {
        PlanUnion p;
        p.CarpetaOrigen = origen.path();
        p.seleccionada = NombreDeRuta(seleccionada);
        p.CarpetaDestino = destino.path();
        return p;
    }
};

// Two files' sets in one folder never mix, whatever their names hold.
TEST(Union, JuegosVecinos)
{
    const QByteArray a = Datos(30000, 1), b = Datos(40000, 2);
    struct Caso {
        const char* nombre;
        QString uno, otro;
        QList<int> deUno, deOtro; // pieces present (all when empty)
        RechazoUnion rechazo;
        int numero;
    } casos[] = {
        // clang-format off
        {"ambos completos", QStringLiteral("informe.zip"), QStringLiteral("informe_v2.zip"), {}, {},
         RechazoUnion::Ninguno, 0},
        {"faltan piezas de ambos", QStringLiteral("informe.zip"), QStringLiteral("informe_v2.zip"), {1, 3}, {2, 4},
         RechazoUnion::Falta, 2},
        {"mayúsculas, falta la 001", QStringLiteral("informe.zip"), QStringLiteral("Informe.zip"), {2, 3, 4}, {},
         RechazoUnion::Falta, 1},
        {"comodín ? sin su juego", QStringLiteral("a?b.zip"), QStringLiteral("axb.zip"), {1}, {}, RechazoUnion::Falta, 2},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Carpetas d;
        const QStringList mias = EscriboJuego(d.origen.path(), c.uno, Corto(a, 4), c.deUno);
        EscriboJuego(d.origen.path(), c.otro, Corto(b, 4), c.deOtro);
        const QStringList antes = Archivos(d.origen.path());
        const ResultadoUnion r = UnoJuego(d.plan(mias.last()));
        EXPECT_EQ(r.rechazo, c.rechazo);
        EXPECT_EQ(r.numero, c.numero);
        EXPECT_EQ(Archivos(d.origen.path()), antes);
        EXPECT_EQ(Archivos(d.destino.path()), c.rechazo == RechazoUnion::Ninguno ? QStringList{c.uno} : QStringList{});
        if (c.rechazo == RechazoUnion::Ninguno) {
            ASSERT_TRUE(r.entregado()) << (r.falla ? qPrintable(r.falla->descripcion) : "");
            EXPECT_EQ(r.particiones, mias);
            EXPECT_EQ(LeoArchivo(d.destino.filePath(c.uno)), a);
        }
    }
}

// A member that is not a regular file is refused before anything is written,
// even a link to the very bytes that would pass.
TEST(Union, MiembroQueNoEsArchivo)
{
    const QByteArray datos = Datos(60000, 3);
    enum Tipo { Enlace, Fifo, Carpeta };
    for (const Tipo t : {Enlace, Fifo, Carpeta}) {
        SCOPED_TRACE(int(t));
        Carpetas d;
        const QStringList partes = EscriboJuego(d.origen.path(), QStringLiteral("informe.zip"), Corto(datos, 3));
        const QString copia = EscriboArchivo(d.fuera.filePath(QStringLiteral("copia")), LeoArchivo(partes[1]));
        QFile::remove(partes[1]);
        const QByteArray n = QFile::encodeName(partes[1]);
        if (t == Enlace)
            ASSERT_EQ(::symlink(QFile::encodeName(copia).constData(), n.constData()), 0);
        else if (t == Fifo)
            ASSERT_EQ(::mkfifo(n.constData(), 0600), 0);
        else
            ASSERT_TRUE(QDir().mkdir(partes[1]));
        PlanUnion plan = d.plan(partes[0]);
        plan.escriboListaYLote = true;
        plan.conservoDanado = [](const QList<int>&) { return true; };
        const ResultadoUnion r = UnoJuego(plan);
        ASSERT_TRUE(r.falla);
        EXPECT_EQ(r.falla->tipo, TipoFalla::NoEsArchivoComun);
        EXPECT_TRUE(r.falla->descripcion.contains(NombreDeRuta(partes[1]))) << qPrintable(r.falla->descripcion);
        EXPECT_TRUE(Archivos(d.destino.path()).isEmpty());
        EXPECT_FALSE(QFile::exists(d.origen.filePath(NombreListaUnion())));
    }
}

// The list and batch files: written while the screen's join runs, removed once
// it ends. (Names already taken, by a link or the operator's own file, are
// walked through the join screen.)
TEST(Union, ListaYLote)
{
    Carpetas d;
    QList<QByteArray> piezas = Corto(Datos(50000, 4), 2);
    const QStringList partes = EscriboJuego(d.origen.path(), QStringLiteral("informe.zip"), piezas);
    piezas[1][0] = char(piezas[1][0] ^ 1);
    EscriboArchivo(partes[1], piezas[1]); // damaged, so that the run stops to ask
    const QString lista = d.origen.filePath(NombreListaUnion());
    const QString lote = d.origen.filePath(QStringLiteral("informe.zip.bat"));
    PlanUnion plan = d.plan(partes[0]);
    plan.escriboListaYLote = true;
    QByteArray vistaLista;
    QStringList vistaLote;
    plan.conservoDanado = [&](const QList<int>&) {
        vistaLista = LeoArchivo(lista);
        vistaLote = QString::fromUtf8(LeoArchivo(lote)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        return true;
    };
    const ResultadoUnion r = UnoJuego(plan);
    ASSERT_TRUE(r.entregado());
    EXPECT_EQ(r.danadas, QList<int>{2});
    EXPECT_TRUE(r.conListaYLote);
    EXPECT_EQ(
        vistaLista,
        (NombreDeRuta(partes[0]) + QStringLiteral("\r\n") + NombreDeRuta(partes[1]) + QStringLiteral("\r\n")).toUtf8());
    ASSERT_EQ(vistaLote.size(), 2 * 2 + 9);
    EXPECT_EQ(vistaLote[2], QStringLiteral("copy /b \"") + partes[0] + QStringLiteral("\" \"informe.zip\""));
    EXPECT_EQ(vistaLote[4], QStringLiteral("copy /b \"informe.zip\"+\"") + partes[1] + QLatin1Char('"'));
    EXPECT_EQ(vistaLote.last(), QStringLiteral(":End"));
    EXPECT_FALSE(QFile::exists(lista));
    EXPECT_FALSE(QFile::exists(lote));
    EXPECT_TRUE(Temporales(d.origen.path()).isEmpty());
}

// The joined file follows the umask and, sound, takes the place of what holds
// its name without asking: a link (never its target), a file; not while
// another run holds the destination. (A cancel, and a damaged result kept or
// not, replacing or not, are walked through the join screen.)
TEST(Union, PermisosEnlaceYOcupado)
{
    const QByteArray datos = Datos(3 * 1048576 + 5, 7);
    for (const mode_t m : {mode_t(077), mode_t(022)}) {
        Carpetas d;
        const QStringList partes = EscriboJuego(d.origen.path(), QStringLiteral("informe.zip"), Corto(datos, 3));
        const QString afuera = EscriboArchivo(d.fuera.filePath(QStringLiteral("afuera")), "intacto");
        const QString final = d.destino.filePath(QStringLiteral("informe.zip"));
        if (m == 077) {
            ASSERT_EQ(::symlink(QFile::encodeName(afuera).constData(), QFile::encodeName(final).constData()), 0);
        } else { // while another run holds the destination, nothing is written
            EscriboArchivo(final, "el archivo que ya estaba");
            const auto otraCorrida = CerrojoCarpeta::tomo(d.destino.path());
            const ResultadoUnion ocupado = UnoJuego(d.plan(partes[0]));
            ASSERT_TRUE(ocupado.falla);
            EXPECT_EQ(ocupado.falla->tipo, TipoFalla::Ocupado);
            EXPECT_EQ(Archivos(d.destino.path()), QStringList{QStringLiteral("informe.zip")});
            EXPECT_EQ(LeoArchivo(final), QByteArray("el archivo que ya estaba"));
        }
        const mode_t antes = ::umask(m);
        const ResultadoUnion r = UnoJuego(d.plan(partes[0]));
        ::umask(antes);
        ASSERT_TRUE(r.entregado());
        EXPECT_FALSE(QFileInfo(final).isSymLink());
        EXPECT_EQ(LeoArchivo(final), datos);
        EXPECT_EQ(LeoArchivo(afuera), QByteArray("intacto"));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(r.archivo).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0666 & ~m);
    }
}

// From an origin the run cannot write to, the join works without the list
// and batch files. Run as an ordinary user, since root writes anywhere.
TEST(Union, OrigenDeSoloLectura)
{
    Carpetas d;
    const QByteArray datos = Datos(40000, 8);
    const QStringList partes = EscriboJuego(d.origen.path(), QStringLiteral("informe.zip"), Corto(datos, 2));
    ::chmod(QFile::encodeName(d.origen.path()).constData(), 0555);
    ::chmod(QFile::encodeName(d.destino.path()).constData(), 0777);
    PlanUnion plan = d.plan(partes[0]);
    plan.escriboListaYLote = true;
    const pid_t hijo = ::fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        const ResultadoUnion r = UnoJuego(plan);
        ::_exit(r.entregado() && !r.conListaYLote ? 0 : 1);
    }
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
    ASSERT_TRUE(WIFEXITED(estado));
    EXPECT_EQ(WEXITSTATUS(estado), 0);
    EXPECT_EQ(LeoArchivo(d.destino.filePath(QStringLiteral("informe.zip"))), datos);
    EXPECT_EQ(Archivos(d.origen.path()).size(), 2);
}

// Sets one split cannot have made are refused with the reason, before
// anything is written: sizes that differ, a last member larger than the
// others, an empty member, more members than the total.
TEST(Union, JuegosQueUnParticionadoNoDa)
{
    const QByteArray a = Datos(3000, 31), b = Datos(1000, 32);
    struct Caso {
        const char* nombre;
        QList<QByteArray> piezas;
        int total; // as the names say
        RechazoUnion rechazo;
        int numero;
        const char* texto;
    } casos[] = {
        // clang-format off
        {"otro tamaño", {a.left(1000), a.mid(1000, 900), a.mid(1900)}, 3, RechazoUnion::OtroTamano, 2,
         "La partición 002 no tiene el tamaño de la partición 001."},
        {"última mayor", {a.left(1000), a.mid(1000, 1000), a.mid(2000) + b}, 3, RechazoUnion::UltimaMayor, 3,
         "La última partición (003) es mayor que las demás."},
        {"vacía", {a.left(1000), a.mid(1000, 1000), {}}, 3, RechazoUnion::Vacia, 3, "La partición 003 está vacía."},
        {"más que el total", {a.left(1000), a.mid(1000, 1000), a.mid(2000)}, 2, RechazoUnion::Sobrante, 3,
         "Hay más particiones que el total que indican sus nombres: sobra la 003."},
        // clang-format on
    };
    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nombre);
        Carpetas d;
        const auto nombre = SeparoNombre(QStringLiteral("informe.zip"));
        QStringList partes;
        for (int i = 1; i <= caso.piezas.size(); ++i) {
            const QByteArray& pieza = caso.piezas[i - 1];
            partes << EscriboArchivo(d.origen.filePath(NombreFinalParticion(*nombre, HashDe(pieza), i, caso.total)),
                                     pieza);
        }
        const ResultadoUnion r = UnoJuego(d.plan(partes[0]));
        EXPECT_EQ(int(r.rechazo), int(caso.rechazo));
        EXPECT_EQ(r.numero, caso.numero);
        EXPECT_EQ(TextoFaltanParticiones(r.rechazo, r.numero),
                  QStringLiteral(
                      "Las particiones no pueden provenir de un mismo particionado, corrobore e intente nuevamente\r\n")
                      + QString::fromUtf8(caso.texto));
        EXPECT_TRUE(Archivos(d.destino.path()).isEmpty());
    }
}

} // namespace
